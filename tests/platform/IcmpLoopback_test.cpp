// Real echoes to 127.0.0.1 and ::1 on both socket roads, in a namespace of
// the test's own.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <atomic>
#include <latch>
#include <thread>
#include <vector>

#include "support/EchoRoad.h"

namespace {

const std::uint32_t kLoopback4 = Ipv4Of("127.0.0.1");
const Ipv6Octets kLoopback6 = Ipv6Of("::1");

EchoRequest ToLoopback(IpFamily family, int bytes = 32) {
  return EchoTo(family, kLoopback4, kLoopback6, 64, bytes, 5000);
}

class IcmpLoopback : public ::testing::TestWithParam<IcmpRoad> {
 protected:
  void SetUp() override {
    if (const std::string why = TestNetwork::Unavailable(); !why.empty()) GTEST_SKIP() << why;
    ASSERT_EQ(road_.Enter(network_, network_.AddNamespace("loop"), GetParam()), "");
  }

  TestNetwork network_;
  EchoRoad road_;
};

TEST_P(IcmpLoopback, EchoesOfEverySizeComeBackFromLoopback) {
  for (IpFamily family : {IpFamily::V4, IpFamily::V6}) {
    auto handle = road_.Open(family);
    ASSERT_TRUE(handle);
    for (int bytes : {0, 1, 32, 1472, 9000, MaxEchoDataBytes}) {
      const IcmpEchoResult result = handle->Echo(ToLoopback(family, bytes));
      ASSERT_EQ(result.status, EchoStatus::Success) << bytes;
      EXPECT_EQ(result.dataSize, bytes);
      EXPECT_LT(result.roundTripMs, 1000u);
      EXPECT_EQ(result.replyIpv4, family == IpFamily::V4 ? kLoopback4 : 0);
      EXPECT_EQ(result.replyIpv6, family == IpFamily::V6 ? kLoopback6 : Ipv6Octets{});
      EXPECT_EQ(result.replyTtl, family == IpFamily::V4 ? 64 : 0);
    }
    const IpFamily other = family == IpFamily::V4 ? IpFamily::V6 : IpFamily::V4;
    EXPECT_EQ(handle->Echo(ToLoopback(other)).status, EchoStatus::SendFailed);
  }
}

TEST_P(IcmpLoopback, ManyWorkersAtOnceGetEveryReplyAndNothingElse) {
  // 200 sockets echoing at the same time. Unfiltered raw sockets would each
  // queue every reply of all the others and drop replies once full.
  constexpr int kWorkers = 200;
  constexpr int kEchoes = 25;
  std::atomic<int> answered{0};
  std::atomic<std::uint64_t> foreign{0};
  // All open before any echoes: a packet already on its way into a raw
  // socket while its filter is attached may still land, harmlessly.
  std::latch opened(kWorkers);
  std::vector<std::thread> workers;
  for (int w = 0; w < kWorkers; ++w) {
    workers.emplace_back([&, w] {
      const IpFamily family = w % 2 ? IpFamily::V6 : IpFamily::V4;
      auto handle = road_.Open(family);
      opened.arrive_and_wait();
      for (int i = 0; handle && i < kEchoes; ++i)
        if (handle->Echo(ToLoopback(family, 56)).status == EchoStatus::Success) ++answered;
      if (handle) foreign += handle->ForeignPackets();
    });
  }
  for (auto& worker : workers) worker.join();
  EXPECT_EQ(answered, kWorkers * kEchoes);
  EXPECT_EQ(foreign, 0u);
}

TEST_P(IcmpLoopback, OpenFailsCleanlyWhenDescriptorsRunOutAndTheLimitCanBeRaised) {
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
  rlimit low{64, saved.rlim_max};
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
  std::vector<std::unique_ptr<IcmpSocketHandle>> handles;
  while (handles.size() < 200) {
    auto handle = road_.Open(IpFamily::V4);
    if (!handle) break;
    handles.push_back(std::move(handle));
  }
  EXPECT_LT(handles.size(), 64u);  // the last Open failed and returned null
  handles.clear();

  std::uint64_t soft = 0;
  ASSERT_TRUE(RaiseOpenFileLimit(&soft).ok());
  EXPECT_GE(soft, 600u);
  for (int i = 0; i < 600; ++i) {
    auto handle = road_.Open(IpFamily::V4);
    ASSERT_TRUE(handle) << i;
    handles.push_back(std::move(handle));
  }
  EXPECT_EQ(handles.back()->Echo(ToLoopback(IpFamily::V4)).status, EchoStatus::Success);
  handles.clear();
  setrlimit(RLIMIT_NOFILE, &saved);
}

INSTANTIATE_TEST_SUITE_P(Roads, IcmpLoopback, ::testing::Values(IcmpRoad::Raw, IcmpRoad::Datagram),
                         [](const auto& info) { return RoadName(info.param); });

// Every datagram test above shows the probe taking that road once
// ping_group_range opens it (EchoRoad); here it is closed.
TEST(IcmpRoadProbe, LeavesTheDatagramRoadAloneWherePingGroupRangeKeepsItClosed) {
  if (const std::string why = TestNetwork::Unavailable(); !why.empty()) GTEST_SKIP() << why;
  TestNetwork network;
  NetnsScope inside(network.AddNamespace("probe"));
  ASSERT_TRUE(inside.ok());
  // A new namespace starts with the range "1 0", which admits no group.
  const IcmpBinding closed = ProbeIcmpRoads(IcmpRoadChoice::DatagramOnly);
  EXPECT_EQ(closed.ipv4, IcmpRoad::None);
  EXPECT_EQ(closed.ipv6, IcmpRoad::None);
  EXPECT_EQ(ProbeIcmpRoads().ipv4, IcmpRoad::Raw);
}

}  // namespace
