#include "ui/frames/TFrameRangePing.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTreeView>

#include "ui/frames/GridSetup.h"
#include "ui/models/RowListModel.h"

TFrameRangePing::TFrameRangePing(QWidget* parent) : TModeFrame(QStringLiteral("Hosts"), true, parent) {
  EditFrom = MakeEdit(128, GroupBoxParam);
  EditTo = MakeEdit(128, GroupBoxParam);
  EditThreads = MakeEdit(3, GroupBoxParam);
  LayOutParams({new QLabel(QStringLiteral("IP range from:"), GroupBoxParam), EditFrom,
                new QLabel(QStringLiteral("To:"), GroupBoxParam), EditTo},
               QStringLiteral("Max. threads:"), EditThreads, {CheckBoxResolveHostName, CheckBoxShowReplys});

  AliveHosts = new RowListModel(
      {"IP Address", "Host Name", "Sent", "Received", "Lost", "Min.", "Max.", "Avg.", "Cur."},
      RowListModel::Order::ByUnsignedKey, RowListModel::Images::Result, this);
  VirtualStringTree1 = new QTreeView(GroupBoxResult);
  SetUpGrid(VirtualStringTree1, AliveHosts, {120, 110, 55, 60, 65, 45, 45, 45, 55});
  PlaceHostView(VirtualStringTree1);
}
