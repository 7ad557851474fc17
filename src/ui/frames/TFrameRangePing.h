#pragma once

#include "ui/frames/TModeFrame.h"

class RowListModel;

// The IP range ping tab: every IPv4 address of a range, answering hosts in a grid.
class TFrameRangePing : public TModeFrame {
  Q_OBJECT

 public:
  explicit TFrameRangePing(QWidget* parent = nullptr);

  QLineEdit* EditFrom = nullptr;     // "IP range from:", at most 128 characters
  QLineEdit* EditTo = nullptr;       // "To:"
  QLineEdit* EditThreads = nullptr;  // "Max. threads:"
  // The alive-host grid: "IP Address", "Host Name", "Sent", "Received",
  // "Lost", "Min.", "Max.", "Avg.", "Cur."; rows ordered by address.
  QTreeView* VirtualStringTree1 = nullptr;
  RowListModel* AliveHosts = nullptr;

  QTreeView* HostView() const override { return VirtualStringTree1; }
};
