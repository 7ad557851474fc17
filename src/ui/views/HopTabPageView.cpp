#include "ui/views/HopTabPageView.h"

#include "ui/views/TabView.h"

void HopTabPageView::SetRunning(bool) { tab_.UpdateRunButtons(); }

void HopTabPageView::ResultRowsChanged() { tab_.RebuildHostRows(); }

void HopTabPageView::HostRowChanged(int row) { tab_.RefreshHostRow(row); }

void HopTabPageView::AppendReplyRow(const TReplyRecord& reply, std::uint32_t number) {
  tab_.AppendReplyRow(reply, number);
}

// A row follows its hop's record: a hop that starts has one ("*" or
// "Error"), a hop beyond the destination (State -1) has none.
void HopTabPageView::HopRowAdded(int slot) { tab_.RefreshHostRow(slot); }

void HopTabPageView::HopRowRemoved(int slot, bool wasSelected) {
  // The grid first: once the row is gone, its lines must not stay behind
  // as if they were hop 1's, which the engine now appends to.
  if (wasSelected) tab_.RefillReplies(0);
  tab_.RefreshHostRow(slot);
}
