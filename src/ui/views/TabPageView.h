#pragma once

#include <QTimer>
#include <set>

#include "engine/PageViews.h"

class TabView;

// What a run's callbacks change on a tab, carried out by the tab's view: the
// engine calls it only for the page the tab shows, on the user-interface
// thread. One serves the Ping and Multi ping tabs; the tab view knows its
// own rows.
//
// A run reports every echo, hundreds a second on a fast target, and each
// repaint of the lists costs more than an echo. So changed host rows and new
// replies are gathered and reach the lists together, at most
// RepliesModel::BatchIntervalMs after the echo; the page's data are current
// at once, and whatever rebuilds the lists from them drops what is waiting.
class TabPageView final : public PageView {
 public:
  explicit TabPageView(TabView& tab);

  // Start and Stop (on Multi ping also the host buttons) follow the page's
  // run state, which the engine has set before it calls this.
  void SetRunning(bool running) override;
  void ResultRowsChanged() override;
  void HostRowChanged(int row) override;
  void AppendReplyRow(const TReplyRecord& reply, std::uint32_t number) override;

  // The rows waiting for their refresh.
  int WaitingRows() const { return static_cast<int>(changedRows_.size()); }

 private:
  void RefreshChangedRows();

  TabView& tab_;
  std::set<int> changedRows_;
  QTimer refresh_;
};
