// Trace route and Path ping runs with real echoes: through kernel routers of
// the test's own namespaces (client - router 1 - router 2 - target), with a
// router that sends no "time exceeded", and through the TUN responder's
// emulated path with known per-hop delay and loss. All traffic stays inside
// namespaces this test makes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <optional>
#include <string>

#include "HopRunFixture.h"
#include "engine/EchoServices.h"
#include "pages/RowTexts.h"
#include "pages/TextHelpers.h"
#include "platform/SocketIcmpEcho.h"
#include "support/RouterFilter.h"
#include "support/TestNetwork.h"
#include "support/TunResponder.h"

namespace {

const char* RoadName(IcmpRoad road) { return road == IcmpRoad::Raw ? "Raw" : "Datagram"; }

class HopRealNetworkTest : public HopRunTest {
 protected:
  void SetUp() override {
    HopRunTest::SetUp();
    if (geteuid() != 0) GTEST_SKIP() << "raw sockets and namespaces need root";
    if (const std::string why = TestNetwork::Unavailable(); !why.empty()) GTEST_SKIP() << why;
    SetEngineResolver(nullptr);  // address literals only
  }
  void TearDown() override {
    HopRunTest::TearDown();  // ends every run before the echo service goes
    inside_.reset();
    echo_.reset();
  }

  // Moves the test, and every run it starts from now on, into `ns` and binds
  // the road there.
  void Enter(const std::string& ns, IcmpRoad road) {
    if (road == IcmpRoad::Datagram) {
      ASSERT_TRUE(network_.AllowDatagramPing(ns));
    }
    inside_.emplace(ns);
    ASSERT_TRUE(inside_->ok());
    const IcmpBinding binding =
        ProbeIcmpRoads(road == IcmpRoad::Raw ? IcmpRoadChoice::RawOnly : IcmpRoadChoice::DatagramOnly);
    ASSERT_EQ(binding.ipv4, road);
    ASSERT_EQ(binding.ipv6, road);
    echo_ = std::make_unique<SocketIcmpEcho>(binding);
    SetEngineIcmp(echo_.get());
  }

  TPingPage& Run(Mode mode, const std::string& host, int hops, int retries, int timeOut) {
    TPingPage& page = AddPage(mode, host);
    page.Hops = hops;
    page.Retries = retries;
    page.TimeOut = timeOut;
    Start(mode, page);
    EXPECT_TRUE(WaitIdle(page, std::chrono::seconds(30)));
    return page;
  }

  TestNetwork network_;
  std::optional<NetnsScope> inside_;
  std::unique_ptr<SocketIcmpEcho> echo_;
};

std::string AddressText(std::uint32_t ipv4) { return Ipv4ToString(ipv4); }
std::string AddressText(const Ipv6Octets& ipv6) { return Ipv6ToString(&ipv6); }

class HopThroughRoutersTest : public HopRealNetworkTest, public ::testing::WithParamInterface<IcmpRoad> {};

TEST_P(HopThroughRoutersTest, BothModesShowExactlyTheTwoRoutersThenTheTarget) {
  RoutedChain chain(network_, 2);
  ASSERT_TRUE(chain.ok());
  Enter(chain.Client(), GetParam());
  for (Mode mode : {Mode::Traceroute, Mode::PathPing}) {
    for (bool v6 : {false, true}) {
      SCOPED_TRACE(std::string(ModeName(mode)) + (v6 ? " IPv6" : " IPv4"));
      const std::string target = v6 ? AddressText(chain.TargetIpv6()) : AddressText(chain.TargetIpv4());
      const std::string hopText[3] = {
          v6 ? AddressText(RoutedChain::RouterIpv6(1)) : AddressText(RoutedChain::RouterIpv4(1)),
          v6 ? AddressText(RoutedChain::RouterIpv6(2)) : AddressText(RoutedChain::RouterIpv4(2)), target};
      TPingPage& page = Run(mode, target, 5, 2, 1000);
      ASSERT_EQ(page.ResultState, psOk);
      EXPECT_EQ(page.DestinationHop, 3);
      for (int slot = 0; slot < 3; ++slot) {
        SCOPED_TRACE(slot);
        const THostResult& hop = page.Hosts[static_cast<std::size_t>(slot)];
        EXPECT_EQ(hop.State, 0);
        EXPECT_EQ(hop.Address, hopText[slot]);
        EXPECT_EQ(hop.Sent, 2u);
        EXPECT_EQ(hop.Received, 2u);
        ASSERT_EQ(hop.ReplyCount(), 2);
        // Trace route hears routers by their "time exceeded", which echoes
        // none of our data; Path ping pings each router directly.
        const bool echoedData = mode == Mode::PathPing || slot == 2;
        EXPECT_EQ(hop.Replies[0].Bytes, echoedData ? 32 : 0);
        EXPECT_EQ(hop.Replies[0].Ttl, v6 ? 0 : 64 - slot);  // one hop less per router on the way back
      }
      for (int slot = 3; slot < 5; ++slot) {
        EXPECT_EQ(page.Hosts[static_cast<std::size_t>(slot)].State, -1) << slot;
        EXPECT_EQ(page.Hosts[static_cast<std::size_t>(slot)].ReplyCapacity, 0) << slot;
      }
      EXPECT_EQ(ViewOf(mode).rows, (std::set<int>{0, 1, 2}));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Roads, HopThroughRoutersTest, ::testing::Values(IcmpRoad::Raw, IcmpRoad::Datagram),
                         [](const auto& info) { return std::string(RoadName(info.param)); });

TEST_F(HopRealNetworkTest, ARouterThatSendsNoTimeExceededShowsAStarAndTheRunGoesOn) {
  if (const std::string why = NftUnavailable(); !why.empty()) GTEST_SKIP() << why;
  RoutedChain chain(network_, 2);
  ASSERT_TRUE(chain.ok());
  ASSERT_TRUE(SilenceTimeExceeded(chain.Router(2)));
  Enter(chain.Client(), IcmpRoad::Raw);
  struct Case {
    Mode mode;
    std::string target;
  };
  const Case cases[] = {{Mode::Traceroute, AddressText(chain.TargetIpv4())},
                        {Mode::Traceroute, AddressText(chain.TargetIpv6())},
                        {Mode::PathPing, AddressText(chain.TargetIpv4())}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(ModeName(c.mode)) + " " + c.target);
    TPingPage& page = Run(c.mode, c.target, 4, 2, 300);
    EXPECT_EQ(page.DestinationHop, 3);
    const THostResult& silent = page.Hosts[1];
    EXPECT_EQ(silent.State, 1);
    EXPECT_EQ(silent.Received, 0u);
    const std::optional<HostRowText> row = HopRow(1, silent);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->Texts[1], "*");
    // Trace route loses every echo of the hop; Path ping never found its
    // router, so it has nothing to ping.
    EXPECT_EQ(row->Texts[5], c.mode == Mode::Traceroute ? "2 (100%)" : "0 (0%)");
    EXPECT_EQ(page.Hosts[0].State, 0);
    EXPECT_EQ(page.Hosts[2].State, 0);
    EXPECT_EQ(page.Hosts[2].Address, c.target);
    EXPECT_EQ(page.Hosts[3].State, -1);
  }
}

TEST_F(HopRealNetworkTest, PathPingMeasuresTheEmulatedDelayAndLossOfEveryHop) {
  const std::string ns = network_.AddNamespace("tunpath");
  ASSERT_FALSE(ns.empty());
  TunResponderOptions options;
  options.delayMs = 60;  // the target
  TunResponder responder(network_, ns, options, {{20, 0, false}, {40, 30, false}, {0, 0, true}});
  ASSERT_TRUE(responder.ok());
  Enter(ns, IcmpRoad::Raw);
  TPingPage& page = Run(Mode::PathPing, AddressText(TunResponder::TargetIpv4()), 5, 10, 400);

  EXPECT_EQ(page.DestinationHop, 4);
  struct Expected {
    std::string address;
    std::uint32_t received;
    int delayMs;
  };
  const Expected expected[] = {{AddressText(TunPath::HopIpv4(1)), 10, 20},
                               {AddressText(TunPath::HopIpv4(2)), 7, 40},  // 30 % of 10 lost
                               {"*", 0, 0},
                               {AddressText(TunResponder::TargetIpv4()), 10, 60}};
  for (int slot = 0; slot < 4; ++slot) {
    SCOPED_TRACE(slot);
    const THostResult& hop = page.Hosts[static_cast<std::size_t>(slot)];
    const Expected& e = expected[slot];
    EXPECT_EQ(HopRow(slot, hop)->Texts[1], e.address);
    if (e.received == 0) {
      EXPECT_EQ(hop.Sent, 0u);
      continue;
    }
    EXPECT_EQ(hop.Sent, 10u);
    EXPECT_EQ(hop.Received, e.received);
    EXPECT_EQ(hop.Lost, 10u - e.received);
    EXPECT_GE(hop.MinTime, e.delayMs);
    EXPECT_GE(hop.AvgTime, e.delayMs);
    EXPECT_LT(hop.AvgTime, e.delayMs + 40);
  }
  EXPECT_EQ(page.Hosts[4].State, -1);
}

TEST_F(HopRealNetworkTest, TraceRouteSeesTheEmulatedPathOverIpv6) {
  const std::string ns = network_.AddNamespace("tunpath6");
  ASSERT_FALSE(ns.empty());
  TunResponderOptions options;
  options.delayMs = 30;
  TunResponder responder(network_, ns, options, {{10, 0, false}, {0, 0, true}, {20, 0, false}});
  ASSERT_TRUE(responder.ok());
  Enter(ns, IcmpRoad::Raw);
  TPingPage& page = Run(Mode::Traceroute, AddressText(TunResponder::TargetIpv6()), 6, 3, 300);

  EXPECT_EQ(page.DestinationHop, 4);
  const std::string addresses[] = {AddressText(TunPath::HopIpv6(1)), "*", AddressText(TunPath::HopIpv6(3)),
                                   AddressText(TunResponder::TargetIpv6())};
  const int delays[] = {10, 0, 20, 30};
  for (int slot = 0; slot < 4; ++slot) {
    SCOPED_TRACE(slot);
    const THostResult& hop = page.Hosts[static_cast<std::size_t>(slot)];
    EXPECT_EQ(HopRow(slot, hop)->Texts[1], addresses[slot]);
    EXPECT_EQ(hop.Sent, 3u);
    EXPECT_EQ(hop.Received, slot == 1 ? 0u : 3u);
    if (slot != 1) {
      EXPECT_GE(hop.AvgTime, delays[slot]);
    }
  }
  EXPECT_EQ(page.Hosts[4].State, -1);
  EXPECT_EQ(page.Hosts[5].State, -1);
}

}  // namespace
