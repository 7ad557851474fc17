#pragma once

#include "engine/HopPageView.h"

class TabView;

// What a Trace route or Path ping run's callbacks change on its tab, carried
// out by the tab's view: hop rows come and go with the run, the replies grid
// follows the selected hop. The engine calls it only for the page the tab
// shows, on the user-interface thread.
class HopTabPageView final : public HopPageView {
 public:
  explicit HopTabPageView(TabView& tab) : tab_(tab) {}

  void SetRunning(bool running) override;
  void ResultRowsChanged() override;
  void HostRowChanged(int row) override;
  void AppendReplyRow(const TReplyRecord& reply, std::uint32_t number) override;
  void HopRowAdded(int slot) override;
  void HopRowRemoved(int slot, bool wasSelected) override;

 private:
  TabView& tab_;
};
