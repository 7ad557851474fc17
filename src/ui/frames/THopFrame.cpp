#include "ui/frames/THopFrame.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTreeView>

#include "ui/frames/GridSetup.h"
#include "ui/frames/HostColumns.h"
#include "ui/models/RowListModel.h"

THopFrame::THopFrame(QWidget* parent) : TModeFrame(QStringLiteral("Hops"), false, parent) {
  EditHost = MakeTextEdit(96, GroupBoxParam);
  EditHops = MakeEdit(3, GroupBoxParam);
  LayOutParams({new QLabel(QStringLiteral("Host name:"), GroupBoxParam), EditHost},
               QStringLiteral("Max. hops:"), EditHops, {CheckBoxResolveHostName, CheckBoxShowReplys});

  Hosts = new RowListModel(SlotListHeaders(), RowListModel::Order::ByKey, RowListModel::Images::Result, this);
  ListView1 = new QTreeView(GroupBoxResult);
  SetUpGrid(ListView1, Hosts, {50, 120, 150, 55, 60, 65, 45, 45, 45, 55});
  PlaceHostView(ListView1);
}
