// Real echoes to 127.0.0.1 and ::1 on both socket roads: the raw road as
// root in the current namespace, the datagram road in a namespace of the
// test's own where ping_group_range lets every group use it.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "platform/IcmpNamespaceFixture.h"

namespace {

using Clock = std::chrono::steady_clock;

const std::uint32_t kLoopback4 = Ipv4Of("127.0.0.1");
const Ipv6Octets kLoopback6 = Ipv6Of("::1");

EchoRequest To(IpFamily family, int bytes = 32, int timeoutMs = 2000) {
  EchoRequest request;
  request.family = family;
  request.ipv4 = family == IpFamily::V4 ? kLoopback4 : 0;
  request.ipv6 = family == IpFamily::V6 ? kLoopback6 : Ipv6Octets{};
  request.bytes = bytes;
  request.ttl = 64;
  request.timeoutMs = timeoutMs;
  return request;
}

std::unique_ptr<IcmpSocketHandle> OpenOn(IcmpRoad road, IpFamily family) {
  return IcmpSocketHandle::Open(family, road);
}

class IcmpLoopback : public ::testing::TestWithParam<IcmpRoad> {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "raw sockets and namespaces need root";
    if (GetParam() == IcmpRoad::Datagram) {
      if (const std::string why = TestNetwork::Unavailable(); !why.empty()) GTEST_SKIP() << why;
      const std::string ns = network_.AddNamespace("ping");
      ASSERT_FALSE(ns.empty());
      ASSERT_TRUE(network_.AllowDatagramPing(ns));
      inside_.emplace(ns);
      ASSERT_TRUE(inside_->ok());
    }
    // The datagram road must be what the probe picks by itself where it is
    // allowed; the raw road is what is left where it is not.
    const IcmpBinding binding =
        ProbeIcmpRoads(GetParam() == IcmpRoad::Raw ? IcmpRoadChoice::RawOnly : IcmpRoadChoice::Auto);
    ASSERT_EQ(binding.ipv4, GetParam());
    ASSERT_EQ(binding.ipv6, GetParam());
  }

  TestNetwork network_;
  std::optional<NetnsScope> inside_;
};

TEST_P(IcmpLoopback, EchoesOfEverySizeComeBackFromLoopback) {
  for (IpFamily family : {IpFamily::V4, IpFamily::V6}) {
    auto handle = OpenOn(GetParam(), family);
    ASSERT_TRUE(handle);
    EXPECT_EQ(handle->Road(), GetParam());
    for (int bytes : {0, 1, 32, 1472, 9000, MaxEchoDataBytes}) {
      const IcmpEchoResult result = handle->Echo(To(family, bytes));
      ASSERT_EQ(result.status, EchoStatus::Success) << bytes;
      EXPECT_EQ(result.dataSize, bytes);
      EXPECT_LT(result.roundTripMs, 1000u);
      if (family == IpFamily::V4) {
        EXPECT_EQ(result.replyIpv4, kLoopback4);
        EXPECT_EQ(result.replyIpv6, Ipv6Octets{});
        EXPECT_EQ(result.replyTtl, 64);
      } else {
        EXPECT_EQ(result.replyIpv4, 0u);
        EXPECT_EQ(result.replyIpv6, kLoopback6);
        EXPECT_EQ(result.replyTtl, 0);
      }
    }
    EchoRequest other = To(family == IpFamily::V4 ? IpFamily::V6 : IpFamily::V4);
    EXPECT_EQ(handle->Echo(other).status, EchoStatus::SendFailed);
  }
}

TEST_P(IcmpLoopback, EachHandleGetsOnlyItsOwnReplies) {
  // Two handles in turn: each must see nothing of the other's traffic.
  for (IpFamily family : {IpFamily::V4, IpFamily::V6}) {
    auto a = OpenOn(GetParam(), family);
    auto b = OpenOn(GetParam(), family);
    ASSERT_TRUE(a && b);
    EXPECT_NE(a->Identifier(), b->Identifier());
    for (int i = 0; i < 20; ++i) {
      ASSERT_EQ(a->Echo(To(family)).status, EchoStatus::Success);
      ASSERT_EQ(b->Echo(To(family)).status, EchoStatus::Success);
    }
    EXPECT_EQ(a->ForeignPackets(), 0u);
    EXPECT_EQ(b->ForeignPackets(), 0u);
  }
}

TEST_P(IcmpLoopback, ManyWorkersAtOnceGetEveryReplyAndNothingElse) {
  // 200 sockets echoing at the same time. Unfiltered raw sockets would each
  // queue every reply of all the others and drop replies once full.
  constexpr int kWorkers = 200;
  constexpr int kEchoes = 25;
  std::atomic<int> answered{0};
  std::atomic<std::uint64_t> foreign{0};
  std::atomic<int> unopened{0};
  std::vector<std::thread> workers;
  for (int w = 0; w < kWorkers; ++w) {
    workers.emplace_back([&, w] {
      const IpFamily family = w % 2 ? IpFamily::V6 : IpFamily::V4;
      auto handle = OpenOn(GetParam(), family);
      if (!handle) {
        ++unopened;
        return;
      }
      for (int i = 0; i < kEchoes; ++i)
        if (handle->Echo(To(family, 56, 5000)).status == EchoStatus::Success) ++answered;
      foreign += handle->ForeignPackets();
    });
  }
  for (auto& worker : workers) worker.join();
  EXPECT_EQ(unopened, 0);
  EXPECT_EQ(answered, kWorkers * kEchoes);
  EXPECT_EQ(foreign, 0u);
}

TEST_P(IcmpLoopback, RoundTripsOnLoopback) {
  // Not a timing assertion: the figures go into the test log for the record.
  for (IpFamily family : {IpFamily::V4, IpFamily::V6}) {
    auto handle = OpenOn(GetParam(), family);
    ASSERT_TRUE(handle);
    constexpr int kEchoes = 2000;
    std::uint32_t slowest = 0;
    const auto start = Clock::now();
    for (int i = 0; i < kEchoes; ++i) {
      const IcmpEchoResult result = handle->Echo(To(family));
      ASSERT_EQ(result.status, EchoStatus::Success);
      slowest = std::max(slowest, result.roundTripMs);
    }
    const double micros = std::chrono::duration<double, std::micro>(Clock::now() - start).count() / kEchoes;
    std::printf("[ FIGURES  ] %s %s: %.1f us per echo, slowest %u ms over %d echoes\n",
                GetParam() == IcmpRoad::Raw ? "raw" : "datagram",
                family == IpFamily::V4 ? "127.0.0.1" : "::1", micros, slowest, kEchoes);
  }
}

TEST_P(IcmpLoopback, OpenFailsCleanlyWhenDescriptorsRunOutAndTheLimitCanBeRaised) {
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
  rlimit low{64, saved.rlim_max};
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
  std::vector<std::unique_ptr<IcmpSocketHandle>> handles;
  while (handles.size() < 200) {
    auto handle = OpenOn(GetParam(), IpFamily::V4);
    if (!handle) break;
    handles.push_back(std::move(handle));
  }
  EXPECT_LT(handles.size(), 64u);  // the last Open failed and returned null
  handles.clear();

  std::uint64_t soft = 0;
  ASSERT_TRUE(RaiseOpenFileLimit(&soft).ok());
  EXPECT_EQ(soft, saved.rlim_max == RLIM_INFINITY ? soft : saved.rlim_max);
  EXPECT_GE(soft, 600u);
  for (int i = 0; i < 600; ++i) {
    auto handle = OpenOn(GetParam(), IpFamily::V4);
    ASSERT_TRUE(handle) << i;
    handles.push_back(std::move(handle));
  }
  EXPECT_EQ(handles.back()->Echo(To(IpFamily::V4)).status, EchoStatus::Success);
  handles.clear();
  setrlimit(RLIMIT_NOFILE, &saved);
}

INSTANTIATE_TEST_SUITE_P(Roads, IcmpLoopback, ::testing::Values(IcmpRoad::Raw, IcmpRoad::Datagram),
                         [](const auto& info) { return RoadName(info.param); });

TEST(IcmpBindingTest, TheProgramsBindingCanPingIpv4HereAndHandsOutWorkingHandles) {
  if (geteuid() != 0) GTEST_SKIP() << "this machine allows only raw ICMP sockets, which need root";
  ASSERT_TRUE(BindSystemIcmp().ok());
  IcmpEcho& icmp = SystemIcmp();
  ASSERT_TRUE(icmp.CanPing(IpFamily::V4));
  auto handle = icmp.Open(IpFamily::V4);
  ASSERT_TRUE(handle);
  EXPECT_EQ(handle->Echo(To(IpFamily::V4)).status, EchoStatus::Success);
}

TEST(IcmpBindingTest, TheProbeTakesTheDatagramRoadOnlyWherePingGroupRangeOpensIt) {
  if (const std::string why = WhyNoNamespaces(); !why.empty()) GTEST_SKIP() << why;
  TestNetwork network;
  const std::string ns = network.AddNamespace("probe");
  ASSERT_FALSE(ns.empty());
  NetnsScope inside(ns);
  ASSERT_TRUE(inside.ok());
  // A new namespace starts with the range "1 0", which admits no group.
  const IcmpBinding closed = ProbeIcmpRoads(IcmpRoadChoice::DatagramOnly);
  EXPECT_EQ(closed.ipv4, IcmpRoad::None);
  EXPECT_EQ(closed.ipv6, IcmpRoad::None);
  EXPECT_EQ(ProbeIcmpRoads().ipv4, IcmpRoad::Raw);
  ASSERT_TRUE(network.AllowDatagramPing(ns));
  const IcmpBinding open = ProbeIcmpRoads();
  EXPECT_EQ(open.ipv4, IcmpRoad::Datagram);
  EXPECT_EQ(open.ipv6, IcmpRoad::Datagram);
  EXPECT_EQ(ProbeIcmpRoads(IcmpRoadChoice::RawOnly).ipv4, IcmpRoad::Raw);
}

TEST(IcmpBindingTest, AFamilyWithoutARoadCannotBePinged) {
  SocketIcmpEcho none{IcmpBinding{}};
  EXPECT_FALSE(none.CanPing(IpFamily::V4));
  EXPECT_FALSE(none.Open(IpFamily::V6));
  SocketIcmpEcho v4Only{IcmpBinding{IcmpRoad::Raw, IcmpRoad::None}};
  EXPECT_TRUE(v4Only.CanPing(IpFamily::V4));
  EXPECT_FALSE(v4Only.CanPing(IpFamily::V6));
  EXPECT_FALSE(v4Only.Open(IpFamily::V6));
}

}  // namespace
