#pragma once

#include <cstdint>
#include <functional>

#include "pages/PageTypes.h"
#include "platform/SystemTime.h"

// Starting pages without the user: by their schedule entries and every N
// minutes (the task timer, every second) and once at program start-up (the
// start-up timer). The walks visit the modes in their order and each mode's
// pages in list order, and start a page only through the starter the window
// passes, which is the tab's own Start operation. User-interface thread only.

// What a start asks for: the page's own settings, or with fromTask a
// schedule entry's count or minutes for this run only.
struct ScheduledStart {
  bool fromTask = false;
  std::int32_t retries = 1;
  std::int32_t minutes = 1;
  bool byMinutes = false;

  friend bool operator==(const ScheduledStart&, const ScheduledStart&) = default;
};

// Must run synchronously: when it returns, a run it cut has had its end-of-run
// actions and the page's Worker shows whether a new run exists. The walks rely
// on that, since a later entry and "Start every" look at the page again.
using PageStarter = std::function<void(Mode mode, int pageIndex, const ScheduledStart& start)>;
using LocalClock = std::function<SystemTime()>;

// The day numbers of "Every week" entries: 1 = Monday ... 7 = Sunday.
int WeekdayNumber(const SystemTime& time);

// Whether an entry falls on the minute of `now`. Single: year, month, day,
// hour and minute; every hour: the minute; every day: hour and minute; every
// week: week day, hour and minute; every month (and any unknown type): day of
// the month, hour and minute. Seconds never count.
bool TaskMatches(const TAutoTask& task, const SystemTime& now);

// The task timer's body. Reads the clock once; then, page by page, fires
// every entry that matches this minute and has not fired in it yet (also on
// a running page, whose run the start replaces), re-arms every entry that does
// not match, and afterwards starts an idle page with "Start every" once the
// minutes since its last run reached EveryMinutes. An exception ends the walk
// there: latches set and runs started stay; the next tick walks anew.
void TasksTimerTick(const PageStarter& start, const LocalClock& clock = LocalTimeNow) noexcept;

// The start-up timer's body, for its one tick: starts every idle page flagged
// "Start on program startup" with its own settings. An exception ends the walk.
void StartupTimerTick(const PageStarter& start) noexcept;
