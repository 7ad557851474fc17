// The TUN responder that later tests use for delay and loss, proven against
// real echoes: every answer takes at least the delay, and the client loses
// exactly the requests that the responder dropped.
#include "support/TunResponder.h"

#include <gtest/gtest.h>

#include "platform/IcmpNamespaceFixture.h"

namespace {

TEST(TunResponderTest, AnswersAfterTheDelayAndDropsTheSetShare) {
  if (const std::string why = WhyNoNamespaces(); !why.empty()) GTEST_SKIP() << why;
  TestNetwork network;
  const std::string ns = network.AddNamespace("tun");
  ASSERT_FALSE(ns.empty());
  constexpr int kDelayMs = 40;
  TunResponder responder(network, ns, {kDelayMs, 25, 7});
  ASSERT_TRUE(responder.ok());
  IcmpInNamespace icmp;
  ASSERT_EQ(icmp.Enter(network, ns, IcmpRoad::Raw), "");

  int lost = 0;
  for (IpFamily family : {IpFamily::V4, IpFamily::V6}) {
    auto handle = icmp.Open(family);
    ASSERT_TRUE(handle);
    EchoRequest request;
    request.family = family;
    request.ipv4 = family == IpFamily::V4 ? TunResponder::TargetIpv4(9) : 0;
    request.ipv6 = family == IpFamily::V6 ? TunResponder::TargetIpv6(9) : Ipv6Octets{};
    request.timeoutMs = 150;
    for (int i = 0; i < 20; ++i) {
      const IcmpEchoResult result = handle->Echo(request);
      if (result.status == EchoStatus::TimedOut) {
        ++lost;
        continue;
      }
      ASSERT_EQ(result.status, EchoStatus::Success);
      EXPECT_GE(result.roundTripMs, static_cast<std::uint32_t>(kDelayMs));
      EXPECT_LT(result.roundTripMs, static_cast<std::uint32_t>(kDelayMs + 100));
      EXPECT_EQ(result.replyIpv4, request.ipv4);
      EXPECT_EQ(result.replyIpv6, family == IpFamily::V6 ? request.ipv6 : Ipv6Octets{});
    }
  }
  EXPECT_EQ(responder.Requests(), 40u);
  EXPECT_EQ(static_cast<std::uint64_t>(lost), responder.Dropped());
  EXPECT_EQ(responder.Answered() + responder.Dropped(), 40u);
  // A share of 25 % over 40 requests: neither none nor most of them.
  EXPECT_GT(lost, 2);
  EXPECT_LT(lost, 20);
}

}  // namespace
