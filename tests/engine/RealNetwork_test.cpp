// Runs with real echoes, inside namespaces the test makes itself: Trace
// route and Path ping through two kernel routers (one of them silenced with
// nftables) and along the TUN path's emulated delay and loss, Ping of a
// lossy host and IP range ping on loopback.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "HopRunFixture.h"
#include "PingRunFixture.h"
#include "RangeRunFixture.h"
#include "engine/EchoServices.h"
#include "pages/RowTexts.h"
#include "pages/TextHelpers.h"
#include "support/EchoRoad.h"
#include "support/TunPath.h"

namespace {

std::string Text(std::uint32_t ipv4) { return Ipv4ToString(ipv4); }
std::string Text(const Ipv6Octets& ipv6) { return Ipv6ToString(&ipv6); }

// The fixture's runs with real echoes: every run started after Enter echoes
// from that namespace on that road. Names still come from the fixture's
// fake resolver, which learns the address literals the test uses.
template <class Fixture>
class RealNetwork : public Fixture, public ::testing::WithParamInterface<IcmpRoad> {
 protected:
  void SetUp() override {
    Fixture::SetUp();
    if (const std::string why = TestNetwork::Unavailable(); !why.empty()) GTEST_SKIP() << why;
  }
  void Enter(const std::string& ns) {
    ASSERT_EQ(road_.Enter(network_, ns, this->GetParam()), "");
    SetEngineIcmp(&road_.Echo());
  }
  template <class Address>
  std::string Known(const Address& address) {
    const std::string text = Text(address);
    this->resolver_.hosts[text] = {text.find(':') == std::string::npos ? V4(text.c_str()) : V6(text.c_str())};
    return text;
  }

  TestNetwork network_;
  EchoRoad road_;
};

// Scenarios whose rules lie above the echo run on one road; the routers'
// answers to small and fragmented echoes on both.
using HopRealNetwork = RealNetwork<HopRunTest>;
using SilencedRouter = RealNetwork<HopRunTest>;
using EmulatedPath = RealNetwork<HopRunTest>;
using LossyHost = RealNetwork<PingRunTest>;
using LoopbackRange = RealNetwork<RangeRunTest>;
const auto kRoadName = [](const auto& info) { return std::string(RoadName(info.param)); };

TEST_P(HopRealNetwork, BothModesShowTheTwoRoutersThenTheTargetAlsoForFragmentedEchoes) {
  RoutedChain chain(network_, 2);
  ASSERT_TRUE(chain.ok());
  Enter(chain.Client());
  resolver_.names[Text(RoutedChain::RouterIpv4(1))] = "router-one.test";
  resolver_.names[Text(RoutedChain::RouterIpv6(1))] = "router-one.test";
  // 3000 bytes leave in fragments; routers quote the first one.
  struct Run {
    Mode mode;
    bool v6;
    int bytes;
    TPingPage* page;
    int runId;
  };
  std::vector<Run> runs;
  for (Mode mode : {Mode::Traceroute, Mode::PathPing})
    for (bool v6 : {false, true})
      for (int bytes : {32, 3000}) {
        TPingPage& page = AddPage(mode, v6 ? Known(chain.TargetIpv6()) : Known(chain.TargetIpv4()));
        page.Hops = 5;
        page.TimeOut = 1000;
        page.Delay = 100;  // long enough for the name of hop 1 to come back
        page.Bytes = bytes;
        page.ResolveHostName = true;
        Start(mode, page);  // all at once
        runs.push_back({mode, v6, bytes, &page, page.RunId});
      }
  for (const Run& run : runs) {
    SCOPED_TRACE(testing::Message() << ModeName(run.mode) << (run.v6 ? " IPv6 " : " IPv4 ") << run.bytes);
    const TPingPage& page = *run.page;
    ASSERT_TRUE(WaitIdle(page));
    ASSERT_EQ(page.ResultState, psOk);
    EXPECT_EQ(page.DestinationHop, 3);
    EXPECT_EQ(page.HostCount, 5);
    EXPECT_EQ(page.FinishedWorkers, 5);
    EXPECT_EQ(page.RunId, run.runId + 1);
    for (int slot = 0; slot < 5; ++slot) {
      SCOPED_TRACE(slot);
      const THostResult& hop = page.Hosts[static_cast<std::size_t>(slot)];
      const std::optional<HostRowText> row = HopRow(slot, hop);
      if (slot >= 3) {
        EXPECT_EQ(hop.State, -1);
        EXPECT_EQ(hop.ReplyCapacity, 0);
        EXPECT_EQ(hop.Replies.capacity(), 0u);
        EXPECT_FALSE(row);
        continue;
      }
      const std::uint32_t ipv4 = slot == 2 ? chain.TargetIpv4() : RoutedChain::RouterIpv4(slot + 1);
      const Ipv6Octets ipv6 = slot == 2 ? chain.TargetIpv6() : RoutedChain::RouterIpv6(slot + 1);
      EXPECT_EQ(hop.State, 0);
      EXPECT_EQ(hop.Address, run.v6 ? Text(ipv6) : Text(ipv4));
      EXPECT_EQ(hop.Ipv4, run.v6 ? 0 : ipv4);
      EXPECT_EQ(hop.Ipv6, run.v6 ? ipv6 : Ipv6Octets{});
      EXPECT_EQ(hop.HostName, slot == 0 ? "router-one.test" : "");
      ASSERT_TRUE(row);
      EXPECT_EQ(row->Texts[1], hop.Address);
      EXPECT_EQ(row->Image, ImageHost);
      EXPECT_EQ(hop.Sent, 2u);
      EXPECT_EQ(hop.Received, 2u);
      ASSERT_EQ(hop.ReplyCount(), 2);
      for (const TReplyRecord& reply : hop.Replies) {
        // A router's "TTL expired" is the answer its hop asks for. Trace
        // route hears routers by it, which echoes none of our data; Path
        // ping pings each router directly.
        EXPECT_EQ(reply.Status, rsSuccess);
        EXPECT_EQ(reply.Bytes, run.mode == Mode::PathPing || slot == 2 ? run.bytes : 0);
        EXPECT_EQ(reply.Ttl, run.v6 ? 0 : 64 - slot);  // one less per router on the way back
      }
    }
  }
  EXPECT_EQ(Finished().size(), runs.size());
  for (Mode mode : {Mode::Traceroute, Mode::PathPing}) {  // the page shown last
    EXPECT_EQ(ViewOf(mode).rows, (std::set<int>{0, 1, 2}));
    EXPECT_EQ(ViewOf(mode).running, (std::vector<bool>{true, false}));
  }
}

TEST_P(SilencedRouter, TraceRouteShowsAStarForItAndGoesOn) {
  RoutedChain chain(network_, 2);
  ASSERT_TRUE(chain.ok());
  ASSERT_TRUE(network_.SilenceTimeExceeded(chain.Router(2)));
  Enter(chain.Client());
  std::vector<TPingPage*> pages;
  for (const std::string& target : {Known(chain.TargetIpv4()), Known(chain.TargetIpv6())}) {
    TPingPage& page = AddPage(Mode::Traceroute, target);
    page.Hops = 4;
    page.TimeOut = 300;
    Start(Mode::Traceroute, page);
    pages.push_back(&page);
  }
  for (const TPingPage* page : pages) {
    SCOPED_TRACE(page->Host);
    ASSERT_TRUE(WaitIdle(*page));
    EXPECT_EQ(page->DestinationHop, 3);
    const std::optional<HostRowText> row = HopRow(1, page->Hosts[1]);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->Texts[1], "*");
    EXPECT_EQ(row->Texts[5], "2 (100%)");
    EXPECT_EQ(page->Hosts[0].State, 0);
    EXPECT_EQ(page->Hosts[2].State, 0);
    EXPECT_EQ(page->Hosts[2].Address, page->Host);
    EXPECT_EQ(page->Hosts[3].State, -1);
  }
}

TEST_P(EmulatedPath, PathPingMeasuresTheDelayAndLossOfEveryHop) {
  const std::string ns = network_.AddNamespace("tunpath");
  TunPath path(network_, ns, {{20}, {40, 30}, {60}});
  ASSERT_TRUE(path.ok());
  Enter(ns);
  TPingPage& page = AddPage(Mode::PathPing, Known(path.TargetIpv4()));
  page.Hops = 4;
  page.Retries = 10;
  page.TimeOut = 250;
  Start(Mode::PathPing, page);
  ASSERT_TRUE(WaitIdle(page));

  EXPECT_EQ(page.DestinationHop, 3);
  const std::uint32_t received[] = {10, 7, 10};  // 30 % of 10 lost at hop 2
  for (int slot = 0; slot < 3; ++slot) {
    SCOPED_TRACE(slot);
    const THostResult& hop = page.Hosts[static_cast<std::size_t>(slot)];
    const int delayMs = 20 * (slot + 1);
    EXPECT_EQ(hop.Address, Text(TunPath::HopIpv4(slot + 1)));
    EXPECT_EQ(hop.Sent, 10u);
    EXPECT_EQ(hop.Received, received[slot]);
    EXPECT_EQ(hop.Lost, 10u - received[slot]);
    EXPECT_GE(hop.MinTime, delayMs);
    EXPECT_LT(hop.AvgTime, delayMs + 100);
  }
  EXPECT_EQ(page.Hosts[3].State, -1);
}

TEST_P(LossyHost, PingCountsItsLostEchoesAsLost) {
  const std::string ns = network_.AddNamespace("lossy");
  TunPath path(network_, ns, {{20, 30}});
  ASSERT_TRUE(path.ok());
  Enter(ns);
  TPingPage& page = AddPage(Known(path.TargetIpv4()));
  page.Retries = 10;
  page.TimeOut = 300;
  Start(page);
  ASSERT_TRUE(WaitIdle(page));
  const THostResult& row = page.Hosts[0];
  EXPECT_EQ(row.Sent, 10u);
  EXPECT_EQ(row.Received, 7u);
  EXPECT_EQ(row.Lost, 3u);
  EXPECT_GE(row.MinTime, 20);
  for (const TReplyRecord& reply : row.Replies) EXPECT_TRUE(reply.Status != rsSuccess || reply.Time >= 20);
}

TEST_P(LoopbackRange, EveryAddressAnswers) {
  // Every address of 127.0.0.0/8 answers on the loopback device.
  Enter(network_.AddNamespace("range"));
  TRangePingPage& page = AddPage("127.3.0.70", "127.3.0.1", 16);
  page.Retries = 2;
  ASSERT_TRUE(Start(page));
  ASSERT_TRUE(WaitIdle(page));
  ASSERT_EQ(page.HostCount, 70);
  std::vector<std::uint32_t> addresses;
  for (int k = 0; k < page.HostCount; ++k) {
    const THostResult& host = *page.Hosts[static_cast<std::size_t>(k)];
    EXPECT_EQ(host.Sent, 2u) << host.Address;
    EXPECT_EQ(host.Received, 2u) << host.Address;
    ASSERT_EQ(host.ReplyCount(), 2);
    EXPECT_EQ(host.Replies[1].Ipv4, host.Ipv4);
    EXPECT_EQ(host.Replies[1].Bytes, 32);
    addresses.push_back(ntohl(host.Ipv4));
  }
  std::sort(addresses.begin(), addresses.end());
  EXPECT_EQ(addresses.front(), ntohl(Ipv4Of("127.3.0.1")));
  EXPECT_EQ(addresses.back(), ntohl(Ipv4Of("127.3.0.70")));
  EXPECT_EQ(std::adjacent_find(addresses.begin(), addresses.end()), addresses.end());
  EXPECT_EQ(Finished().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Roads, HopRealNetwork, ::testing::Values(IcmpRoad::Raw, IcmpRoad::Datagram),
                         kRoadName);
INSTANTIATE_TEST_SUITE_P(Road, SilencedRouter, ::testing::Values(IcmpRoad::Raw), kRoadName);
INSTANTIATE_TEST_SUITE_P(Road, EmulatedPath, ::testing::Values(IcmpRoad::Datagram), kRoadName);
INSTANTIATE_TEST_SUITE_P(Road, LossyHost, ::testing::Values(IcmpRoad::Raw), kRoadName);
INSTANTIATE_TEST_SUITE_P(Road, LoopbackRange, ::testing::Values(IcmpRoad::Datagram), kRoadName);

}  // namespace
