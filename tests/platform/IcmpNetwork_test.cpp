// Echoes through a real kernel router (client - router - target, each in a
// namespace of the test's own) and to the TUN path's hops, which answer
// late, never, or with a wrong checksum; on both socket roads.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>

#include "support/EchoRoad.h"
#include "support/TunPath.h"
#include "support/Waits.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr IpFamily kFamilies[] = {IpFamily::V4, IpFamily::V6};

class IcmpNetwork : public ::testing::TestWithParam<IcmpRoad> {
 protected:
  void SetUp() override {
    if (const std::string why = TestNetwork::Unavailable(); !why.empty()) GTEST_SKIP() << why;
    chain_ = std::make_unique<RoutedChain>(network_, 1);
    ASSERT_TRUE(chain_->ok());
    // Nets the router refuses with an ICMP error, and one that the client
    // itself knows to be unreachable.
    for (const auto& [ns, command] : {std::pair{chain_->Router(1), "route add unreachable 10.203.0.0/24"},
                                      {chain_->Router(1), "-6 route add unreachable fd00:203::/64"},
                                      {chain_->Client(), "route add unreachable 10.204.0.0/24"},
                                      {chain_->Client(), "-6 route add unreachable fd00:204::/64"}})
      ASSERT_TRUE(network_.Ip(ns, command));
    ASSERT_EQ(road_.Enter(network_, chain_->Client(), GetParam()), "");
    for (IpFamily family : kFamilies) ASSERT_TRUE(handle_[static_cast<int>(family)] = road_.Open(family));
  }

  IcmpSocketHandle& On(IpFamily family) { return *handle_[static_cast<int>(family)]; }
  EchoRequest ToTarget(IpFamily family, int ttl = 64, int bytes = 32) {
    return EchoTo(family, chain_->TargetIpv4(), chain_->TargetIpv6(), ttl, bytes);
  }
  // Beside the router: a slow router in front of three hosts of the TUN
  // path, one that answers after 600 ms, one that never answers and one
  // that answers with a wrong checksum.
  void StartTunPath() {
    tun_ = std::make_unique<TunPath>(network_, chain_->Client(),
                                     std::vector<TunHop>{{600}, {0, 100}, {0, 0, true}, {}});
    ASSERT_TRUE(tun_->ok());
  }
  EchoRequest ToHop(IpFamily family, int hop, int timeoutMs, int ttl = 64) {
    return EchoTo(family, TunPath::HopIpv4(hop), TunPath::HopIpv6(hop), ttl, 32, timeoutMs);
  }

  TestNetwork network_;
  std::unique_ptr<RoutedChain> chain_;
  EchoRoad road_;
  std::unique_ptr<IcmpSocketHandle> handle_[2];
  std::unique_ptr<TunPath> tun_;
};

TEST_P(IcmpNetwork, TtlOneIsAnsweredByTheRouterAndTtlTwoByTheTarget) {
  // 3000 bytes leave in fragments, and the router quotes the first one.
  for (int round = 0; round < 10; ++round) {  // every one answered: rate limits are off
    const int bytes = round % 2 ? 3000 : 32;
    for (IpFamily family : kFamilies) {
      SCOPED_TRACE(testing::Message() << "round " << round << (family == IpFamily::V4 ? " IPv4" : " IPv6"));
      const auto start = Clock::now();
      const IcmpEchoResult expired = On(family).Echo(ToTarget(family, 1, bytes));
      EXPECT_LT(MillisecondsSince(start), 1000);
      ASSERT_EQ(expired.status, EchoStatus::TtlExpired);
      EXPECT_EQ(expired.replyIpv4, family == IpFamily::V4 ? RoutedChain::RouterIpv4(1) : 0);
      EXPECT_EQ(expired.replyIpv6, family == IpFamily::V6 ? RoutedChain::RouterIpv6(1) : Ipv6Octets{});
      EXPECT_EQ(expired.replyTtl, family == IpFamily::V4 ? 64 : 0);  // the router's own, not yet decremented
      EXPECT_EQ(expired.dataSize, 0);                                // a router echoes none of our data

      const IcmpEchoResult reply = On(family).Echo(ToTarget(family, 2, bytes));
      ASSERT_EQ(reply.status, EchoStatus::Success);
      EXPECT_EQ(reply.replyIpv4, family == IpFamily::V4 ? chain_->TargetIpv4() : 0);
      EXPECT_EQ(reply.replyIpv6, family == IpFamily::V6 ? chain_->TargetIpv6() : Ipv6Octets{});
      EXPECT_EQ(reply.replyTtl, family == IpFamily::V4 ? 63 : 0);  // one router on the way back
      EXPECT_EQ(reply.dataSize, bytes);
    }
  }
}

TEST_P(IcmpNetwork, AnErrorFromTheRouterEndsTheEchoAtOnceAndALocalOneFailsTheSend) {
  const auto start = Clock::now();
  for (const char* net : {"10.203.0.9", "fd00:203::9"}) {
    const IpFamily family = std::strchr(net, ':') ? IpFamily::V6 : IpFamily::V4;
    EXPECT_EQ(On(family).Echo(EchoTo(family, Ipv4Of(net), Ipv6Of(net), 64, 32, 3000)).status,
              EchoStatus::OtherStatus)
        << net;
  }
  EXPECT_LT(MillisecondsSince(start), 1000);
  for (IpFamily family : kFamilies) {
    // The error for an earlier echo does not linger: the next one still works.
    EXPECT_EQ(On(family).Echo(ToTarget(family)).status, EchoStatus::Success);
    const IcmpEchoResult local = On(family).Echo(EchoTo(family, Ipv4Of("10.204.0.9"), Ipv6Of("fd00:204::9")));
    EXPECT_EQ(local.status, EchoStatus::SendFailed);
    EXPECT_NE(local.systemError, 0);
  }
}

TEST_P(IcmpNetwork, LargeEchoesCrossALinkWithASmallerMtu) {
  ASSERT_TRUE(chain_->SetLinkMtu(1, 1280));
  // IPv4 goes out without Don't-Fragment, so the router fragments it.
  const IcmpEchoResult v4 = On(IpFamily::V4).Echo(ToTarget(IpFamily::V4, 64, 1400));
  ASSERT_EQ(v4.status, EchoStatus::Success);
  EXPECT_EQ(v4.dataSize, 1400);
  // IPv6 routers never fragment: the first echo meets "packet too big",
  // which ends it at once; the kernel then fragments at the source.
  const auto start = Clock::now();
  EXPECT_EQ(On(IpFamily::V6).Echo(ToTarget(IpFamily::V6, 64, 1400)).status, EchoStatus::OtherStatus);
  EXPECT_LT(MillisecondsSince(start), 1000);
  const IcmpEchoResult v6 = On(IpFamily::V6).Echo(ToTarget(IpFamily::V6, 64, 1400));
  ASSERT_EQ(v6.status, EchoStatus::Success);
  EXPECT_EQ(v6.dataSize, 1400);
}

TEST_P(IcmpNetwork, LateAnswersNeitherAnswerNorHoldUpTheNextEcho) {
  StartTunPath();
  for (IpFamily family : kFamilies) {
    ASSERT_EQ(On(family).Echo(ToHop(family, 1, 200)).status, EchoStatus::TimedOut);
    // The first echo's reply arrives about 400 ms into this one; taking it
    // would end this echo early with a round trip below the delay.
    const IcmpEchoResult second = On(family).Echo(ToHop(family, 1, 3000));
    ASSERT_EQ(second.status, EchoStatus::Success);
    EXPECT_GE(second.roundTripMs, 600u);
    EXPECT_EQ(On(family).ForeignPackets(), 0u);

    // The slow router's "time exceeded" comes after the echo gave up and
    // waits on the socket while no echo does.
    const std::uint64_t answered = tun_->Answered();
    ASSERT_EQ(On(family).Echo(ToHop(family, 4, 200, 1)).status, EchoStatus::TimedOut);
    ASSERT_TRUE(WaitUntil([&] { return tun_->Answered() > answered; }));
    EXPECT_EQ(On(family).Echo(ToHop(family, 4, 2000)).status, EchoStatus::Success);
  }
}

TEST_P(IcmpNetwork, AnUnansweredEchoWaitsOutItsTimeoutAndABadChecksumIsNoAnswer) {
  StartTunPath();
  for (IpFamily family : kFamilies) {
    const auto start = Clock::now();
    const IcmpEchoResult lost = On(family).Echo(ToHop(family, 2, 300));
    const long long waited = MillisecondsSince(start);
    EXPECT_EQ(lost.status, EchoStatus::TimedOut);
    EXPECT_EQ(lost.replyIpv4, 0u);
    EXPECT_EQ(lost.roundTripMs, 0u);
    EXPECT_GE(waited, 300);
    EXPECT_LT(waited, 1000);
    // Raw IPv4 sockets see the packet before the kernel's ICMP code, so the
    // parser checks the sum; the other sockets rely on the kernel.
    EXPECT_EQ(On(family).Echo(ToHop(family, 3, 300)).status, EchoStatus::TimedOut);
  }
  EXPECT_EQ(tun_->Answered(), 2u);  // the two bad sums went out
}

INSTANTIATE_TEST_SUITE_P(Roads, IcmpNetwork, ::testing::Values(IcmpRoad::Raw, IcmpRoad::Datagram),
                         [](const auto& info) { return RoadName(info.param); });

}  // namespace
