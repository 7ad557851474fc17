#pragma once

#include "ui/frames/TModeFrame.h"

class RowListModel;

// The layout that the Trace route and Path ping tabs share: a target host,
// a hop limit and the hop list.
class THopFrame : public TModeFrame {
  Q_OBJECT

 public:
  QLineEdit* EditHost = nullptr;  // "Host name:", at most 96 bytes of UTF-8
  QLineEdit* EditHops = nullptr;  // "Max. hops:"
  // Columns as the Ping host list; rows ordered by hop.
  QTreeView* ListView1 = nullptr;
  RowListModel* Hosts = nullptr;

  QTreeView* HostView() const override { return ListView1; }

 protected:
  explicit THopFrame(QWidget* parent);
};
