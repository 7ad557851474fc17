// Multi ping runs against a fake echo and a fake resolver, and once with
// real echoes on loopback: one worker per host entry, each with its own
// lookup, its own row and its own failure texts.
#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "EngineTestSupport.h"
#include "FakeEcho.h"
#include "PingRunFixture.h"
#include "engine/EchoServices.h"
#include "engine/HandOff.h"
#include "engine/MultiPinger.h"
#include "engine/RunLifecycle.h"
#include "pages/RowTexts.h"
#include "pages/Settings.h"
#include "pages/TextHelpers.h"
#include "platform/SocketIcmpEcho.h"
#include "support/TestNetwork.h"

namespace {

std::vector<int>& Finished() {
  static std::vector<int> indexes;
  return indexes;
}

void RecordFinish(Mode mode, int index) {
  if (mode == Mode::MultiPing) Finished().push_back(index);
}

class MultiPingRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureTestApplication();
    OpenHandOffGate();
    ResetRegistries();
    ResetOptions();
    Finished().clear();
    SetRunFinishActions(&RecordFinish);
    SetEngineIcmp(&icmp_);
    SetEngineResolver(&resolver_);
    SetPageView(Mode::MultiPing, &view_);
    resolver_.hosts["localhost"] = {V4("127.0.0.1"), V6("::1")};
    resolver_.hosts["127.0.0.1"] = {V4("127.0.0.1")};
    resolver_.hosts["::1"] = {V6("::1")};
    resolver_.hosts["v6only"] = {V6("fd00::6")};
    resolver_.hosts["v4only"] = {V4("10.4.4.4")};
    resolver_.hosts["zero"] = {V4("0.0.0.0")};
  }
  void TearDown() override {
    icmp_.OpenGate();
    resolver_.OpenGate();
    for (auto& page : MultiPingRegistry.Pages)
      if (page->Worker) Stop(*page);
    EXPECT_TRUE(SpinUntil([] { return RunThread::LiveThreads() == 0; }, std::chrono::seconds(10)));
    SetPageView(Mode::MultiPing, nullptr);
    SetEngineIcmp(nullptr);
    SetEngineResolver(nullptr);
    SetRunFinishActions(nullptr);
    ResetRegistries();
    ResetOptions();
  }

  static TPingPage& AddPage(const std::vector<std::string>& hosts) {
    auto page = std::make_unique<TPingPage>();
    page->Id = MultiPingRegistry.NextId++;
    page->Retries = 3;
    page->Delay = 0;
    page->ResolveHostName = false;
    for (const std::string& host : hosts)
      page->Hosts[static_cast<std::size_t>(page->HostCount++)].Host = host;
    MultiPingRegistry.Pages.push_back(std::move(page));
    if (MultiPingRegistry.Current < 0) MultiPingRegistry.Current = 0;
    return *MultiPingRegistry.Pages.back();
  }
  // What Start does to the page's record before the engine takes over.
  static int Start(TPingPage& page) {
    CutRunOfPage(MultiPingRegistry, page);
    page.RunId = RunIdAfter(page.RunId);
    EXPECT_TRUE(LaunchMultiPingRun(page, nullptr));
    return page.RunId;
  }
  static void Stop(TPingPage& page) {
    if (page.Worker) page.Worker->Terminate();
    page.Worker = nullptr;
    page.RunId = RunIdAfter(page.RunId);
  }
  static bool WaitIdle(const TPingPage& page) {
    return SpinUntil([&] { return page.Worker == nullptr; }, std::chrono::seconds(10));
  }
  static const THostResult& Entry(const TPingPage& page, int i) {
    return page.Hosts[static_cast<std::size_t>(i)];
  }

  FakeIcmp icmp_;
  FakeResolver resolver_;
  RecordingPageView view_;
};

TEST_F(MultiPingRunTest, AMixedListPingsWhatResolvesAndMarksTheRest) {
  TPingPage& page = AddPage({"127.0.0.1", "::1", "localhost", "nohost.invalid", ""});
  const int runId = Start(page);
  ASSERT_TRUE(WaitIdle(page));

  EXPECT_EQ(page.ResultState, psOk);
  EXPECT_EQ(page.HostCount, 5);  // the list itself is never touched
  EXPECT_EQ(Entry(page, 3).Host, "nohost.invalid");
  const std::vector<std::string> addresses = {"127.0.0.1", "::1", "127.0.0.1"};
  for (int i = 0; i < 3; ++i) {
    const THostResult& host = Entry(page, i);
    EXPECT_EQ(host.State, 0) << i;
    EXPECT_EQ(host.Address, addresses[static_cast<std::size_t>(i)]) << i;
    EXPECT_EQ(host.Sent, 3u) << i;
    EXPECT_EQ(host.Received, 3u) << i;
    ASSERT_EQ(host.ReplyCount(), 3) << i;
    // IPv4 first by default: "localhost" pings its IPv4 address only.
    EXPECT_EQ(host.Replies[0].Ipv4 != 0, i != 1) << i;
  }
  // The unresolvable name and the empty entry: their state, nothing else.
  for (int i = 3; i < 5; ++i) {
    const THostResult& host = Entry(page, i);
    EXPECT_EQ(host.State, psHostNotFound) << i;
    EXPECT_EQ(host.Sent, 0u) << i;
    EXPECT_EQ(host.ReplyCount(), 0) << i;
    EXPECT_EQ(host.Address, "") << i;
    EXPECT_EQ(MultiPingHostRow(host)->Texts[1], "Host not found");
    EXPECT_EQ(MultiPingHostRow(host)->Image, ImageHostFailed);
  }
  EXPECT_EQ(icmp_.Echoes(), 9);
  EXPECT_EQ(page.FinishedWorkers, 5);
  EXPECT_EQ(page.RunId, runId + 1);
  EXPECT_EQ(view_.running, (std::vector<bool>{true, false}));
  EXPECT_EQ(Finished(), std::vector<int>{0});
  // Only the selected entry's replies reach the grid, numbered from 1.
  ASSERT_EQ(view_.gridLines.size(), 3u);
  EXPECT_EQ(view_.gridLines[2].first, 3u);
  EXPECT_EQ(view_.gridLines[0].second.Ipv4, Ipv4Of("127.0.0.1"));
}

TEST_F(MultiPingRunTest, TheFamilyOptionsChooseTheAddressOrExplainTheFailure) {
  struct Case {
    std::uint8_t ipVersion, ipPriority;
    std::string host;
    int state;
    std::string address;
  };
  const std::vector<Case> cases = {
      {1, 0, "v6only", psNoIpv4Address, ""},
      {2, 0, "v4only", psNoIpv6Address, ""},
      {1, 0, "nohost.invalid", psHostNotFound, ""},
      {2, 0, "nohost.invalid", psHostNotFound, ""},
      {0, 1, "localhost", 0, "::1"},
      {2, 0, "localhost", 0, "::1"},
      {1, 1, "localhost", 0, "127.0.0.1"},
      {0, 0, "zero", psHostNotFound, ""},
  };
  for (const Case& c : cases) {
    GlobalOptions.IpVersion = c.ipVersion;
    GlobalOptions.IpPriority = c.ipPriority;
    TPingPage& page = AddPage({c.host});
    page.Retries = 1;
    Start(page);
    ASSERT_TRUE(WaitIdle(page));
    EXPECT_EQ(Entry(page, 0).State, c.state) << c.host << " " << int(c.ipVersion);
    EXPECT_EQ(Entry(page, 0).Address, c.address) << c.host << " " << int(c.ipVersion);
    EXPECT_EQ(Entry(page, 0).Sent, c.state == 0 ? 1u : 0u) << c.host;
  }
}

TEST_F(MultiPingRunTest, AnEmptyListEndsAtOnceWithItsActions) {
  TPingPage& page = AddPage({});
  Start(page);
  ASSERT_TRUE(WaitIdle(page));
  EXPECT_EQ(page.ResultState, psOk);
  EXPECT_EQ(view_.running, (std::vector<bool>{true, false}));
  EXPECT_EQ(Finished(), std::vector<int>{0});
  EXPECT_EQ(icmp_.Echoes(), 0);
}

TEST_F(MultiPingRunTest, AFamilyWithoutSocketGivesOnePingErrorAndTheOthersGoOn) {
  icmp_.canV6 = false;
  TPingPage& page = AddPage({"::1", "127.0.0.1"});
  Start(page);
  ASSERT_TRUE(WaitIdle(page));
  const THostResult& v6 = Entry(page, 0);
  EXPECT_EQ(v6.State, 0);
  EXPECT_EQ(v6.Sent, 1u);
  EXPECT_EQ(v6.Lost, 1u);
  ASSERT_EQ(v6.ReplyCount(), 1);
  EXPECT_EQ(v6.Replies[0].Status, rsPingError);
  EXPECT_EQ(Entry(page, 1).Received, 3u);
  EXPECT_EQ(Finished().size(), 1u);
}

TEST_F(MultiPingRunTest, ReverseNamesFillTheRowsAndStartCleansTheLastRun) {
  resolver_.names["127.0.0.1"] = "loopback.test";
  TPingPage& page = AddPage({"127.0.0.1", "::1"});
  page.ResolveHostName = true;
  page.SelectedHost = -1;
  Start(page);
  EXPECT_EQ(page.SelectedHost, 0);  // a page without a selection gets the first entry
  ASSERT_TRUE(WaitIdle(page));
  EXPECT_EQ(Entry(page, 0).HostName, "loopback.test");
  EXPECT_EQ(Entry(page, 1).HostName, "");  // the numeric text is no name

  // A new run starts every entry over, names and stores included.
  icmp_.CloseGate();
  page.Retries = 1;
  Start(page);
  ASSERT_TRUE(SpinUntil([&] { return icmp_.Waiting() == 2; }));
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(Entry(page, i).Sent, 0u);
    EXPECT_EQ(Entry(page, i).ReplyCount(), 0);
    EXPECT_EQ(Entry(page, i).CurTime, LostEchoTime);
    EXPECT_EQ(Entry(page, i).Replies.capacity(), 1u);
  }
  icmp_.OpenGate();
  ASSERT_TRUE(WaitIdle(page));
  EXPECT_EQ(Entry(page, 0).Sent, 1u);
}

TEST_F(MultiPingRunTest, StopFreezesTheRowsAndRunsNoActions) {
  TPingPage& page = AddPage({"127.0.0.1", "localhost"});
  icmp_.CloseGate();
  Start(page);
  ASSERT_TRUE(SpinUntil([&] { return icmp_.Waiting() == 2; }));
  EXPECT_EQ(Entry(page, 0).State, 0);
  Stop(page);
  icmp_.OpenGate();
  ASSERT_TRUE(SpinUntil([] { return RunThread::LiveThreads() == 0; }, std::chrono::seconds(10)));
  EXPECT_EQ(Entry(page, 0).Sent, 0u);
  EXPECT_EQ(Entry(page, 1).Sent, 0u);
  EXPECT_TRUE(Finished().empty());
  EXPECT_EQ(page.FinishedWorkers, 0);
}

TEST_F(MultiPingRunTest, AnEntryDeletedDuringTheRunIsLeftAlone) {
  TPingPage& page = AddPage({"127.0.0.1", "localhost"});
  icmp_.CloseGate();
  Start(page);
  ASSERT_TRUE(SpinUntil([&] { return icmp_.Waiting() == 2; }));
  page.HostCount = 1;  // the second entry went away under the run
  icmp_.OpenGate();
  ASSERT_TRUE(WaitIdle(page));
  EXPECT_EQ(Entry(page, 0).Sent, 3u);
  EXPECT_EQ(Entry(page, 1).Sent, 0u);
}

// Real echoes to loopback through the system's resolver and sockets.
TEST(MultiPingRealEcho, LoopbackNamesAndLiteralsAnswerOthersFail) {
  if (geteuid() != 0) GTEST_SKIP() << "raw sockets need root";
  EnsureTestApplication();
  OpenHandOffGate();
  ResetRegistries();
  ResetOptions();
  RaiseOpenFileLimit();
  static SocketIcmpEcho* echo = new SocketIcmpEcho(ProbeIcmpRoads());
  if (!echo->CanPing(IpFamily::V4) || !echo->CanPing(IpFamily::V6)) GTEST_SKIP() << "no ICMP socket";
  SetEngineIcmp(echo);
  SetEngineResolver(nullptr);

  auto owned = std::make_unique<TPingPage>();
  TPingPage& page = *owned;
  MultiPingRegistry.Pages.push_back(std::move(owned));
  page.Retries = 3;
  page.Delay = 0;
  page.ResolveHostName = false;
  for (const char* host : {"127.0.0.1", "::1", "localhost", "nohost.invalid", "", "127.0.0.9"})
    page.Hosts[static_cast<std::size_t>(page.HostCount++)].Host = host;
  page.RunId = RunIdAfter(page.RunId);
  ASSERT_TRUE(LaunchMultiPingRun(page, nullptr));
  ASSERT_TRUE(SpinUntil([&] { return page.Worker == nullptr; }, std::chrono::seconds(15)));

  const std::vector<std::string> addresses = {"127.0.0.1", "::1", "127.0.0.1", "", "", "127.0.0.9"};
  for (int i = 0; i < 6; ++i) {
    const THostResult& host = page.Hosts[static_cast<std::size_t>(i)];
    EXPECT_EQ(host.Address, addresses[static_cast<std::size_t>(i)]) << i;
    if (i == 3 || i == 4) {
      EXPECT_EQ(host.State, psHostNotFound) << i;
      continue;
    }
    EXPECT_EQ(host.State, 0) << i;
    EXPECT_EQ(host.Received, 3u) << i;
    EXPECT_EQ(host.Replies.back().Status, rsSuccess) << i;
  }
  EXPECT_TRUE(SpinUntil([] { return RunThread::LiveThreads() == 0; }, std::chrono::seconds(10)));
  SetEngineIcmp(nullptr);
  ResetRegistries();
}

}  // namespace
