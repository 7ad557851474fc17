#pragma once

#include "engine/PageViews.h"
#include "pages/PageRegistry.h"

// The view of the Trace route and Path ping tabs. Their hop rows come and go
// during a run: a hop's worker adds its row when it starts, and a hop found
// to lie beyond the destination loses it. User-interface thread only; the
// engine calls it only for the page the tab shows.
class HopPageView : public PageView {
 public:
  // Slot `slot` got its row ("*" or "Error", by the slot's State); rows stand
  // in hop order whatever the order in which they arrive. The view links the
  // row to the slot (THostResult::ListItem).
  virtual void HopRowAdded(int slot) = 0;
  // Slot `slot` lies beyond the destination: its row goes and its link is
  // cleared. wasSelected: its replies were the ones the grid showed; the
  // page's SelectedHost has already moved to hop 1, and the grid follows.
  virtual void HopRowRemoved(int slot, bool wasSelected) = 0;

 protected:
  ~HopPageView() = default;
};

// Makes `view` the view of a hop tab (mode Traceroute or PathPing), for
// ModePageView as well; null detaches it. Other modes are ignored.
void SetHopPageView(Mode mode, HopPageView* view);

// The hop view of the page's tab when the page is the one the tab shows,
// else null.
HopPageView* HopViewIfShown(const TPingRegistry& registry, const TPingPage& page);
