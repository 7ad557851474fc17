#include "ui/views/RangeTabPageView.h"

#include <algorithm>

#include "pages/PageRegistry.h"
#include "pages/RowTexts.h"
#include "ui/frames/TModeFrame.h"
#include "ui/models/RepliesModel.h"
#include "ui/views/RangePingTabView.h"

RangeTabPageView::RangeTabPageView(RangePingTabView& tab) : tab_(tab) {
  timer_.setSingleShot(true);
  timer_.setInterval(RepliesModel::BatchIntervalMs);
  QObject::connect(&timer_, &QTimer::timeout, [this] { Flush(); });
}

void RangeTabPageView::SetRunning(bool running) {
  // A finished run shows its last rows with its buttons.
  if (!running) Flush();
  tab_.UpdateRunButtons();
}

void RangeTabPageView::ResultRowsChanged() {
  pending_.clear();
  gathered_.clear();
  tab_.RebuildHostRows();
}

void RangeTabPageView::HostRowChanged(int row) { Gather(row); }

void RangeTabPageView::AliveHostAdded(int host) { Gather(host); }

void RangeTabPageView::AppendReplyRow(const TReplyRecord& reply, std::uint32_t number) {
  try {
    tab_.Frame()->Replies->AppendSoon(ReplyRow(reply, number, true));
  } catch (...) {
    // The store has the reply; the grid shows it after the next refill.
  }
}

void RangeTabPageView::Gather(int host) {
  const TRangePingPage* page = RangePingRegistry.CurrentPage();
  if (!page || host < 0) return;
  if (page->Id != pageId_) {
    pending_.clear();
    gathered_.clear();
    pageId_ = page->Id;
  }
  const auto at = static_cast<std::size_t>(host);
  if (gathered_.size() <= at) gathered_.resize(std::max<std::size_t>(at + 1, gathered_.size() * 2), 0);
  if (gathered_[at]) return;
  gathered_[at] = 1;
  pending_.push_back(host);
  if (!timer_.isActive()) timer_.start();
}

void RangeTabPageView::Flush() {
  timer_.stop();
  std::vector<int> rows;
  rows.swap(pending_);
  gathered_.assign(gathered_.size(), 0);
  const TRangePingPage* page = RangePingRegistry.CurrentPage();
  if (!page || page->Id != pageId_) return;
  // Each row is made from its record as it stands now; a record that went
  // away meanwhile (Clear result) is skipped by RefreshHostRow.
  for (int host : rows) tab_.RefreshHostRow(host);
}
