// Ping runs end to end against a fake echo: rows, statistics, the replies
// grid, the page's run state, and the edge cases where a run is cut short.
#include <gtest/gtest.h>

#include <string>

#include "PingRunFixture.h"
#include "pages/Settings.h"
#include "pages/TextHelpers.h"
#include "support/TestNetwork.h"

namespace {

void Configure(TPingPage& page, const EchoRunSettings& settings) {
  page.Retries = settings.Retries;
  page.Delay = settings.Delay;
  page.ResolveHostName = settings.ResolveHostName;
}

TEST_F(PingRunTest, ACountRunFillsItsRowAndGridAndEndsByItself) {
  TPingPage& page = AddPage("127.0.0.1");
  Configure(page, CountSettings(3));
  const int runId = Start(page);
  ASSERT_NE(page.Worker, nullptr);
  ASSERT_TRUE(WaitIdle(page));

  EXPECT_EQ(page.ResultState, psOk);
  ASSERT_EQ(page.HostCount, 1);
  const THostResult& row = page.Hosts[0];
  EXPECT_EQ(row.Address, "127.0.0.1");
  EXPECT_EQ(row.Ipv4, Ipv4Of("127.0.0.1"));
  EXPECT_EQ(row.State, 0);
  EXPECT_EQ(row.Sent, 3u);
  EXPECT_EQ(row.Received, 3u);
  EXPECT_EQ(row.Lost, 0u);
  ASSERT_EQ(row.ReplyCount(), 3);
  for (const TReplyRecord& reply : row.Replies) {
    EXPECT_EQ(reply.Status, rsSuccess);
    EXPECT_EQ(reply.Ipv4, Ipv4Of("127.0.0.1"));
    EXPECT_EQ(reply.Bytes, 32);
    EXPECT_EQ(reply.Ttl, 64);
  }
  // The run ended through its own finish callback: one id further, idle,
  // buttons back, end-of-run actions for its index.
  EXPECT_EQ(page.RunId, runId + 1);
  EXPECT_EQ(view_.running, (std::vector<bool>{true, false}));
  EXPECT_EQ(view_.rowsRebuilt, 1);
  ASSERT_EQ(view_.gridLines.size(), 3u);
  for (std::uint32_t i = 0; i < 3; ++i) EXPECT_EQ(view_.gridLines[i].first, i + 1);
  EXPECT_EQ(FinishedIndexes(), std::vector<int>{0});

  // The echoes carried the page's settings.
  const auto log = icmp_.Log();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].request.ttl, 255);
  EXPECT_EQ(log[0].request.bytes, 32);
  EXPECT_EQ(log[0].request.timeoutMs, 1000);
}

TEST_F(PingRunTest, EveryAddressGetsItsOwnRowAndWorkerIpv4First) {
  resolver_.hosts["multi"] = {V6("fd00::1"), V4("10.0.0.1"), V4("10.0.0.2"), V6("fd00::2"), V4("10.0.0.3")};
  TPingPage& page = AddPage("multi");
  page.PingForAllIp = true;
  Configure(page, CountSettings(2));
  Start(page);
  ASSERT_TRUE(WaitIdle(page));

  const std::vector<std::string> expected = {"10.0.0.1", "10.0.0.2", "10.0.0.3", "fd00::1", "fd00::2"};
  ASSERT_EQ(page.HostCount, 5);
  for (int i = 0; i < 5; ++i) {
    const THostResult& row = page.Hosts[static_cast<std::size_t>(i)];
    EXPECT_EQ(row.Address, expected[static_cast<std::size_t>(i)]);
    EXPECT_EQ(row.Sent, 2u) << i;
    // Each worker answered into its own row only.
    for (const TReplyRecord& reply : row.Replies) {
      if (i < 3) {
        EXPECT_EQ(reply.Ipv4, row.Ipv4);
      } else {
        EXPECT_EQ(reply.Ipv4, 0u);
        EXPECT_EQ(reply.Ipv6, row.Ipv6);
      }
    }
  }
  EXPECT_EQ(icmp_.Echoes(), 10);
}

TEST_F(PingRunTest, WithoutAllAddressesThePriorityPicksTheOneRow) {
  resolver_.hosts["multi"] = {V6("fd00::1"), V4("10.0.0.1"), V4("10.0.0.2")};
  TPingPage& page = AddPage("multi");
  Configure(page, CountSettings(1));
  Start(page);
  ASSERT_TRUE(WaitIdle(page));
  ASSERT_EQ(page.HostCount, 1);
  EXPECT_EQ(page.Hosts[0].Address, "10.0.0.1");

  GlobalOptions.IpPriority = 1;
  Start(page);
  ASSERT_TRUE(WaitIdle(page));
  ASSERT_EQ(page.HostCount, 1);
  EXPECT_EQ(page.Hosts[0].Address, "fd00::1");
  EXPECT_EQ(page.Hosts[0].Ipv4, 0u);
}

TEST_F(PingRunTest, TwoHundredAddressesGiveTheFirst128Rows) {
  std::vector<ResolvedAddress> many;
  for (int i = 0; i < 150; ++i) many.push_back(V4(("10.1.0." + std::to_string(i + 1)).c_str()));
  for (int i = 0; i < 50; ++i) many.push_back(V6(("fd00::" + std::to_string(i + 1)).c_str()));
  resolver_.hosts["many"] = many;
  TPingPage& page = AddPage("many");
  page.PingForAllIp = true;
  Configure(page, CountSettings(1));
  Start(page);
  ASSERT_TRUE(WaitIdle(page, std::chrono::seconds(30)));
  ASSERT_EQ(page.HostCount, MaxHosts);
  EXPECT_EQ(page.Hosts[127].Address, "10.1.0.128");
  for (const THostResult& row : page.Hosts) EXPECT_EQ(row.Sent, 1u);
  EXPECT_EQ(icmp_.Echoes(), MaxHosts);
}

TEST_F(PingRunTest, AFailedResolutionEndsAtOnceWithThePageIdle) {
  struct Case {
    std::string host;
    std::uint8_t ipVersion;
    TPageResultState state;
  };
  resolver_.hosts["only4"] = {V4("10.0.0.1")};
  resolver_.hosts["only6"] = {V6("fd00::1")};
  const Case cases[] = {{"nowhere", 0, psHostNotFound},
                        {"", 0, psHostNotFound},
                        {"only4", 2, psNoIpv6Address},
                        {"only6", 1, psNoIpv4Address},
                        {"nowhere", 2, psHostNotFound}};
  TPingPage& page = AddPage("");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.host + " " + std::to_string(c.ipVersion));
    GlobalOptions.IpVersion = c.ipVersion;
    page.Host = c.host;
    view_ = RecordingPageView{};
    FinishedIndexes().clear();
    Start(page);
    ASSERT_TRUE(WaitIdle(page, std::chrono::seconds(2)));
    EXPECT_EQ(page.ResultState, c.state);
    EXPECT_EQ(page.HostCount, 0);
    EXPECT_EQ(view_.running, (std::vector<bool>{true, false}));
    EXPECT_EQ(view_.rowsRebuilt, 1);
    EXPECT_EQ(FinishedIndexes(), std::vector<int>{0});
  }
  EXPECT_EQ(icmp_.Echoes(), 0);
}

TEST_F(PingRunTest, StopRightAfterStartLeavesNoTrace) {
  TPingPage& page = AddPage("127.0.0.1");
  Configure(page, CountSettings(5));
  const int runId = Start(page);
  // No event was served in between: the start callback is still queued.
  Stop(page);
  ASSERT_TRUE(WaitAllEnded());
  EXPECT_EQ(page.RunId, runId + 1);
  EXPECT_EQ(page.ResultState, psPending);
  EXPECT_EQ(page.HostCount, 0);
  EXPECT_TRUE(view_.running.empty());
  EXPECT_EQ(view_.rowsRebuilt, 0);
  EXPECT_TRUE(FinishedIndexes().empty());
  EXPECT_EQ(icmp_.Echoes(), 0);
}

TEST_F(PingRunTest, LateResultsOfAStoppedRunAreDropped) {
  TPingPage& page = AddPage("127.0.0.1");
  Configure(page, CountSettings(100000));
  icmp_.CloseGate();
  Start(page);
  ASSERT_TRUE(SpinUntil([&] { return icmp_.Waiting() == 1; }));
  Stop(page);
  icmp_.OpenGate();
  ASSERT_TRUE(WaitAllEnded());
  EXPECT_EQ(page.HostCount, 1);  // the rows came before the stop
  EXPECT_EQ(page.Hosts[0].Sent, 0u);
  EXPECT_TRUE(view_.gridLines.empty());
  EXPECT_TRUE(FinishedIndexes().empty());
  // The worker goes on until its controller passes the stop on (within one
  // poll), and none of those echoes reached the page.
  EXPECT_LT(icmp_.Echoes(), 100000);
}

TEST_F(PingRunTest, RestartDuringAnEchoKeepsTheOldRunOutOfTheNewRows) {
  TPingPage& page = AddPage("127.0.0.1");
  Configure(page, CountSettings(1));
  icmp_.CloseGate();
  Start(page);
  ASSERT_TRUE(SpinUntil([&] { return icmp_.Waiting() == 1; }));
  const int second = Start(page);
  // The cut run got its end-of-run actions before the new one began.
  EXPECT_EQ(FinishedIndexes(), std::vector<int>{0});
  ASSERT_TRUE(SpinUntil([&] { return icmp_.Waiting() == 2; }));
  icmp_.OpenGate();
  ASSERT_TRUE(WaitIdle(page));
  ASSERT_TRUE(WaitAllEnded());
  EXPECT_EQ(page.RunId, second + 1);
  EXPECT_EQ(page.Hosts[0].Sent, 1u);
  EXPECT_EQ(page.Hosts[0].ReplyCount(), 1);
  EXPECT_EQ(view_.gridLines.size(), 1u);
  EXPECT_EQ(FinishedIndexes(), (std::vector<int>{0, 0}));
}

TEST_F(PingRunTest, DeletingARunningPageLeavesThePageThatTakesItsIndexAlone) {
  TPingPage& doomed = AddPage("10.0.0.1");
  resolver_.hosts["10.0.0.1"] = {V4("10.0.0.1")};
  resolver_.hosts["10.0.0.2"] = {V4("10.0.0.2")};
  Configure(doomed, CountSettings(2));
  icmp_.CloseGate();
  Start(doomed);
  ASSERT_TRUE(SpinUntil([&] { return icmp_.Waiting() == 1; }));

  // Delete: stop, then the page goes and the next one takes index 0.
  Stop(doomed);
  PingRegistry.Pages.erase(PingRegistry.Pages.begin());
  TPingPage& next = AddPage("10.0.0.2");
  ASSERT_EQ(PingRegistry.IndexOfId(next.Id), 0);
  Configure(next, CountSettings(1));
  Start(next);
  ASSERT_TRUE(SpinUntil([&] { return icmp_.Waiting() == 2; }));
  icmp_.OpenGate();
  ASSERT_TRUE(WaitIdle(next));
  ASSERT_TRUE(WaitAllEnded());

  ASSERT_EQ(next.HostCount, 1);
  EXPECT_EQ(next.Hosts[0].Sent, 1u);
  ASSERT_EQ(next.Hosts[0].ReplyCount(), 1);
  EXPECT_EQ(next.Hosts[0].Replies[0].Ipv4, Ipv4Of("10.0.0.2"));
}

TEST_F(PingRunTest, APingErrorCountsAsOneLostEchoAndTheRunEnds) {
  icmp_.canV6 = false;
  TPingPage& page = AddPage("::1");
  Configure(page, CountSettings(4));
  Start(page);
  ASSERT_TRUE(WaitIdle(page));
  const THostResult& row = page.Hosts[0];
  EXPECT_EQ(row.Sent, 1u);
  EXPECT_EQ(row.Lost, 1u);
  EXPECT_EQ(row.Received, 0u);
  ASSERT_EQ(row.ReplyCount(), 1);
  EXPECT_EQ(row.Replies[0].Status, rsPingError);
  EXPECT_EQ(icmp_.Echoes(), 0);
  EXPECT_EQ(FinishedIndexes(), std::vector<int>{0});
}

TEST_F(PingRunTest, ARunByMinutesGoesOnUntilStopped) {
  TPingPage& page = AddPage("127.0.0.1");
  page.ByMinutes = true;
  page.Minutes = 1;
  page.Delay = 0;
  Start(page);
  ASSERT_TRUE(SpinUntil([&] { return page.HostCount == 1 && page.Hosts[0].Sent >= 20; }));
  Stop(page);
  const std::uint32_t sentAtStop = page.Hosts[0].Sent;
  const auto stopped = std::chrono::steady_clock::now();
  ASSERT_TRUE(WaitAllEnded(std::chrono::seconds(3)));
  EXPECT_LT(MillisecondsSince(stopped), 1500);
  EXPECT_EQ(page.Hosts[0].Sent, sentAtStop);
  // A by-minutes run with no delay keeps the most replies the store allows.
  EXPECT_EQ(page.Hosts[0].ReplyCapacity, MaxReplies);
  EXPECT_TRUE(FinishedIndexes().empty());
}

}  // namespace
