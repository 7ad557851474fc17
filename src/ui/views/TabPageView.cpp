#include "ui/views/TabPageView.h"

#include "pages/RowTexts.h"
#include "ui/frames/TModeFrame.h"
#include "ui/models/RepliesModel.h"
#include "ui/views/TabView.h"

TabPageView::TabPageView(TabView& tab) : tab_(tab) {
  refresh_.setSingleShot(true);
  refresh_.setInterval(RepliesModel::BatchIntervalMs);
  QObject::connect(&refresh_, &QTimer::timeout, &refresh_, [this] { RefreshChangedRows(); });
}

void TabPageView::SetRunning(bool) { tab_.UpdateRunButtons(); }

void TabPageView::ResultRowsChanged() {
  // The rebuild reads every row from the page, the waiting ones included.
  changedRows_.clear();
  refresh_.stop();
  tab_.RebuildHostRows();
}

void TabPageView::HostRowChanged(int row) {
  changedRows_.insert(row);
  if (!refresh_.isActive()) refresh_.start();
}

void TabPageView::RefreshChangedRows() {
  std::set<int> rows;
  rows.swap(changedRows_);
  // Each row is read from the shown page as it is now; a row that page no
  // longer shows stays away.
  for (int row : rows) tab_.RefreshHostRow(row);
}

void TabPageView::AppendReplyRow(const TReplyRecord& reply, std::uint32_t number) {
  try {
    tab_.Frame()->Replies->AppendSoon(ReplyRow(reply, number, tab_.TabMode() == Mode::RangePing));
  } catch (...) {
    // The store has the result; the grid shows it after the next refill.
  }
}
