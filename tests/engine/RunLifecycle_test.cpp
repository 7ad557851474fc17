// How a run of every mode begins and ends when it is cut short, fails or
// meets the program's end: the same scenarios over the five modes.
#include <gtest/gtest.h>

#include "RunFixture.h"
#include "engine/RunShutdown.h"

namespace {

using namespace std::chrono_literals;

class RunLifecycle : public RunFixture, public ::testing::WithParamInterface<Mode> {
 protected:
  Mode mode() const { return GetParam(); }
  bool hops() const { return mode() == Mode::Traceroute || mode() == Mode::PathPing; }
  // A page that pings the fake route's target: four addresses and two
  // workers on the IP range ping tab, three hops on the hop tabs.
  TPageCommon& AddTarget() {
    if (mode() == Mode::RangePing) return AddRangePage("10.9.3.1", "10.9.3.4", 2);
    return AddPage(mode(), "target4");
  }
  // The echoes under way once a run's first echoes are out.
  int InFlight() const { return mode() == Mode::RangePing ? 2 : hops() ? 3 : 1; }
  std::vector<const THostResult*> RowsOf(const TPageCommon& page) const { return Rows(mode(), page); }
  void ExpectNothingCounted(const TPageCommon& page) {
    for (const THostResult* row : RowsOf(page)) EXPECT_EQ(row->Sent, 0u);
    EXPECT_TRUE(ViewOf(mode()).gridLines.empty());
    EXPECT_TRUE(Finished().empty());
  }
};

TEST_P(RunLifecycle, AStopRightAfterTheStartLeavesNoTrace) {
  TPageCommon& page = AddTarget();
  ASSERT_TRUE(Start(mode(), page));
  const int runId = page.RunId;
  Stop(page);  // no event was served: the start callback is still queued
  ASSERT_TRUE(WaitAllEnded());
  EXPECT_EQ(page.RunId, runId + 1);
  EXPECT_EQ(icmp_.Echoes(), 0);
  EXPECT_TRUE(ViewOf(mode()).running.empty());
  ExpectNothingCounted(page);
}

TEST_P(RunLifecycle, AStopDuringAnEchoDropsItsResultAndEndsEvenAnEndlessRun) {
  TPageCommon& page = AddTarget();
  page.ByMinutes = true;
  icmp_.gate.Close();
  ASSERT_TRUE(Start(mode(), page));
  ASSERT_TRUE(icmp_.gate.WaitHeld(InFlight()));
  Stop(page);
  icmp_.gate.Open();
  // Only a stop that reached every worker ends a run by minutes this soon.
  ASSERT_TRUE(WaitAllEnded());
  EXPECT_EQ(ViewOf(mode()).running, std::vector<bool>{true});
  ExpectNothingCounted(page);
}

TEST_P(RunLifecycle, ARestartDuringAnEchoKeepsTheCutRunOutOfTheNewRows) {
  TPageCommon& page = AddTarget();
  icmp_.gate.Close();
  ASSERT_TRUE(Start(mode(), page));
  ASSERT_TRUE(icmp_.gate.WaitHeld(InFlight()));
  ASSERT_TRUE(Start(mode(), page));
  const int second = page.RunId;
  // The cut run got its end-of-run actions before the new one began.
  EXPECT_EQ(Finished(), (std::vector<std::pair<Mode, int>>{{mode(), 0}}));
  ASSERT_TRUE(icmp_.gate.WaitHeld(2 * InFlight()));
  icmp_.gate.Open();
  ASSERT_TRUE(WaitFinished(2));
  EXPECT_EQ(page.RunId, second + 1);
  const auto rows = RowsOf(page);
  EXPECT_EQ(rows.size(), mode() == Mode::RangePing ? 4u : hops() ? 3u : 1u);
  for (const THostResult* row : rows) {
    EXPECT_EQ(row->Sent, 1u);
    EXPECT_EQ(row->Received, 1u);
  }
  EXPECT_EQ(ViewOf(mode()).gridLines.size(), 1u);  // the selected row's one echo
}

TEST_P(RunLifecycle, AFailedTargetOrAnInvalidRangeStartsNoEcho) {
  if (mode() == Mode::RangePing) {
    const char* ranges[][2] = {
        {"", "10.0.0.1"}, {"10.0.0.1", "host"}, {"0.0.0.0", "1.0.0.1"}, {"1.0.0.1", "255.255.255.255"}};
    for (const auto& range : ranges) {
      TRangePingPage& page = AddRangePage(range[0], range[1], 2);
      EXPECT_FALSE(Start(mode(), page)) << range[0] << " " << range[1];
      EXPECT_EQ(page.Worker, nullptr);
      EXPECT_EQ(page.ResultState, psPending);
    }
    EXPECT_TRUE(Finished().empty());
  } else {
    TPingPage& page = AddPage(mode(), "nowhere.test");
    ASSERT_TRUE(Start(mode(), page));
    ASSERT_TRUE(WaitFinished());
    if (mode() == Mode::MultiPing) {
      // A Multi ping page has no target of its own: the entry shows the failure.
      EXPECT_EQ(page.ResultState, psOk);
      EXPECT_EQ(page.Hosts[0].State, psHostNotFound);
    } else {
      EXPECT_EQ(page.ResultState, psHostNotFound);
      EXPECT_EQ(ViewOf(mode()).rowsRebuilt, 1);  // the state's row
    }
    EXPECT_EQ(ViewOf(mode()).running, (std::vector<bool>{true, false}));
  }
  EXPECT_EQ(icmp_.Echoes(), 0);
}

TEST_P(RunLifecycle, WithoutASocketForTheFamilyTheRunEndsPromptlyWithItsError) {
  icmp_.canV4 = false;
  TPageCommon& page = AddTarget();
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(Start(mode(), page));
  ASSERT_TRUE(WaitFinished());
  EXPECT_LT(MillisecondsSince(start), 5000);
  EXPECT_EQ(icmp_.Echoes(), 0);
  const auto rows = RowsOf(page);
  if (mode() == Mode::RangePing) {
    // Nothing was pinged: no result that a report could take for silence.
    EXPECT_EQ(page.ResultState, psError);
    EXPECT_TRUE(rows.empty());
  } else if (hops()) {
    ASSERT_EQ(rows.size(), 3u);
    for (const THostResult* row : rows) EXPECT_EQ(row->State, 2);  // "Error"
  } else {
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]->Lost, 1u);
    ASSERT_EQ(rows[0]->ReplyCount(), 1);
    EXPECT_EQ(rows[0]->Replies[0].Status, rsPingError);
  }
}

TEST_P(RunLifecycle, ShutdownEndsTheRunAndGivesUpOnItsStuckEchoesAtItsBound) {
  TPageCommon& page = AddTarget();
  icmp_.gate.Close();
  ASSERT_TRUE(Start(mode(), page));
  ASSERT_TRUE(icmp_.gate.WaitHeld(InFlight()));
  const auto start = std::chrono::steady_clock::now();
  const ShutdownOutcome outcome = ShutdownRunThreads(300ms);
  const long long took = MillisecondsSince(start);
  EXPECT_FALSE(outcome.allEnded);
  EXPECT_GE(outcome.stillRunning, InFlight());  // the workers inside their echoes
  EXPECT_GE(took, 300);
  EXPECT_LT(took, 2000);
  EXPECT_EQ(page.Worker, nullptr);
  // Once their echoes return, the threads end on their own, reaching no page.
  icmp_.gate.Open();
  ASSERT_TRUE(WaitAllEnded());
  ExpectNothingCounted(page);
}

INSTANTIATE_TEST_SUITE_P(Modes, RunLifecycle, ::testing::ValuesIn(AllModes),
                         [](const auto& info) { return std::string(ModeWord(info.param)); });

}  // namespace
