// Ping and Multi ping runs against the fake echo: rows, statistics, the
// replies grid, the addresses a host gives, and the delay between echoes.
#include <gtest/gtest.h>

#include "RunFixture.h"
#include "pages/RowTexts.h"
#include "support/TestNetwork.h"

namespace {

using PingRun = RunFixture;

TEST_F(PingRun, ACountRunEchoesWithThePagesSettingsFillsItsRowAndGridAndEndsByItself) {
  TPingPage& page = AddPage(Mode::Ping, "10.0.0.1");
  resolver_.hosts["10.0.0.1"] = {V4("10.0.0.1")};
  page.Retries = 3;
  page.Bytes = 20;
  page.Ttl = 9;
  page.TimeOut = 700;
  page.Delay = 250;
  ASSERT_TRUE(Start(Mode::Ping, page));
  ASSERT_TRUE(WaitFinished());
  ASSERT_EQ(page.HostCount, 1);
  EXPECT_EQ(page.Hosts[0].Address, "10.0.0.1");
  EXPECT_EQ(page.Hosts[0].Received, 3u);
  ASSERT_EQ(page.Hosts[0].ReplyCount(), 3);
  EXPECT_EQ(page.Hosts[0].Replies[2].Bytes, 20);
  const auto log = icmp_.Log();
  for (std::size_t i = 0; i < log.size(); ++i) {
    EXPECT_EQ(log[i].request.ipv4, Ipv4Of("10.0.0.1"));
    EXPECT_EQ(log[i].request.ttl, 9);
    EXPECT_EQ(log[i].request.timeoutMs, 700);
    if (i == 0) continue;
    // The delay counts from the send, in steps of 100 ms until more than 250 ms have passed: 300.
    EXPECT_GE(log[i].at - log[i - 1].at, std::chrono::milliseconds(295));
    EXPECT_LT(log[i].at - log[i - 1].at, std::chrono::milliseconds(700));
  }
  ASSERT_EQ(ViewOf(Mode::Ping).gridLines.size(), 3u);
  EXPECT_EQ(ViewOf(Mode::Ping).gridLines[2].first, 3u);
}

TEST_F(PingRun, EveryAddressGetsItsOwnRowIpv4FirstAtMost128) {
  std::vector<ResolvedAddress> many;
  for (int i = 1; i <= 50; ++i) many.push_back(V6(("fd00::" + std::to_string(i)).c_str()));
  for (int i = 1; i <= 100; ++i) many.push_back(V4(("10.1.0." + std::to_string(i)).c_str()));
  resolver_.hosts["many"] = many;
  TPingPage& page = AddPage(Mode::Ping, "many");
  page.PingForAllIp = true;
  ASSERT_TRUE(Start(Mode::Ping, page));
  ASSERT_TRUE(WaitFinished());
  ASSERT_EQ(page.HostCount, MaxHosts);
  EXPECT_EQ(page.Hosts[99].Address, "10.1.0.100");
  EXPECT_EQ(page.Hosts[100].Address, "fd00::1");
  EXPECT_EQ(page.Hosts[127].Address, "fd00::28");
  for (const THostResult& row : page.Hosts) {
    ASSERT_EQ(row.ReplyCount(), 1);  // each worker answered into its own row
    EXPECT_EQ(row.Replies[0].Ipv4, row.Ipv4);
    EXPECT_EQ(row.Replies[0].Ipv6, row.Ipv6);
  }
}

TEST_F(PingRun, MultiPingPingsEachEntryItResolvesAndMarksTheRest) {
  resolver_.hosts["six"] = {V6("fd00::6")};
  TPingPage& page = AddPage(Mode::MultiPing, "target4");
  for (const char* host : {"six", "nohost.invalid", "", "target4"})
    page.Hosts[static_cast<std::size_t>(page.HostCount++)].Host = host;
  page.Retries = 2;
  page.Hosts[0].CurTime = LostEchoTime;  // as a loss of the last run left it
  icmp_.gate.Close();
  ASSERT_TRUE(Start(Mode::MultiPing, page));
  // Until its first result an entry shows 0, not the last run's "Timeout".
  EXPECT_EQ(StatisticsTexts(page.Hosts[0])[6], "0");
  ASSERT_TRUE(icmp_.gate.WaitHeld(3));
  page.HostCount = 4;  // the last entry goes away under the run
  icmp_.gate.Open();
  ASSERT_TRUE(WaitFinished());
  EXPECT_EQ(page.Hosts[0].Address, "10.9.3.3");
  EXPECT_EQ(page.Hosts[1].Address, "fd00::6");
  for (int i = 0; i < 2; ++i) EXPECT_EQ(page.Hosts[static_cast<std::size_t>(i)].Received, 2u);
  for (int i = 2; i < 4; ++i) EXPECT_EQ(page.Hosts[static_cast<std::size_t>(i)].State, psHostNotFound);
  EXPECT_EQ(page.Hosts[4].Sent, 0u);
  // Only the selected entry's replies reach the grid.
  const RecordingView& view = ViewOf(Mode::MultiPing);
  ASSERT_EQ(view.gridLines.size(), 2u);
  EXPECT_EQ(view.gridLines[1].first, 2u);
  EXPECT_EQ(view.gridLines[1].second.Ipv4, Ipv4Of("10.9.3.3"));
}

}  // namespace
