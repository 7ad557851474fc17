// Echoes through a real kernel router: client - router - target, each in a
// namespace of the test's own, on both socket roads.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "platform/IcmpNamespaceFixture.h"

namespace {

using Clock = std::chrono::steady_clock;

long long MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

EchoRequest Echo4(std::uint32_t target, int ttl, int bytes = 32, int timeoutMs = 3000) {
  EchoRequest request;
  request.family = IpFamily::V4;
  request.ipv4 = target;
  request.ttl = ttl;
  request.bytes = bytes;
  request.timeoutMs = timeoutMs;
  return request;
}

EchoRequest Echo6(const Ipv6Octets& target, int hops, int bytes = 32, int timeoutMs = 3000) {
  EchoRequest request;
  request.family = IpFamily::V6;
  request.ipv6 = target;
  request.ttl = hops;
  request.bytes = bytes;
  request.timeoutMs = timeoutMs;
  return request;
}

class IcmpThroughRouter : public ::testing::TestWithParam<IcmpRoad> {
 protected:
  void SetUp() override {
    if (const std::string why = WhyNoNamespaces(); !why.empty()) GTEST_SKIP() << why;
    chain_ = std::make_unique<RoutedChain>(network_, 1);
    ASSERT_TRUE(chain_->ok());
    const std::string& router = chain_->Router(1);
    // Routes that the router refuses with an ICMP error, and one that the
    // client itself knows to be unreachable.
    ASSERT_TRUE(network_.Ip(router, "route add unreachable 10.203.0.0/24"));
    ASSERT_TRUE(network_.Ip(router, "route add prohibit 10.205.0.0/24"));
    ASSERT_TRUE(network_.Ip(router, "-6 route add unreachable fd00:203::/64"));
    ASSERT_TRUE(network_.Ip(chain_->Client(), "route add unreachable 10.204.0.0/24"));
    ASSERT_TRUE(network_.Ip(chain_->Client(), "-6 route add unreachable fd00:204::/64"));
    ASSERT_EQ(icmp_.Enter(network_, chain_->Client(), GetParam()), "");
    v4_ = icmp_.Open(IpFamily::V4);
    v6_ = icmp_.Open(IpFamily::V6);
    ASSERT_TRUE(v4_ && v6_);
  }

  TestNetwork network_;
  std::unique_ptr<RoutedChain> chain_;
  IcmpInNamespace icmp_;
  std::unique_ptr<IcmpSocketHandle> v4_;
  std::unique_ptr<IcmpSocketHandle> v6_;
};

TEST_P(IcmpThroughRouter, TtlOneIsAnsweredByTheRouterAndTtlTwoByTheTarget) {
  for (int round = 0; round < 10; ++round) {  // every one answered: rate limits are off
    const auto start = Clock::now();
    const IcmpEchoResult expired = v4_->Echo(Echo4(chain_->TargetIpv4(), 1));
    EXPECT_LT(MillisecondsSince(start), 1000);
    ASSERT_EQ(expired.status, EchoStatus::TtlExpired) << round;
    EXPECT_EQ(expired.replyIpv4, RoutedChain::RouterIpv4(1));
    EXPECT_EQ(expired.replyTtl, 64);  // the router's own TTL, not yet decremented
    EXPECT_EQ(expired.dataSize, 0);   // a router echoes none of our data

    const IcmpEchoResult expired6 = v6_->Echo(Echo6(chain_->TargetIpv6(), 1));
    ASSERT_EQ(expired6.status, EchoStatus::TtlExpired) << round;
    EXPECT_EQ(expired6.replyIpv6, RoutedChain::RouterIpv6(1));
    EXPECT_EQ(expired6.replyIpv4, 0u);
    EXPECT_EQ(expired6.replyTtl, 0);
    EXPECT_EQ(expired6.dataSize, 0);
  }
  const IcmpEchoResult reply = v4_->Echo(Echo4(chain_->TargetIpv4(), 2, 100));
  ASSERT_EQ(reply.status, EchoStatus::Success);
  EXPECT_EQ(reply.replyIpv4, chain_->TargetIpv4());
  EXPECT_EQ(reply.replyTtl, 63);  // one router on the way back
  EXPECT_EQ(reply.dataSize, 100);
  const IcmpEchoResult reply6 = v6_->Echo(Echo6(chain_->TargetIpv6(), 2, 100));
  ASSERT_EQ(reply6.status, EchoStatus::Success);
  EXPECT_EQ(reply6.replyIpv6, chain_->TargetIpv6());
  EXPECT_EQ(reply6.dataSize, 100);
}

TEST_P(IcmpThroughRouter, AnErrorFromTheRouterEndsTheEchoAtOnce) {
  const auto start = Clock::now();
  EXPECT_EQ(v4_->Echo(Echo4(Ipv4Of("10.203.0.9"), 64)).status, EchoStatus::OtherStatus);
  EXPECT_EQ(v4_->Echo(Echo4(Ipv4Of("10.205.0.9"), 64)).status, EchoStatus::OtherStatus);
  EXPECT_EQ(v6_->Echo(Echo6(Ipv6Of("fd00:203::9"), 64)).status, EchoStatus::OtherStatus);
  EXPECT_LT(MillisecondsSince(start), 1500);  // three echoes, each with a timeout of 3000 ms
  // The error for an earlier echo does not linger: the next one still works.
  EXPECT_EQ(v4_->Echo(Echo4(chain_->TargetIpv4(), 64)).status, EchoStatus::Success);
  EXPECT_EQ(v6_->Echo(Echo6(chain_->TargetIpv6(), 64)).status, EchoStatus::Success);
}

TEST_P(IcmpThroughRouter, ALocallyUnreachableTargetFailsTheSend) {
  const IcmpEchoResult v4 = v4_->Echo(Echo4(Ipv4Of("10.204.0.9"), 64));
  EXPECT_EQ(v4.status, EchoStatus::SendFailed);
  EXPECT_NE(v4.systemError, 0);
  const IcmpEchoResult v6 = v6_->Echo(Echo6(Ipv6Of("fd00:204::9"), 64));
  EXPECT_EQ(v6.status, EchoStatus::SendFailed);
  EXPECT_NE(v6.systemError, 0);
}

TEST_P(IcmpThroughRouter, LargeEchoesCrossALinkWithASmallerMtu) {
  ASSERT_TRUE(chain_->SetLinkMtu(1, 1280));
  // IPv4 goes out without Don't-Fragment, so the router fragments it.
  const IcmpEchoResult v4 = v4_->Echo(Echo4(chain_->TargetIpv4(), 64, 1400));
  ASSERT_EQ(v4.status, EchoStatus::Success);
  EXPECT_EQ(v4.dataSize, 1400);
  // IPv6 routers never fragment: the first echo meets "packet too big",
  // which ends it at once; the kernel then fragments at the source.
  const auto start = Clock::now();
  EXPECT_EQ(v6_->Echo(Echo6(chain_->TargetIpv6(), 64, 1400)).status, EchoStatus::OtherStatus);
  EXPECT_LT(MillisecondsSince(start), 1000);
  const IcmpEchoResult v6 = v6_->Echo(Echo6(chain_->TargetIpv6(), 64, 1400));
  ASSERT_EQ(v6.status, EchoStatus::Success);
  EXPECT_EQ(v6.dataSize, 1400);
}

INSTANTIATE_TEST_SUITE_P(Roads, IcmpThroughRouter, ::testing::Values(IcmpRoad::Raw, IcmpRoad::Datagram),
                         [](const auto& info) { return RoadName(info.param); });

}  // namespace
