// Ping runs with real echoes, on both socket roads: to loopback, through a
// kernel router of the test's own (TTL expired), and to a TUN host that
// drops a share of the echoes. All traffic stays on loopback or inside
// namespaces this test makes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <optional>
#include <string>

#include "PingRunFixture.h"
#include "engine/EchoServices.h"
#include "pages/TextHelpers.h"
#include "platform/SocketIcmpEcho.h"
#include "support/TestNetwork.h"
#include "support/TunResponder.h"

namespace {

const char* RoadName(IcmpRoad road) { return road == IcmpRoad::Raw ? "Raw" : "Datagram"; }

class PingRealEchoTest : public PingRunTest, public ::testing::WithParamInterface<IcmpRoad> {
 protected:
  void SetUp() override {
    PingRunTest::SetUp();
    if (geteuid() != 0) GTEST_SKIP() << "raw sockets and namespaces need root";
    if (const std::string why = TestNetwork::Unavailable(); !why.empty()) GTEST_SKIP() << why;
    SetEngineResolver(nullptr);  // the system's resolver: /etc/hosts and address literals only
  }
  void TearDown() override {
    PingRunTest::TearDown();  // ends every run before the echo service goes
    inside_.reset();
    echo_.reset();
  }

  // Moves the test (and every run it starts from now on) into `ns`, or, for
  // an empty name on the raw road, stays in the host's namespace. Then binds
  // the road under test there.
  void Enter(const std::string& ns) {
    if (GetParam() == IcmpRoad::Datagram) {
      ASSERT_FALSE(ns.empty());
      ASSERT_TRUE(network_.AllowDatagramPing(ns));
    }
    if (!ns.empty()) {
      inside_.emplace(ns);
      ASSERT_TRUE(inside_->ok());
    }
    const IcmpBinding binding =
        ProbeIcmpRoads(GetParam() == IcmpRoad::Raw ? IcmpRoadChoice::RawOnly : IcmpRoadChoice::DatagramOnly);
    ASSERT_EQ(binding.ipv4, GetParam());
    ASSERT_EQ(binding.ipv6, GetParam());
    echo_ = std::make_unique<SocketIcmpEcho>(binding);
    SetEngineIcmp(echo_.get());
  }
  void EnterLoopback() { Enter(GetParam() == IcmpRoad::Raw ? "" : network_.AddNamespace("dgram")); }

  TPingPage& Run(const std::string& host, int retries, bool resolveNames = false, int delay = 0) {
    TPingPage& page = AddPage(host);
    page.Retries = retries;
    page.Delay = delay;
    page.ResolveHostName = resolveNames;
    page.PingForAllIp = true;
    Start(page);
    EXPECT_TRUE(WaitIdle(page, std::chrono::seconds(20)));
    return page;
  }

  TestNetwork network_;
  std::optional<NetnsScope> inside_;
  std::unique_ptr<SocketIcmpEcho> echo_;
};

TEST_P(PingRealEchoTest, LoopbackAnswersEveryEchoOnBothFamilies) {
  EnterLoopback();
  struct Target {
    const char* host;
    std::uint8_t ttl;
  };
  for (const Target target : {Target{"127.0.0.1", 64}, Target{"::1", 0}}) {
    SCOPED_TRACE(target.host);
    TPingPage& page = Run(target.host, 5);
    ASSERT_EQ(page.ResultState, psOk);
    ASSERT_EQ(page.HostCount, 1);
    const THostResult& row = page.Hosts[0];
    EXPECT_EQ(row.Address, target.host);
    EXPECT_EQ(row.Sent, 5u);
    EXPECT_EQ(row.Received, 5u);
    EXPECT_EQ(row.Lost, 0u);
    EXPECT_LT(row.MaxTime, 1000);
    ASSERT_EQ(row.ReplyCount(), 5);
    for (const TReplyRecord& reply : row.Replies) {
      EXPECT_EQ(reply.Status, rsSuccess);
      EXPECT_EQ(reply.Ipv4, row.Ipv4);
      EXPECT_EQ(reply.Ipv6, row.Ipv6);
      EXPECT_EQ(reply.Bytes, 32);
      EXPECT_EQ(reply.Ttl, target.ttl);
    }
  }
}

TEST_P(PingRealEchoTest, LocalhostResolvesPingsAndGetsItsNameBack) {
  EnterLoopback();
  // The echoes last long enough (4 × 100 ms) for the lookup to answer.
  TPingPage& page = Run("localhost", 4, true, 100);
  ASSERT_EQ(page.ResultState, psOk);
  ASSERT_GE(page.HostCount, 1);
  EXPECT_EQ(page.Hosts[0].Address, "127.0.0.1");
  for (int i = 0; i < page.HostCount; ++i) {
    EXPECT_EQ(page.Hosts[static_cast<std::size_t>(i)].Sent, 4u);
    EXPECT_EQ(page.Hosts[static_cast<std::size_t>(i)].Received, 4u);
  }
  EXPECT_EQ(page.Hosts[0].HostName, "localhost");
}

TEST_P(PingRealEchoTest, ARouterAnswersTtlOneWithTtlExpiredAndNoData) {
  RoutedChain chain(network_, 1);
  ASSERT_TRUE(chain.ok());
  Enter(chain.Client());
  struct Target {
    std::string host;
    std::uint32_t routerIpv4;
    Ipv6Octets routerIpv6;
  };
  const Target targets[] = {{RoutedChain::Ipv4Text(1, true), RoutedChain::RouterIpv4(1), {}},
                            {RoutedChain::Ipv6Text(1, true), 0, RoutedChain::RouterIpv6(1)}};
  for (const Target& target : targets) {
    SCOPED_TRACE(target.host);
    TPingPage& page = AddPage(target.host);
    page.Retries = 3;
    page.Delay = 0;
    page.Ttl = 1;
    page.ResolveHostName = false;
    Start(page);
    ASSERT_TRUE(WaitIdle(page, std::chrono::seconds(20)));
    const THostResult& row = page.Hosts[0];
    EXPECT_EQ(row.Sent, 3u);
    EXPECT_EQ(row.Received, 3u);  // an expired TTL is an answer, of the router
    ASSERT_EQ(row.ReplyCount(), 3);
    for (const TReplyRecord& reply : row.Replies) {
      EXPECT_EQ(reply.Status, rsTtlExpired);
      EXPECT_EQ(reply.Ipv4, target.routerIpv4);
      EXPECT_EQ(reply.Ipv6, target.routerIpv6);
      EXPECT_EQ(reply.Bytes, 0);
    }
  }
}

TEST_P(PingRealEchoTest, LostEchoesOfALossyHostAreCountedAsLost) {
  const std::string ns = network_.AddNamespace("lossy");
  ASSERT_FALSE(ns.empty());
  TunResponderOptions options;
  options.delayMs = 20;
  options.lossPercent = 30;
  options.seed = 7;
  TunResponder responder(network_, ns, options);
  ASSERT_TRUE(responder.ok());
  Enter(ns);
  TPingPage& page = AddPage(Ipv4ToString(TunResponder::TargetIpv4()));
  page.Retries = 20;
  page.Delay = 0;
  page.TimeOut = 300;
  page.ResolveHostName = false;
  Start(page);
  ASSERT_TRUE(WaitIdle(page, std::chrono::seconds(30)));
  const THostResult& row = page.Hosts[0];
  EXPECT_EQ(row.Sent, 20u);
  EXPECT_EQ(row.Lost, responder.Dropped());
  EXPECT_EQ(row.Received, responder.Answered());
  EXPECT_GT(row.Lost, 0u);
  EXPECT_GE(row.MinTime, 20);
  for (const TReplyRecord& reply : row.Replies) {
    if (reply.Status == rsSuccess) {
      EXPECT_GE(reply.Time, 20);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Roads, PingRealEchoTest, ::testing::Values(IcmpRoad::Datagram, IcmpRoad::Raw),
                         [](const ::testing::TestParamInfo<IcmpRoad>& info) { return RoadName(info.param); });

}  // namespace
