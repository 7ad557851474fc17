#pragma once

#include "ui/frames/TModeFrame.h"

class RowListModel;

// The Ping tab: one host, pinged at one or all of its addresses.
class TFramePing : public TModeFrame {
  Q_OBJECT

 public:
  explicit TFramePing(QWidget* parent = nullptr);

  QLineEdit* EditHost = nullptr;  // "Host name:", at most 96 bytes of UTF-8
  QLineEdit* EditTtl = nullptr;   // "TTL:"
  QCheckBox* CheckBoxPingForAllIp = nullptr;
  // Columns "N", "IP Address", "Host Name", "Sent", "Received", "Lost",
  // "Min.", "Max.", "Avg.", "Cur."; rows ordered by host slot.
  QTreeView* ListView1 = nullptr;
  RowListModel* Hosts = nullptr;

  QTreeView* HostView() const override { return ListView1; }
};
