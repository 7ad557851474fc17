// What a run takes from its page or its task, and how a run of every mode
// begins and ends when it is cut short, fails, lasts 60,000 minutes or
// meets the program's end: the same scenarios over the five modes.
#include <gtest/gtest.h>

#include "RunFixture.h"
#include "engine/HopEcho.h"
#include "engine/RangeRunStart.h"
#include "engine/RunShutdown.h"

namespace {

using namespace std::chrono_literals;

TEST(RunSettings, CountAndLengthAreBoundedByModeAndByWhoStartsTheRun) {
  struct Row {
    bool task;
    std::int32_t retries, minutes;
    std::vector<std::int32_t> runRetries;  // Ping and Multi ping, IP range ping, the hop modes
    std::int32_t runMinutes;
  };
  // Only a page's own count reaches 999,999,999, and not on the hop tabs.
  const Row rows[] = {{false, 2'000'000'000, 70'000, {999'999'999, 999'999'999, 999'999}, 60'000},
                      {false, 0, 0, {1, 1, 1}, 1},
                      {true, 5'000'000, 100'000, {999'999, 999'999, 999'999}, 60'000},
                      {true, 0, 0, {1, 1, 1}, 1}};
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.retries) + (row.task ? " task" : " page"));
    const TaskRunValues values{row.retries, row.minutes, true};
    const TaskRunValues* task = row.task ? &values : nullptr;
    TPingPage page;
    TRangePingPage range;
    page.Retries = range.Retries = row.task ? 7 : row.retries;  // a task's run leaves them out
    page.Minutes = range.Minutes = row.task ? 3 : row.minutes;
    const EchoRunSettings ping = RunSettingsOfPage(page, task);
    const RangeRunSettings ranged = RangeRunSettingsOfPage(range, task);
    const HopRunSettings hops = HopSettingsOfPage(page, task);
    EXPECT_EQ(std::vector<std::int32_t>({ping.Retries, ranged.Retries, hops.Retries}), row.runRetries);
    EXPECT_EQ(std::vector<std::int32_t>({ping.Minutes, ranged.Minutes, hops.Minutes}),
              std::vector<std::int32_t>(3, row.runMinutes));
  }
}

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
  void ExpectNothingCounted(const TPageCommon& page) {
    for (const THostResult* row : Rows(mode(), page)) EXPECT_EQ(row->Sent, 0u);
    EXPECT_TRUE(ViewOf(mode()).gridLines.empty());
    EXPECT_TRUE(Finished().empty());
  }
};

TEST_P(RunLifecycle, AStopRightAfterTheStartOrDuringAnEchoLeavesNoTraceAndEndsEvenAnEndlessRun) {
  TPageCommon& page = AddTarget();
  page.ByMinutes = true;
  ASSERT_TRUE(Start(mode(), page));
  Stop(page);  // no event was served: the start callback is still queued
  ASSERT_TRUE(WaitAllEnded());
  EXPECT_TRUE(icmp_.Log().empty());
  EXPECT_TRUE(ViewOf(mode()).running.empty());
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
  const auto rows = Rows(mode(), page);
  EXPECT_EQ(rows.size(), mode() == Mode::RangePing ? 4u : hops() ? 3u : 1u);
  for (const THostResult* row : rows) EXPECT_EQ(row->Sent, 1u);
  EXPECT_EQ(ViewOf(mode()).gridLines.size(), 1u);  // the selected row's one echo
}

TEST_P(RunLifecycle, AFailedTargetOrAnInvalidRangeStartsNoEcho) {
  if (mode() == Mode::RangePing) {
    const char* ranges[][2] = {
        {"", "10.0.0.1"}, {"10.0.0.1", "host"}, {"0.0.0.0", "1.0.0.1"}, {"1.0.0.1", "255.255.255.255"}};
    for (const auto& range : ranges) {
      TRangePingPage& page = AddRangePage(range[0], range[1], 2);
      EXPECT_FALSE(Start(mode(), page)) << range[0] << " " << range[1];
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
  EXPECT_TRUE(icmp_.Log().empty());
}

TEST_P(RunLifecycle, WithoutASocketForTheFamilyTheRunEndsPromptlyWithItsError) {
  icmp_.canV4 = false;
  TPageCommon& page = AddTarget();
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(Start(mode(), page));
  // A hop run fails as one short of sockets, without end-of-run actions.
  ASSERT_TRUE(hops() ? WaitIdle(page) : WaitFinished());
  EXPECT_LT(MillisecondsSince(start), 5000);
  const auto rows = Rows(mode(), page);
  if (mode() == Mode::RangePing) {
    // Nothing was pinged: no result that a report could take for silence.
    EXPECT_EQ(page.ResultState, psError);
    EXPECT_TRUE(rows.empty());
  } else if (hops()) {
    // Nor for silent routers.
    EXPECT_EQ(page.ResultState, psError);
    EXPECT_TRUE(Finished().empty());
    ASSERT_EQ(rows.size(), 3u);
    for (const THostResult* row : rows) EXPECT_EQ(row->State, 2);  // "Error"
  } else {
    ASSERT_EQ(rows.size(), 1u);
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

TEST_P(RunLifecycle, ARunOf60000MinutesDoesNotEndAtOnce) {
  TPageCommon& page = AddTarget();
  page.ByMinutes = true;
  page.Minutes = 60'000;
  ASSERT_TRUE(Start(mode(), page));
  // 3.6e9 ms in 32 bits turns negative: the run would end before its first echo.
  ASSERT_TRUE(SpinUntil([&] {
    const auto rows = Rows(mode(), page);
    return page.Worker == nullptr || (!rows.empty() && rows[0]->Sent >= 3);
  }));
  EXPECT_NE(page.Worker, nullptr);
  EXPECT_TRUE(Finished().empty());
}

INSTANTIATE_TEST_SUITE_P(Modes, RunLifecycle, ::testing::ValuesIn(AllModes),
                         [](const auto& info) { return std::string(ModeWord(info.param)); });

}  // namespace
