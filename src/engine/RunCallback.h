#pragma once

#include <cstdint>

#include "engine/PageViews.h"
#include "engine/ReplyAccounting.h"
#include "engine/RunThread.h"
#include "pages/PageRegistry.h"

// The check every callback of a run makes before it writes, and the common
// body of the per-echo callback. User-interface thread only.

// What a thread knows of the page it works for. Threads never hold a page
// pointer: pages are deleted and their indexes reused while runs go on.
struct RunStamp {
  std::int32_t PageId = 0;
  std::int32_t RunId = 0;
};

// The page with the stamp's id if it still runs the stamp's run, else null.
// Start, Stop and the end of a run each advance the page's RunId, so late
// results of an earlier run find nothing.
template <class Page>
Page* PageOfRun(const TPageRegistry<Page>& registry, RunStamp stamp) {
  Page* page = registry.FindById(stamp.PageId);
  return page && page->RunId == stamp.RunId ? page : nullptr;
}

// The same, and null as well once the calling thread has been told to stop.
template <class Page>
Page* PageForCallback(const TPageRegistry<Page>& registry, const RunThread& thread, RunStamp stamp) {
  if (thread.Terminated()) return nullptr;
  return PageOfRun(registry, stamp);
}

// The mode's view when the page is the one its tab shows, else null.
template <class Page>
PageView* ViewIfShown(const TPageRegistry<Page>& registry, const Page& page) {
  return registry.CurrentPage() == &page ? ModePageView(registry.mode) : nullptr;
}

// One echo result for row `row` of a page that runs the result's run: the row's
// statistics and store, then, on the shown page, the replies grid (only for
// the selected row, only when replies are kept) and the row itself.
void AddReplyToPage(const TPingRegistry& registry, TPingPage& page, int row, const EchoResult& result,
                    const SystemTime& stamp);

// The per-echo callback of the Ping, Multi ping, Trace route and Path ping
// workers: the run check, the time stamp of arrival, then AddReplyToPage.
// False when the result was dropped.
bool AddReplyOfRun(const TPingRegistry& registry, const RunThread& thread, RunStamp stamp, int row,
                   const EchoResult& result);
