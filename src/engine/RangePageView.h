#pragma once

#include "engine/PageViews.h"
#include "pages/PageRegistry.h"

// What an IP range ping run changes on its tab beyond what every tab has.
// The rows of the alive-host grid are the page's host records by index into
// TRangePingPage::Hosts (the order of first answer); the grid itself keeps
// them in address order. HostRowChanged(k) means record k's name or
// statistics changed. User-interface thread only, and only for the page the
// tab shows.
class RangePageView : public PageView {
 public:
  // An address answered for the first time in this run and got record
  // `host`, statistics of that first answer included: its row goes into the
  // alive-host grid at the place its address gives it, and the view links
  // the row to the record (THostResult::ListItem).
  virtual void AliveHostAdded(int host) = 0;

 protected:
  ~RangePageView() = default;
};

// The IP range ping tab's view when `page` is the page it shows, else null.
// A view registered for the mode that is no RangePageView gets nothing.
RangePageView* RangeViewIfShown(const TRangeRegistry& registry, const TRangePingPage& page);
