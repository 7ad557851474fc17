#include "automation/Scheduler.h"

#include <algorithm>

#include "pages/ModePages.h"

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date. Any field values are
// accepted (a damaged time must not make the walk misbehave), so the
// arithmetic is done in 64 bits from unsigned 16-bit inputs.
std::int64_t DaysFromCivil(std::int64_t y, std::int64_t m, std::int64_t d) {
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

std::int64_t MillisecondsOf(const SystemTime& t) {
  const std::int64_t day = DaysFromCivil(t.Year, t.Month, t.Day);
  return ((day * 24 + t.Hour) * 60 + t.Minute) * 60'000 + t.Second * 1000 + t.Milliseconds;
}

// Whole minutes between two local times, truncated; never negative. Exact
// to the millisecond, so a run that ended N minutes ago to the millisecond
// counts N.
std::int64_t WholeMinutesBetween(const SystemTime& a, const SystemTime& b) {
  const std::int64_t difference = MillisecondsOf(a) - MillisecondsOf(b);
  return (difference < 0 ? -difference : difference) / 60'000;
}

// Fires and re-arms the entries of one page. Returns false when the page is
// gone after a start (nothing in the window removes pages from a start, but
// the walk must not depend on it).
bool FireEntries(Mode mode, int index, const SystemTime& now, const PageStarter& start) {
  // Count and entries are read again at every step: a start may run code of
  // the window, and the walk uses what holds at that moment.
  for (int j = 0;; ++j) {
    TPageCommon* page = ModePage(mode, index);
    if (!page) return false;
    if (j >= std::min(page->TaskCount, MaxTasks)) return true;
    TAutoTask& task = page->Tasks[static_cast<std::size_t>(j)];
    if (!TaskMatches(task, now)) {
      task.Fired = false;
    } else if (!task.Fired) {
      // The latch is set before the start, so a start that throws cannot
      // make the entry fire again within the same minute.
      task.Fired = true;
      start(mode, index, {true, task.Value, task.Value, task.ByMinutes});
    }
  }
}

}  // namespace

int WeekdayNumber(const SystemTime& time) { return time.DayOfWeek == 0 ? 7 : time.DayOfWeek; }

bool TaskMatches(const TAutoTask& task, const SystemTime& now) {
  const bool atMinute = task.Minute == now.Minute;
  const bool atHourMinute = task.Hour == now.Hour && atMinute;
  switch (task.Type) {
    case ttSingle:
      return task.Year == now.Year && task.Month == now.Month && task.Day == now.Day && atHourMinute;
    case ttEveryHour:
      return atMinute;
    case ttEveryDay:
      return atHourMinute;
    case ttEveryWeek:
      return task.Day == WeekdayNumber(now) && atHourMinute;
    default:
      return task.Day == now.Day && atHourMinute;
  }
}

void TasksTimerTick(const PageStarter& start, const LocalClock& clock) noexcept {
  try {
    const SystemTime now = clock();
    for (Mode mode : AllModes) {
      for (int i = 0; i < ModePageCount(mode); ++i) {
        const TPageCommon* page = ModePage(mode, i);
        if (page->StartSchedules && !FireEntries(mode, i, now, start)) continue;
        // Read after the entries: a page one of them started is no longer idle.
        page = ModePage(mode, i);
        if (page && page->StartEvery && !page->Worker &&
            WholeMinutesBetween(page->EndTime, now) >= std::int64_t{page->EveryMinutes})
          start(mode, i, {});
      }
    }
  } catch (...) {
  }
}

void StartupTimerTick(const PageStarter& start) noexcept {
  try {
    for (Mode mode : AllModes) {
      for (int i = 0; i < ModePageCount(mode); ++i) {
        const TPageCommon* page = ModePage(mode, i);
        if (page->StartOnStartup && !page->Worker) start(mode, i, {});
      }
    }
  } catch (...) {
  }
}
