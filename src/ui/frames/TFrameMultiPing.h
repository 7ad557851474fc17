#pragma once

#include "ui/frames/TModeFrame.h"

class MultiPingHostModel;

// The Multi ping tab: a list of hosts pinged at once.
class TFrameMultiPing : public TModeFrame {
  Q_OBJECT

 public:
  explicit TFrameMultiPing(QWidget* parent = nullptr);

  QLineEdit* EditHost = nullptr;  // the next host to add, at most 96 bytes of UTF-8
  QLineEdit* EditTtl = nullptr;
  QPushButton* BitBtnAdd = nullptr;
  QPushButton* BitBtnDelete = nullptr;  // disabled until a host row is selected
  // Columns "Host Name", "IP Address", "Resolved Host Name", "Sent",
  // "Received", "Lost", "Min.", "Max.", "Avg.", "Cur."; rows ordered by host.
  QTreeView* ListView1 = nullptr;
  MultiPingHostModel* Hosts = nullptr;

  QTreeView* HostView() const override { return ListView1; }
};
