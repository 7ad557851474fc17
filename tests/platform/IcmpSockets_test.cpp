// Real echoes on both socket roads, in namespaces of the test's own: to
// 127.0.0.1 and ::1, through a kernel router (client - router - target) and
// to the TUN path's hops, which answer late or with a wrong checksum.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <latch>
#include <memory>
#include <thread>
#include <vector>

#include "support/TestNetwork.h"
#include "support/TunPath.h"
#include "support/Waits.h"

void PrintTo(EchoStatus status, std::ostream* out) {
  static const char* const names[] = {"Success", "TtlExpired", "OtherStatus", "TimedOut", "SendFailed"};
  *out << names[static_cast<int>(status)];
}

namespace {

using Clock = std::chrono::steady_clock;
constexpr IpFamily kFamilies[] = {IpFamily::V4, IpFamily::V6};
const std::uint32_t kLoopback4 = Ipv4Of("127.0.0.1");
const Ipv6Octets kLoopback6 = Ipv6Of("::1");

// An echo of `family` to `ipv4` or `ipv6`, whichever the family takes.
EchoRequest EchoTo(IpFamily family, std::uint32_t ipv4, const Ipv6Octets& ipv6, int ttl = 64, int bytes = 32,
                   int timeoutMs = 2000) {
  const bool v4 = family == IpFamily::V4;
  return EchoRequest{family, v4 ? ipv4 : 0, v4 ? Ipv6Octets{} : ipv6, bytes, ttl, timeoutMs};
}

class IcmpLoopback : public ::testing::TestWithParam<IcmpRoad> {
 protected:
  void SetUp() override { ASSERT_EQ(road_.Enter(network_, network_.AddNamespace("loop"), GetParam()), ""); }
  std::unique_ptr<IcmpSocketHandle> Open(IpFamily family) {
    return IcmpSocketHandle::Open(family, GetParam());
  }

  TestNetwork network_;
  EchoRoad road_;
};

TEST_P(IcmpLoopback, EchoesOfEverySizeComeBackFromLoopback) {
  for (IpFamily family : kFamilies) {
    auto handle = Open(family);
    ASSERT_TRUE(handle);
    for (int bytes : {0, 1, 32, 1472, 9000, MaxEchoDataBytes}) {
      const IcmpEchoResult result = handle->Echo(EchoTo(family, kLoopback4, kLoopback6, 64, bytes));
      ASSERT_EQ(result.status, EchoStatus::Success) << bytes;
      EXPECT_EQ(result.dataSize, bytes);
      EXPECT_EQ(result.replyIpv4, family == IpFamily::V4 ? kLoopback4 : 0);
      EXPECT_EQ(result.replyIpv6, family == IpFamily::V6 ? kLoopback6 : Ipv6Octets{});
      EXPECT_EQ(result.replyTtl, family == IpFamily::V4 ? 64 : 0);
    }
    const IpFamily other = family == IpFamily::V4 ? IpFamily::V6 : IpFamily::V4;
    EXPECT_EQ(handle->Echo(EchoTo(other, kLoopback4, kLoopback6)).status, EchoStatus::SendFailed);
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
      auto handle = Open(family);
      opened.arrive_and_wait();
      for (int i = 0; handle && i < kEchoes; ++i)
        if (handle->Echo(EchoTo(family, kLoopback4, kLoopback6, 64, 56)).status == EchoStatus::Success)
          ++answered;
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
  for (auto handle = Open(IpFamily::V4); handle && handles.size() < 200; handle = Open(IpFamily::V4))
    handles.push_back(std::move(handle));
  EXPECT_LT(handles.size(), 64u);  // the last Open failed and returned null
  handles.clear();

  std::uint64_t soft = 0;
  ASSERT_TRUE(RaiseOpenFileLimit(&soft).ok());
  EXPECT_GE(soft, 600u);
  for (int i = 0; i < 600; ++i) {
    handles.push_back(Open(IpFamily::V4));
    ASSERT_TRUE(handles.back()) << i;
  }
  EXPECT_EQ(handles.back()->Echo(EchoTo(IpFamily::V4, kLoopback4, kLoopback6)).status, EchoStatus::Success);
  handles.clear();
  setrlimit(RLIMIT_NOFILE, &saved);
}

// The client's side of a chain with one router, which refuses one net of
// each family with an ICMP error, while the client itself knows another to
// be unreachable.
class IcmpNetwork : public IcmpLoopback {
 protected:
  void SetUp() override {
    chain_ = std::make_unique<RoutedChain>(network_, 1);
    ASSERT_TRUE(chain_->ok());
    for (const auto& [ns, command] : {std::pair{chain_->Router(1), "route add unreachable 10.203.0.0/24"},
                                      {chain_->Router(1), "-6 route add unreachable fd00:203::/64"},
                                      {chain_->Client(), "route add unreachable 10.204.0.0/24"},
                                      {chain_->Client(), "-6 route add unreachable fd00:204::/64"}})
      ASSERT_TRUE(network_.Ip(ns, command));
    ASSERT_EQ(road_.Enter(network_, chain_->Client(), GetParam()), "");
    for (IpFamily family : kFamilies) ASSERT_TRUE(handle_[static_cast<int>(family)] = Open(family));
  }
  IcmpSocketHandle& On(IpFamily family) { return *handle_[static_cast<int>(family)]; }
  EchoRequest ToTarget(IpFamily family, int ttl, int bytes) {
    return EchoTo(family, chain_->TargetIpv4(), chain_->TargetIpv6(), ttl, bytes);
  }

  std::unique_ptr<RoutedChain> chain_;
  std::unique_ptr<IcmpSocketHandle> handle_[2];
};

TEST_P(IcmpNetwork, RoutersAnswerExpiredTtlsAndErrorsEndTheEchoAtOnce) {
  struct Row {
    const char* to4;  // the target when null
    const char* to6;
    int ttl;
    int bytes;  // 3000 leave in fragments, and the router quotes the first one
    EchoStatus status;
    int from;  // the router's address (1), the target's (2) or none (0)
  } rows[] = {
      // First: the router's budget for errors about unreachable routes is
      // shared with its expired TTLs to the same host. The error does not
      // linger to spoil the echoes after it.
      {"10.203.0.9", "fd00:203::9", 64, 32, EchoStatus::OtherStatus, 0},
      {nullptr, nullptr, 1, 32, EchoStatus::TtlExpired, 1},
      {nullptr, nullptr, 1, 3000, EchoStatus::TtlExpired, 1},
      {nullptr, nullptr, 2, 32, EchoStatus::Success, 2},
      {nullptr, nullptr, 2, 3000, EchoStatus::Success, 2},
      {"10.204.0.9", "fd00:204::9", 64, 32, EchoStatus::SendFailed, 0},
  };
  for (const Row& row : rows)
    for (IpFamily family : kFamilies) {
      const bool v4 = family == IpFamily::V4;
      SCOPED_TRACE(testing::Message() << (row.to4 ? row.to4 : "target") << " TTL " << row.ttl << ", "
                                      << row.bytes << " bytes" << (v4 ? ", IPv4" : ", IPv6"));
      const auto start = Clock::now();
      const IcmpEchoResult result =
          On(family).Echo(row.to4 ? EchoTo(family, Ipv4Of(row.to4), Ipv6Of(row.to6), row.ttl, row.bytes, 3000)
                                  : ToTarget(family, row.ttl, row.bytes));
      EXPECT_LT(MillisecondsSince(start), 1000);
      ASSERT_EQ(result.status, row.status);
      EXPECT_EQ(result.systemError != 0, row.status == EchoStatus::SendFailed);
      const std::uint32_t from4 = row.from == 1 ? RoutedChain::RouterIpv4(1) : chain_->TargetIpv4();
      const Ipv6Octets from6 = row.from == 1 ? RoutedChain::RouterIpv6(1) : chain_->TargetIpv6();
      EXPECT_EQ(result.replyIpv4, v4 && row.from ? from4 : 0);
      EXPECT_EQ(result.replyIpv6, !v4 && row.from ? from6 : Ipv6Octets{});
      // The router's own TTL, not yet decremented; the target's one less,
      // for the router on the way back. A router echoes none of our data.
      EXPECT_EQ(result.replyTtl, v4 && row.from ? 65 - row.from : 0);
      EXPECT_EQ(result.dataSize, row.status == EchoStatus::Success ? row.bytes : 0);
    }
}

TEST_P(IcmpNetwork, LargeEchoesCrossALinkWithASmallerMtu) {
  ASSERT_TRUE(chain_->SetLinkMtu(1, 1280));
  // IPv4 goes out without Don't-Fragment, so the router fragments it.
  EXPECT_EQ(On(IpFamily::V4).Echo(ToTarget(IpFamily::V4, 64, 1400)).status, EchoStatus::Success);
  // IPv6 routers never fragment: the first echo meets "packet too big",
  // which ends it at once; the kernel then fragments at the source.
  const auto start = Clock::now();
  EXPECT_EQ(On(IpFamily::V6).Echo(ToTarget(IpFamily::V6, 64, 1400)).status, EchoStatus::OtherStatus);
  EXPECT_LT(MillisecondsSince(start), 1000);
  EXPECT_EQ(On(IpFamily::V6).Echo(ToTarget(IpFamily::V6, 64, 1400)).status, EchoStatus::Success);
}

TEST_P(IcmpNetwork, LateAnswersNeitherAnswerNorHoldUpTheNextEchoAndABadChecksumIsNoAnswer) {
  // Beside the router: a router that answers after 600 ms, a host that
  // answers with a wrong checksum, and the target beyond them.
  TunPath tun(network_, chain_->Client(), {{600}, {0, 0, true}, {}});
  ASSERT_TRUE(tun.ok());
  auto toHop = [](IpFamily family, int hop, int timeoutMs, int ttl = 64) {
    return EchoTo(family, TunPath::HopIpv4(hop), TunPath::HopIpv6(hop), ttl, 32, timeoutMs);
  };
  std::uint64_t answers = 0;  // that the path has given by now
  for (IpFamily family : kFamilies) {
    SCOPED_TRACE(family == IpFamily::V4 ? "IPv4" : "IPv6");
    const auto start = Clock::now();
    EXPECT_EQ(On(family).Echo(toHop(family, 1, 200)).status, EchoStatus::TimedOut);
    const long long waited = MillisecondsSince(start);
    EXPECT_GE(waited, 200);
    EXPECT_LT(waited, 1000);
    // The first echo's reply arrives about 400 ms into this one; taking it
    // would end this echo early with a round trip below the delay.
    const IcmpEchoResult second = On(family).Echo(toHop(family, 1, 3000));
    ASSERT_EQ(second.status, EchoStatus::Success);
    EXPECT_GE(second.roundTripMs, 600u);
    EXPECT_EQ(On(family).ForeignPackets(), 0u);
    answers += 2;

    // The slow router's "time exceeded" comes after the echo gave up and
    // waits on the socket while no echo does.
    ASSERT_EQ(On(family).Echo(toHop(family, 3, 200, 1)).status, EchoStatus::TimedOut);
    ++answers;
    ASSERT_TRUE(WaitUntil([&] { return tun.Answered() == answers; }));
    EXPECT_EQ(On(family).Echo(toHop(family, 3, 2000)).status, EchoStatus::Success);

    // Raw IPv4 sockets see the packet before the kernel's ICMP code, so the
    // parser checks the sum; the other sockets rely on the kernel.
    EXPECT_EQ(On(family).Echo(toHop(family, 2, 300)).status, EchoStatus::TimedOut);
    answers += 2;
  }
  EXPECT_TRUE(WaitUntil([&] { return tun.Answered() == answers; }));  // the bad sums among them
}

TEST_P(IcmpNetwork, AnEchoThreadHeldPastItsDeadlineTakesWhatCameInTimeWithTheNetworksTime) {
  // Hop 1 answers, and as a router expires TTLs, after 100 ms; hop 2 after
  // 500 ms. The thread sleeps 600 ms right after each send, as threads do
  // when thousands of them share a loaded machine.
  TunPath tun(network_, chain_->Client(), {{100}, {500}});
  ASSERT_TRUE(tun.ok());
  constexpr int kToleranceMs = 50;  // the responder's own scheduling
  struct Row {
    int hop;
    int ttl;
    int timeoutMs;
    EchoStatus status;
    std::uint32_t roundTripMs;  // the path's delay; 0 for a timeout
  } rows[] = {
      // The answer came before the deadline and waited while the thread slept.
      {1, 64, 300, EchoStatus::Success, 100},
      {2, 1, 300, EchoStatus::TtlExpired, 100},
      // The thread wakes before the deadline: its sleep is no part of the time.
      {1, 64, 2000, EchoStatus::Success, 100},
      // Waiting when the thread wakes, but it came after the deadline.
      {2, 64, 300, EchoStatus::TimedOut, 0},
  };
  for (IpFamily family : kFamilies) {
    On(family).SetAfterSend([] { std::this_thread::sleep_for(std::chrono::milliseconds(600)); });
    for (const Row& row : rows) {
      SCOPED_TRACE(testing::Message() << "hop " << row.hop << " TTL " << row.ttl << ", timeout "
                                      << row.timeoutMs << (family == IpFamily::V4 ? ", IPv4" : ", IPv6"));
      const IcmpEchoResult result = On(family).Echo(
          EchoTo(family, TunPath::HopIpv4(row.hop), TunPath::HopIpv6(row.hop), row.ttl, 32, row.timeoutMs));
      ASSERT_EQ(result.status, row.status);
      EXPECT_GE(result.roundTripMs, row.roundTripMs);
      EXPECT_LT(result.roundTripMs, row.roundTripMs + kToleranceMs);
    }
  }
}

const auto kRoadName = [](const auto& info) { return EchoRoad::Name(info.param); };
INSTANTIATE_TEST_SUITE_P(Roads, IcmpLoopback, ::testing::Values(IcmpRoad::Raw, IcmpRoad::Datagram),
                         kRoadName);
INSTANTIATE_TEST_SUITE_P(Roads, IcmpNetwork, ::testing::Values(IcmpRoad::Raw, IcmpRoad::Datagram), kRoadName);

}  // namespace
