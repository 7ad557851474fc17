#pragma once

#include <cstdint>

#include "pages/PageTypes.h"

// What the engine's callbacks may change on a tab: the window gives each
// tab's frame one of these, the engine calls it only for the page the tab
// shows (its registry's current page), on the user-interface thread. The
// views read everything else from the page records themselves. Modes with
// more controls extend it.
class PageView {
 public:
  // Start and Stop (Multi ping: also its host buttons) for a page that runs or is idle.
  virtual void SetRunning(bool running) = 0;
  // The page's rows or its result state changed as a whole (targets known,
  // hops trimmed): rebuild the result list from the page.
  virtual void ResultRowsChanged() = 0;
  // One row's counters, times, address or host name changed. A view that
  // does not show the row ignores it.
  virtual void HostRowChanged(int row) = 0;
  // A new line at the end of the replies grid, which shows the selected
  // row's replies: echo `number` of the run. The grid keeps the record's
  // status, time stamp and reply fields; for a lost echo only its status.
  virtual void AppendReplyRow(const TReplyRecord& reply, std::uint32_t number) = 0;

 protected:
  ~PageView() = default;
};

// The view of a mode's tab; null (the default) while no window is attached.
// User-interface thread only.
void SetPageView(Mode mode, PageView* view);
PageView* ModePageView(Mode mode);
