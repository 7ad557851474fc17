// What Trace route and Path ping runs share, against a fake route: the hop
// rows, the destination and the trim, silent routers, missing handles,
// failed targets and Stop.
#include <gtest/gtest.h>

#include <tuple>

#include "HopRunFixture.h"
#include "pages/RowTexts.h"
#include "pages/Settings.h"

namespace {

class HopRouteTest : public HopRunTest, public ::testing::WithParamInterface<std::tuple<Mode, IpFamily>> {};

TEST_P(HopRouteTest, ShowsBothRoutersThenTheTargetAndDropsTheHopsBeyond) {
  const auto [mode, family] = GetParam();
  UseRoute(FakeRoute::TwoRouters(family));
  resolver_.names[route_.HopText(1)] = "router-one.test";
  TPingPage& page = AddPage(mode, family == IpFamily::V4 ? "target4" : "target6");
  page.Retries = 3;
  page.Delay = 100;  // long enough for the name of hop 1 to come back
  page.ResolveHostName = true;
  Start(mode, page);
  const int runId = page.RunId;
  ASSERT_TRUE(WaitIdle(page));

  EXPECT_EQ(page.ResultState, psOk);
  EXPECT_EQ(page.DestinationHop, 3);
  EXPECT_EQ(page.HostCount, 6);
  EXPECT_EQ(page.FinishedWorkers, 6);
  EXPECT_EQ(page.RunId, runId + 1);
  EXPECT_EQ(page.ReplyCapacity, 3);
  for (int hop = 1; hop <= 3; ++hop) {
    SCOPED_TRACE(hop);
    const THostResult& host = page.Hosts[static_cast<std::size_t>(hop) - 1];
    EXPECT_EQ(host.State, 0);
    EXPECT_EQ(host.Address, route_.HopText(hop));
    EXPECT_EQ(host.Ipv4, route_.HopIpv4(hop));
    EXPECT_EQ(host.Ipv6, family == IpFamily::V4 ? Ipv6Octets{} : route_.HopIpv6(hop));
    EXPECT_EQ(host.Sent, 3u);
    EXPECT_EQ(host.Received, 3u);
    EXPECT_EQ(host.Lost, 0u);
    EXPECT_EQ(host.AvgTime, 10 * hop);
    ASSERT_EQ(host.ReplyCount(), 3);
    for (const TReplyRecord& reply : host.Replies) {
      // A router's "TTL expired" is the answer its hop asks for.
      EXPECT_EQ(reply.Status, rsSuccess);
      EXPECT_EQ(reply.Ttl, family == IpFamily::V4 ? 64 - hop + 1 : 0);
    }
    const std::optional<HostRowText> row = HopRow(hop - 1, host);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->Texts[1], route_.HopText(hop));
    EXPECT_EQ(row->Image, ImageHost);
  }
  EXPECT_EQ(page.Hosts[0].HostName, "router-one.test");
  EXPECT_EQ(page.Hosts[1].HostName, "");
  for (int slot = 3; slot < 6; ++slot) {
    SCOPED_TRACE(slot);
    const THostResult& host = page.Hosts[static_cast<std::size_t>(slot)];
    EXPECT_EQ(host.State, -1);
    EXPECT_EQ(host.ReplyCount(), 0);
    EXPECT_EQ(host.ReplyCapacity, 0);
    EXPECT_EQ(host.Replies.capacity(), 0u);
    EXPECT_FALSE(HopRow(slot, host));
  }
  const RecordingHopView& view = ViewOf(mode);
  EXPECT_EQ(view.rows, (std::set<int>{0, 1, 2}));
  EXPECT_EQ(view.running, (std::vector<bool>{true, false}));
  ASSERT_EQ(Finished().size(), 1u);
  EXPECT_EQ(Finished()[0], std::make_pair(mode, 0));
}

INSTANTIATE_TEST_SUITE_P(ModesAndFamilies, HopRouteTest,
                         ::testing::Combine(::testing::Values(Mode::Traceroute, Mode::PathPing),
                                            ::testing::Values(IpFamily::V4, IpFamily::V6)),
                         [](const auto& info) {
                           return std::string(ModeName(std::get<0>(info.param))) +
                                  (std::get<1>(info.param) == IpFamily::V4 ? "Ipv4" : "Ipv6");
                         });

class HopModeTest : public HopRunTest, public ::testing::WithParamInterface<Mode> {};

TEST_P(HopModeTest, ASilentRouterKeepsItsStarAndTheRunGoesOn) {
  const Mode mode = GetParam();
  route_.silentHops = {2};
  UseRoute(route_);
  TPingPage& page = AddPage(mode, "target4");
  Start(mode, page);
  ASSERT_TRUE(WaitIdle(page));

  EXPECT_EQ(page.DestinationHop, 3);
  const THostResult& silent = page.Hosts[1];
  EXPECT_EQ(silent.State, 1);
  EXPECT_EQ(silent.Received, 0u);
  const std::optional<HostRowText> row = HopRow(1, silent);
  ASSERT_TRUE(row);
  EXPECT_EQ(row->Texts[1], "*");
  EXPECT_EQ(row->Image, ImageHostFailed);
  if (mode == Mode::Traceroute) {
    // Every echo of the hop is lost.
    EXPECT_EQ(silent.Sent, 2u);
    EXPECT_EQ(row->Texts[5], "2 (100%)");
    EXPECT_EQ(row->Texts[9], "Timeout");
  } else {
    // Path ping pings only routers it found: the hop has no statistics.
    EXPECT_EQ(silent.Sent, 0u);
    EXPECT_EQ(row->Texts[5], "0 (0%)");
  }
  EXPECT_EQ(page.Hosts[2].State, 0);
  EXPECT_EQ(page.Hosts[2].Received, 2u);
  EXPECT_EQ(ViewOf(mode).rows, (std::set<int>{0, 1, 2}));
}

TEST_P(HopModeTest, WithoutAnIcmpHandleEveryHopShowsErrorAndTheRunEnds) {
  const Mode mode = GetParam();
  UseRoute(FakeRoute::TwoRouters(IpFamily::V6));
  icmp_.canV6 = false;
  TPingPage& page = AddPage(mode, "target6");
  Start(mode, page);
  ASSERT_TRUE(WaitIdle(page, std::chrono::seconds(5)));

  EXPECT_EQ(icmp_.Echoes(), 0);
  EXPECT_EQ(page.DestinationHop, 0);
  for (int slot = 0; slot < 6; ++slot) {
    EXPECT_EQ(page.Hosts[static_cast<std::size_t>(slot)].State, 2) << slot;
    EXPECT_EQ(HopRow(slot, page.Hosts[static_cast<std::size_t>(slot)])->Texts[1], "Error");
  }
  EXPECT_EQ(ViewOf(mode).rows.size(), 6u);
  EXPECT_EQ(Finished().size(), 1u);
}

TEST_P(HopModeTest, AFailedTargetEndsTheRunAtOnceWithItsState) {
  const Mode mode = GetParam();
  struct Case {
    const char* host;
    std::uint8_t ipVersion;
    TPageResultState state;
  };
  const Case cases[] = {{"", 0, psHostNotFound},
                        {"nowhere.test", 0, psHostNotFound},
                        {"target6", 1, psNoIpv4Address},
                        {"target4", 2, psNoIpv6Address}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.host);
    GlobalOptions.IpVersion.store(c.ipVersion);
    TPingPage& page = AddPage(mode, c.host);
    const int rebuilt = ViewOf(mode).rowsRebuilt;
    Start(mode, page);
    ASSERT_TRUE(WaitIdle(page, std::chrono::seconds(3)));
    EXPECT_EQ(page.ResultState, c.state);
    EXPECT_EQ(ViewOf(mode).rowsRebuilt, rebuilt + 1);  // the view shows the state's row
  }
  EXPECT_EQ(icmp_.Echoes(), 0);
  EXPECT_TRUE(ViewOf(mode).added.empty());
  // The end-of-run actions run for every one of them.
  EXPECT_EQ(Finished().size(), 4u);
}

TEST_P(HopModeTest, StopFreezesTheRowsAndRunsNoEndOfRunActions) {
  const Mode mode = GetParam();
  icmp_.CloseGate();
  TPingPage& page = AddPage(mode, "target4");
  Start(mode, page);
  // Every hop's first echo is under way.
  ASSERT_TRUE(SpinUntil([&] { return icmp_.Waiting() == 6 && ViewOf(mode).rows.size() == 6; }));
  Stop(page);
  icmp_.OpenGate();
  ASSERT_TRUE(WaitAllEnded());

  for (int slot = 0; slot < 6; ++slot) {
    EXPECT_EQ(page.Hosts[static_cast<std::size_t>(slot)].State, 1) << slot;
    EXPECT_EQ(page.Hosts[static_cast<std::size_t>(slot)].Sent, 0u) << slot;
  }
  EXPECT_EQ(page.DestinationHop, 0);
  EXPECT_TRUE(Finished().empty());
  EXPECT_EQ(ViewOf(mode).running, std::vector<bool>{true});
}

TEST_P(HopModeTest, APageNotShownKeepsItsRecordsButMakesNoRows) {
  const Mode mode = GetParam();
  TPingPage& page = AddPage(mode, "target4");
  AddPage(mode, "other");  // now the shown one
  Start(mode, page);
  ASSERT_TRUE(WaitIdle(page));

  EXPECT_EQ(page.DestinationHop, 3);
  EXPECT_EQ(page.Hosts[2].State, 0);
  EXPECT_EQ(page.Hosts[3].State, -1);
  const RecordingHopView& view = ViewOf(mode);
  EXPECT_TRUE(view.added.empty());
  EXPECT_TRUE(view.running.empty());
  EXPECT_TRUE(view.gridLines.empty());
  EXPECT_EQ(Finished(), (std::vector<std::pair<Mode, int>>{{mode, 0}}));
}

TEST_P(HopModeTest, ARestartCutsTheOldRunWhoseLateResultsAreDropped) {
  const Mode mode = GetParam();
  icmp_.CloseGate();
  TPingPage& page = AddPage(mode, "target4");
  page.Hops = 3;
  page.ShowReplys = false;
  Start(mode, page);
  ASSERT_TRUE(SpinUntil([&] { return icmp_.Waiting() == 3; }));
  // The old run's echoes are still under way when the page starts again.
  Start(mode, page);
  EXPECT_EQ(Finished(), (std::vector<std::pair<Mode, int>>{{mode, 0}}));  // the cut run's actions
  icmp_.OpenGate();
  ASSERT_TRUE(WaitIdle(page));

  EXPECT_EQ(Finished().size(), 2u);
  EXPECT_EQ(page.ReplyCapacity, 0);
  for (int slot = 0; slot < 3; ++slot) {
    const THostResult& hop = page.Hosts[static_cast<std::size_t>(slot)];
    // Two echoes of the new run, none of the old one; no replies kept.
    EXPECT_EQ(hop.Sent, 2u) << slot;
    EXPECT_EQ(hop.Received, 2u) << slot;
    EXPECT_EQ(hop.ReplyCount(), 0) << slot;
  }
  EXPECT_TRUE(ViewOf(mode).gridLines.empty());
}

INSTANTIATE_TEST_SUITE_P(Modes, HopModeTest, ::testing::Values(Mode::Traceroute, Mode::PathPing),
                         [](const auto& info) { return std::string(ModeName(info.param)); });

}  // namespace
