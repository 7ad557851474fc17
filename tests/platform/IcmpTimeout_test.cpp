// Timeouts and late replies against the TUN responder, on both roads.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "platform/IcmpNamespaceFixture.h"
#include "support/TunResponder.h"

namespace {

using Clock = std::chrono::steady_clock;

long long MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

EchoRequest ToResponder(IpFamily family, int timeoutMs) {
  EchoRequest request;
  request.family = family;
  request.ipv4 = family == IpFamily::V4 ? TunResponder::TargetIpv4() : 0;
  request.ipv6 = family == IpFamily::V6 ? TunResponder::TargetIpv6() : Ipv6Octets{};
  request.timeoutMs = timeoutMs;
  return request;
}

class IcmpTimeouts : public ::testing::TestWithParam<IcmpRoad> {
 protected:
  // A responder in a namespace of its own; the test body runs inside it.
  void Start(TunResponderOptions options) {
    const std::string ns = network_.AddNamespace("late");
    ASSERT_FALSE(ns.empty());
    responder_ = std::make_unique<TunResponder>(network_, ns, options);
    ASSERT_TRUE(responder_->ok());
    ASSERT_EQ(icmp_.Enter(network_, ns, GetParam()), "");
  }
  void SetUp() override {
    if (const std::string why = WhyNoNamespaces(); !why.empty()) GTEST_SKIP() << why;
  }

  TestNetwork network_;
  std::unique_ptr<TunResponder> responder_;
  IcmpInNamespace icmp_;
};

TEST_P(IcmpTimeouts, ALateReplyToATimedOutEchoDoesNotAnswerTheNextOne) {
  Start({200, 0, 1});
  for (IpFamily family : {IpFamily::V4, IpFamily::V6}) {
    auto handle = icmp_.Open(family);
    ASSERT_TRUE(handle);
    const auto start = Clock::now();
    ASSERT_EQ(handle->Echo(ToResponder(family, 100)).status, EchoStatus::TimedOut);
    const long long waited = MillisecondsSince(start);
    EXPECT_GE(waited, 100);
    EXPECT_LT(waited, 190);
    // The first echo's reply arrives about 100 ms into this one; taking it
    // would end this echo early with a round trip below the delay.
    const IcmpEchoResult second = handle->Echo(ToResponder(family, 1000));
    ASSERT_EQ(second.status, EchoStatus::Success);
    EXPECT_GE(second.roundTripMs, 200u);
    EXPECT_EQ(handle->ForeignPackets(), 0u);
  }
}

TEST_P(IcmpTimeouts, AnUnansweredEchoWaitsOutItsTimeout) {
  Start({0, 100, 1});
  for (IpFamily family : {IpFamily::V4, IpFamily::V6}) {
    auto handle = icmp_.Open(family);
    ASSERT_TRUE(handle);
    const auto start = Clock::now();
    const IcmpEchoResult result = handle->Echo(ToResponder(family, 300));
    const long long waited = MillisecondsSince(start);
    EXPECT_EQ(result.status, EchoStatus::TimedOut);
    EXPECT_EQ(result.replyIpv4, 0u);
    EXPECT_EQ(result.roundTripMs, 0u);
    EXPECT_GE(waited, 300);
    EXPECT_LT(waited, 400);
  }
}

TEST_P(IcmpTimeouts, AReplyWithABadChecksumIsNoAnswer) {
  // Raw IPv4 sockets see the packet before the kernel's ICMP code, so the
  // parser checks the sum; raw ICMPv6 and datagram sockets rely on the kernel.
  Start({0, 0, 1, true});
  for (IpFamily family : {IpFamily::V4, IpFamily::V6}) {
    auto handle = icmp_.Open(family);
    ASSERT_TRUE(handle);
    EXPECT_EQ(handle->Echo(ToResponder(family, 200)).status, EchoStatus::TimedOut);
  }
  EXPECT_EQ(responder_->Answered(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Roads, IcmpTimeouts, ::testing::Values(IcmpRoad::Raw, IcmpRoad::Datagram),
                         [](const auto& info) { return RoadName(info.param); });

}  // namespace
