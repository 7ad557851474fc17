// Runs with real echoes, inside namespaces the test makes itself: Trace
// route and Path ping through two kernel routers (one of them silenced with
// nftables) and along the TUN path's emulated delay and loss, Ping of a
// lossy host and IP range ping on loopback.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "RunFixture.h"
#include "engine/EchoServices.h"
#include "pages/TextHelpers.h"
#include "support/TestNetwork.h"
#include "support/TunPath.h"

namespace {

// Every run started after Enter echoes from that namespace on that road.
// Names still come from the fixture's fake resolver, which learns the
// address literals the test uses, so that no lookup leaves the namespace.
class RealNetwork : public RunFixture {
 protected:
  void Enter(const std::string& ns, IcmpRoad road) {
    ASSERT_EQ(road_.Enter(network_, ns, road), "");
    SetEngineIcmp(&road_.Echo());
  }
  std::string Known(std::uint32_t ipv4) { return Known(Ipv4ToString(ipv4), {IpFamily::V4, ipv4, {}}); }
  std::string Known(const Ipv6Octets& ipv6) { return Known(Ipv6ToString(&ipv6), {IpFamily::V6, 0, ipv6}); }
  std::string Known(const std::string& text, const ResolvedAddress& address) {
    resolver_.hosts[text] = {address};
    return text;
  }

  TestNetwork network_;
  EchoRoad road_;
};

// The routers' answers to small and fragmented echoes on both roads; the
// scenarios whose rules lie above the echo on one.
class RoutedChainOnBothRoads : public RealNetwork, public ::testing::WithParamInterface<IcmpRoad> {};

TEST_P(RoutedChainOnBothRoads, BothModesShowTheTwoRoutersThenTheTargetAndASilencedRouterAStar) {
  RoutedChain chain(network_, 2);
  ASSERT_TRUE(chain.ok());
  ASSERT_NO_FATAL_FAILURE(Enter(chain.Client(), GetParam()));
  const Ipv6Octets routerOne6 = RoutedChain::RouterIpv6(1);
  resolver_.names[Ipv4ToString(RoutedChain::RouterIpv4(1))] = resolver_.names[Ipv6ToString(&routerOne6)] =
      "router-one.test";
  // 3000 bytes leave in fragments; routers quote the first one.
  std::vector<std::tuple<Mode, bool, int, const TPingPage*>> runs;  // mode, IPv6, bytes, page
  for (Mode mode : {Mode::Traceroute, Mode::PathPing})
    for (bool v6 : {false, true})
      for (int bytes : {32, 3000}) {
        TPingPage& page = AddPage(mode, v6 ? Known(chain.TargetIpv6()) : Known(chain.TargetIpv4()));
        page.Hops = 5;
        page.Retries = 2;
        page.Delay = 100;  // long enough for the name of hop 1 to come back
        page.Bytes = bytes;
        page.ResolveHostName = true;
        ASSERT_TRUE(Start(mode, page));  // all at once
        runs.emplace_back(mode, v6, bytes, &page);
      }
  for (const auto& [mode, v6, bytes, run] : runs) {
    SCOPED_TRACE(testing::Message() << ModeWord(mode) << (v6 ? " IPv6 " : " IPv4 ") << bytes);
    const TPingPage& page = *run;
    ASSERT_TRUE(WaitIdle(page));
    ASSERT_EQ(page.ResultState, psOk);
    EXPECT_EQ(page.DestinationHop, 3);
    EXPECT_EQ(page.FinishedWorkers, 5);
    for (int slot = 0; slot < 5; ++slot) {
      SCOPED_TRACE(slot);
      const THostResult& hop = page.Hosts[static_cast<std::size_t>(slot)];
      EXPECT_EQ(hop.State, slot < 3 ? 0 : -1);
      if (slot >= 3) continue;
      const std::uint32_t ipv4 = slot == 2 ? chain.TargetIpv4() : RoutedChain::RouterIpv4(slot + 1);
      const Ipv6Octets ipv6 = slot == 2 ? chain.TargetIpv6() : RoutedChain::RouterIpv6(slot + 1);
      EXPECT_EQ(hop.Address, v6 ? Ipv6ToString(&ipv6) : Ipv4ToString(ipv4));
      EXPECT_EQ(hop.Ipv4, v6 ? 0 : ipv4);
      EXPECT_EQ(hop.Ipv6, v6 ? ipv6 : Ipv6Octets{});
      EXPECT_EQ(hop.HostName, slot == 0 ? "router-one.test" : "");
      ASSERT_EQ(hop.ReplyCount(), 2);
      for (const TReplyRecord& reply : hop.Replies) {
        // A router's "TTL expired" is the answer its hop asks for. Trace
        // route hears routers by it, which echoes none of our data; Path
        // ping pings each router directly.
        EXPECT_EQ(reply.Status, rsSuccess);
        EXPECT_EQ(reply.Bytes, mode == Mode::PathPing || slot == 2 ? bytes : 0);
        EXPECT_EQ(reply.Ttl, v6 ? 0 : 64 - slot);  // one less per router on the way back
      }
    }
  }
  EXPECT_EQ(Finished().size(), runs.size());
  for (Mode mode : {Mode::Traceroute, Mode::PathPing}) {  // the page shown last
    EXPECT_EQ(ViewOf(mode).rows, (std::set<int>{0, 1, 2}));
    EXPECT_EQ(ViewOf(mode).running, (std::vector<bool>{true, false}));
  }

  // Router 2 still forwards but sends no "time exceeded": Trace route shows
  // a star for it and goes on.
  ASSERT_TRUE(network_.SilenceTimeExceeded(chain.Router(2)));
  std::vector<TPingPage*> silenced;
  for (const std::string& target : {Known(chain.TargetIpv4()), Known(chain.TargetIpv6())}) {
    TPingPage& page = AddPage(Mode::Traceroute, target);
    page.Hops = 4;
    page.Retries = 2;
    page.TimeOut = 300;
    ASSERT_TRUE(Start(Mode::Traceroute, page));
    silenced.push_back(&page);
  }
  for (const TPingPage* page : silenced) {
    SCOPED_TRACE(page->Host);
    ASSERT_TRUE(WaitIdle(*page));
    EXPECT_EQ(page->DestinationHop, 3);
    EXPECT_EQ(page->Hosts[1].State, 1);  // "*"
    EXPECT_EQ(page->Hosts[1].Lost, 2u);
    EXPECT_EQ(page->Hosts[2].Address, page->Host);
    EXPECT_EQ(page->Hosts[3].State, -1);
  }
}

TEST_F(RealNetwork, PathPingMeasuresTheDelayAndLossOfEveryHopAndPingCountsALossyHostsLosses) {
  const std::string ns = network_.AddNamespace("tunpath");
  TunPath path(network_, ns, {{20}, {40, 30}, {60}});
  ASSERT_TRUE(path.ok());
  ASSERT_NO_FATAL_FAILURE(Enter(ns, IcmpRoad::Datagram));
  TPingPage& page = AddPage(Mode::PathPing, Known(path.TargetIpv4()));
  page.Hops = 4;
  page.Retries = 10;
  page.TimeOut = 250;
  ASSERT_TRUE(Start(Mode::PathPing, page));
  ASSERT_TRUE(WaitIdle(page));
  EXPECT_EQ(page.DestinationHop, 3);
  const std::uint32_t received[] = {10, 7, 10};  // 30 % of 10 lost at hop 2
  for (int slot = 0; slot < 3; ++slot) {
    SCOPED_TRACE(slot);
    const THostResult& hop = page.Hosts[static_cast<std::size_t>(slot)];
    const int delayMs = 20 * (slot + 1);
    EXPECT_EQ(hop.Address, Ipv4ToString(TunPath::HopIpv4(slot + 1)));
    EXPECT_EQ(hop.Sent, 10u);
    EXPECT_EQ(hop.Received, received[slot]);
    EXPECT_GE(hop.MinTime, delayMs);
    EXPECT_LT(hop.AvgTime, delayMs + 100);
  }

  // Hop 2 pinged as a host: it drops 3 of any 10 echoes.
  TPingPage& lossy = AddPage(Mode::Ping, Known(TunPath::HopIpv4(2)));
  lossy.Retries = 10;
  lossy.TimeOut = 250;
  ASSERT_TRUE(Start(Mode::Ping, lossy));
  ASSERT_TRUE(WaitIdle(lossy));
  EXPECT_EQ(lossy.Hosts[0].Sent, 10u);
  EXPECT_EQ(lossy.Hosts[0].Received, 7u);
  EXPECT_GE(lossy.Hosts[0].MinTime, 40);
}

TEST_F(RealNetwork, IpRangePingOnLoopbackHearsEveryAddressOnce) {
  // Every address of 127.0.0.0/8 answers on the loopback device.
  ASSERT_NO_FATAL_FAILURE(Enter(network_.AddNamespace("range"), IcmpRoad::Raw));
  TRangePingPage& page = AddRangePage("127.3.0.70", "127.3.0.1", 16);
  page.Retries = 2;
  ASSERT_TRUE(Start(Mode::RangePing, page));
  ASSERT_TRUE(WaitIdle(page));
  std::set<std::uint32_t> addresses;
  for (const THostResult* host : Rows(Mode::RangePing, page)) {
    EXPECT_EQ(host->Received, 2u) << host->Address;
    ASSERT_EQ(host->ReplyCount(), 2);
    EXPECT_EQ(host->Replies[1].Ipv4, host->Ipv4);
    EXPECT_EQ(host->Replies[1].Bytes, 32);
    addresses.insert(ntohl(host->Ipv4));
  }
  EXPECT_EQ(page.HostCount, 70);
  EXPECT_EQ(addresses.size(), 70u);
  EXPECT_EQ(*addresses.begin(), ntohl(Ipv4Of("127.3.0.1")));
  EXPECT_EQ(*addresses.rbegin(), ntohl(Ipv4Of("127.3.0.70")));
  EXPECT_EQ(Finished().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Roads, RoutedChainOnBothRoads, ::testing::Values(IcmpRoad::Raw, IcmpRoad::Datagram),
                         [](const auto& info) { return std::string(EchoRoad::Name(info.param)); });

}  // namespace
