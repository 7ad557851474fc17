#pragma once

#include <cstdint>
#include <optional>

#include "engine/RunLifecycle.h"
#include "pages/PageRegistry.h"

// Starting a run: the Start operation of each tab (StartPingPage and its
// twins, each in its own file), the dispatch by mode that the Start buttons
// and the scheduler use, and the steps every Start operation shares.
// User-interface thread only. Each Start operation runs, in this order:
//   OpenRun                      the page; its active run cut; the run id moved on
//   the mode's result reset      rows, result state, selected host (Clear...PageResult)
//   StampRunStart                StartTime and EndTime
//   Store<Mode>FrameToPage       only when the page is the tab's current page
//   the run settings             RunSettingsOfPage(page, arguments.Task())
//   the reply capacity           PingReplyCapacity or RangeReplyCapacity
//   the mode's host rows         where the mode prepares them before the run
//   LaunchController             the controller given to the page and started
// and catches whatever is thrown (CatchAll): steps done stay done, and no
// controller starts after a failure.

// What a Start operation takes after the page index. With fromTask the
// task's count, minutes and mode replace the page's for this run only.
struct StartArguments {
  bool fromTask = false;
  std::int32_t retries = 1;
  std::int32_t minutes = 1;
  bool byMinutes = false;

  // The replacement RunSettingsOfPage takes; empty without fromTask.
  std::optional<TaskRunValues> Task() const;
};

// Starts page `index` of the mode's registry with the mode's Start
// operation; a mode whose Start operation does not exist yet starts nothing.
void StartPage(Mode mode, int index, const StartArguments& arguments = {});

// Null when `index` is not a page of the registry. Otherwise the page's
// active run, if any, is told to end and gets its end-of-run actions, and
// the run id moves on once more for the new run.
template <class Page>
Page* OpenRun(TPageRegistry<Page>& registry, int index) {
  Page* page = registry.At(index);
  if (!page) return nullptr;
  CutRunOfPage(registry, *page);
  page->RunId = RunIdAfter(page->RunId);
  return page;
}

// StartTime and EndTime from one reading of the local time.
void StampRunStart(TPageCommon& page);
