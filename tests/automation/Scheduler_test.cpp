#include "automation/Scheduler.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "AutomationTestSupport.h"

namespace {

TAutoTask Entry(std::uint8_t type, int day, int hour, int minute, int year = 0, int month = 0) {
  auto u16 = [](int v) { return static_cast<std::uint16_t>(v); };
  return {u16(year), u16(month), 0, u16(day), u16(hour), u16(minute), 0, 0, type, 7};
}

const SystemTime Saturday = LocalTime(2026, 12, 5, 9, 5, 30, 6);
const SystemTime Sunday = LocalTime(2026, 12, 6, 9, 5, 30, 0);
const SystemTime Monday = LocalTime(2026, 12, 7, 9, 5, 30, 1);

TEST(Scheduler, EntriesMatchTheirOwnFieldsAndWeeksRunMondayToSunday) {
  // clang-format off
  const std::tuple<TAutoTask, SystemTime, bool> cases[] = {
      {Entry(ttSingle, 5, 9, 5, 2026, 12), Saturday, true},  {Entry(ttSingle, 5, 9, 5, 2025, 12), Saturday, false},
      {Entry(ttSingle, 5, 9, 5, 2026, 11), Saturday, false}, {Entry(ttSingle, 6, 9, 5, 2026, 12), Saturday, false},
      {Entry(ttSingle, 5, 10, 5, 2026, 12), Saturday, false},
      {Entry(ttEveryHour, 31, 23, 5, 1999, 1), Saturday, true}, {Entry(ttEveryHour, 5, 9, 6), Saturday, false},
      {Entry(ttEveryDay, 17, 9, 5), Saturday, true},         {Entry(ttEveryDay, 5, 8, 5), Saturday, false},
      {Entry(ttEveryMonth, 5, 9, 5), Saturday, true},        {Entry(ttEveryMonth, 6, 9, 5), Saturday, false},
      {Entry(9, 5, 9, 5), Saturday, true},
      {Entry(ttEveryWeek, 1, 9, 5), Monday, true},           {Entry(ttEveryWeek, 7, 9, 5), Sunday, true},
      {Entry(ttEveryWeek, 0, 9, 5), Sunday, false},          {Entry(ttEveryWeek, 7, 9, 5), Saturday, false},
      {Entry(ttEveryWeek, 1, 9, 4), Monday, false},
  };
  // clang-format on
  for (const auto& [task, now, matches] : cases)
    EXPECT_EQ(TaskMatches(task, now), matches) << int{task.Type} << " day " << task.Day << " " << task.Minute;
}

using StartRecord = std::tuple<Mode, int, ScheduledStart>;
using Starts = std::vector<StartRecord>;
const StartRecord Hourly{Mode::Ping, 0, {true, 7, 7, false}};  // Entry()'s count of 7

class SchedulerWalk : public ::testing::Test {
 protected:
  void SetUp() override { ResetPagesAndOptions(); }

  TPageCommon& ScheduledPage(Mode mode, std::initializer_list<TAutoTask> entries) {
    TPageCommon& page = AddTestPage(mode);
    page.StartSchedules = true;
    for (const TAutoTask& task : entries) page.Tasks[static_cast<std::size_t>(page.TaskCount++)] = task;
    return page;
  }
  // Records the start and, as a Start operation does, leaves the page running.
  PageStarter Recorder() {
    return [this](Mode mode, int index, const ScheduledStart& start) {
      starts.push_back({mode, index, start});
      ModePage(mode, index)->Worker = BusyWorker();
    };
  }
  void TickAt(const SystemTime& now) {
    TasksTimerTick(Recorder(), [now] { return now; });
  }

  Starts starts;
};

// The entry's start makes the idle page busy before "Start every" looks at it.
TEST_F(SchedulerWalk, AnEntryFiresOncePerMatchingMinuteAlsoOnARunningPage) {
  TAutoTask byMinutes = Entry(ttEveryDay, 0, 10, 5);
  byMinutes.Value = 30, byMinutes.ByMinutes = true;
  TPageCommon& page = ScheduledPage(Mode::Ping, {Entry(ttEveryHour, 0, 0, 5), byMinutes});
  page.StartEvery = true;
  for (int minute : {5, 6, 7})
    for (int second = 0; second < 60; second += 20) TickAt(LocalTime(2026, 12, 5, 9, minute, second));
  EXPECT_EQ(starts, Starts{Hourly});
  EXPECT_FALSE(page.Tasks[0].Fired);

  // Both entries match at 10:05, on the still running page: two starts, the
  // second replacing the first.
  TickAt(LocalTime(2026, 12, 5, 10, 5, 0));
  const Starts expected = {Hourly, Hourly, {Mode::Ping, 0, {true, 30, 30, true}}};
  EXPECT_EQ(starts, expected);

  // Switched off, the entries keep their latches: no re-arming, no start.
  page.StartSchedules = false;
  TickAt(LocalTime(2026, 12, 5, 10, 6, 0));
  TickAt(LocalTime(2026, 12, 5, 11, 5, 0));
  page.StartSchedules = true;
  TickAt(LocalTime(2026, 12, 5, 11, 5, 30));
  EXPECT_EQ(starts, expected);
}

TEST_F(SchedulerWalk, StartEveryCountsWholeMinutesSinceTheLastRunEnded) {
  SystemTime almostFive = LocalTime(2026, 12, 5, 9, 4, 59);
  almostFive.Milliseconds = 999;
  const SystemTime nine = LocalTime(2026, 12, 5, 9, 0, 0), fivePast = LocalTime(2026, 12, 5, 9, 5, 0);
  // Run end, now, EveryMinutes, started; a clock set back counts too, and so does a leap day.
  // clang-format off
  const std::tuple<SystemTime, SystemTime, int, bool> cases[] = {
      {nine, almostFive, 5, false}, {nine, fivePast, 5, true}, {fivePast, nine, 5, true}, {nine, nine, -5, true},
      {LocalTime(2028, 2, 28, 12, 0), LocalTime(2028, 3, 1, 12, 0), 2 * 1440 + 1, false},
      {LocalTime(2026, 12, 31, 23, 58, 30), LocalTime(2027, 1, 1, 0, 0, 30), 2, true},
  };
  // clang-format on
  for (const auto& [end, now, every, started] : cases) {
    ResetPagesAndOptions();
    starts.clear();
    TPageCommon& page = AddTestPage(Mode::RangePing);
    page.StartEvery = true, page.EveryMinutes = every, page.EndTime = end;
    TickAt(now);
    EXPECT_EQ(starts.size(), started ? 1u : 0u) << every;
  }
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(std::get<2>(starts.back()), ScheduledStart{});  // the page's own settings
}

TEST_F(SchedulerWalk, StartupTickStartsIdleFlaggedPagesInModeOrder) {
  AddTestPage(Mode::PathPing).StartOnStartup = true;
  TPageCommon& flagged = ScheduledPage(Mode::MultiPing, {Entry(ttEveryHour, 0, 0, 5)});
  flagged.StartOnStartup = flagged.Tasks[0].Fired = true;
  AddTestPage(Mode::MultiPing);
  TPageCommon& running = AddTestPage(Mode::Traceroute);
  running.StartOnStartup = true, running.Worker = BusyWorker();
  AddTestPage(Mode::MultiPing).StartOnStartup = true;

  StartupTimerTick(Recorder());
  EXPECT_EQ(starts, (Starts{{Mode::MultiPing, 0, {}}, {Mode::MultiPing, 2, {}}, {Mode::PathPing, 0, {}}}));
  EXPECT_TRUE(flagged.Tasks[0].Fired);
}

TEST_F(SchedulerWalk, AFailingStartEndsTheTickButKeepsItsLatch) {
  ScheduledPage(Mode::Ping, {Entry(ttEveryHour, 0, 0, 5)});
  ScheduledPage(Mode::Ping, {Entry(ttEveryHour, 0, 0, 5)});
  TasksTimerTick([](Mode, int, const ScheduledStart&) { throw std::runtime_error("no thread"); },
                 [] { return Saturday; });
  TickAt(Saturday);
  EXPECT_EQ(starts, (Starts{{Mode::Ping, 1, {true, 7, 7, false}}}));
}

}  // namespace
