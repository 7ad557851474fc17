#pragma once

#include <QTimer>
#include <cstdint>
#include <vector>

#include "engine/RangePageView.h"

class RangePingTabView;

// What an IP range ping run's callbacks change on its tab: the run buttons,
// the rows of the alive-host grid (kept in address order by the grid's
// model, which inserts each new row at its place) and the replies grid.
//
// A sweep adds up to 1,100 hosts a second. Every row inserted into a shown
// tree view makes it lay out all its rows again at its next paint, which
// at tens of thousands of rows would keep the user-interface thread busy
// with layouts alone; so new and changed rows are gathered and put into the
// grid together, at most RepliesModel::BatchIntervalMs after the answer, and
// at once when the run ends; the replies grid batches its lines the same
// way. The records themselves are always current; only their rows lag.
class RangeTabPageView final : public RangePageView {
 public:
  explicit RangeTabPageView(RangePingTabView& tab);

  void SetRunning(bool running) override;
  void ResultRowsChanged() override;
  void HostRowChanged(int row) override;
  void AppendReplyRow(const TReplyRecord& reply, std::uint32_t number) override;
  void AliveHostAdded(int host) override;

  // Puts the gathered rows into the grid now. Rows of a page that is no
  // longer the one shown are dropped: showing a page builds all its rows.
  void Flush();
  int PendingRows() const { return static_cast<int>(pending_.size()); }

 private:
  void Gather(int host);

  RangePingTabView& tab_;
  QTimer timer_;
  std::int32_t pageId_ = -1;            // the page the gathered rows belong to
  std::vector<int> pending_;            // host records, first come first
  std::vector<std::uint8_t> gathered_;  // by record index: already in pending_
};
