#include "ui/frames/TFramePing.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTreeView>

#include "ui/frames/GridSetup.h"
#include "ui/frames/HostColumns.h"
#include "ui/models/RowListModel.h"

TFramePing::TFramePing(QWidget* parent) : TModeFrame(QStringLiteral("Hosts"), false, parent) {
  EditHost = MakeTextEdit(96, GroupBoxParam);
  EditTtl = MakeEdit(3, GroupBoxParam);
  CheckBoxResolveHostName->setText(QStringLiteral("Resolve host name"));
  CheckBoxPingForAllIp = new QCheckBox(QStringLiteral("Ping to all IP of host"), GroupBoxParam);
  LayOutParams({new QLabel(QStringLiteral("Host name:"), GroupBoxParam), EditHost}, QStringLiteral("TTL:"),
               EditTtl, {CheckBoxResolveHostName, CheckBoxPingForAllIp, CheckBoxShowReplys});

  Hosts = new RowListModel(SlotListHeaders(), RowListModel::Order::ByKey, RowListModel::Images::Result, this);
  ListView1 = new QTreeView(GroupBoxResult);
  SetUpGrid(ListView1, Hosts, {50, 120, 150, 55, 60, 65, 45, 45, 45, 55});
  PlaceHostView(ListView1);
}
