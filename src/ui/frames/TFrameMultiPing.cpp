#include "ui/frames/TFrameMultiPing.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>

#include "ui/frames/GridSetup.h"
#include "ui/models/MultiPingHostModel.h"

TFrameMultiPing::TFrameMultiPing(QWidget* parent) : TModeFrame(QStringLiteral("Hosts"), false, parent) {
  EditHost = MakeTextEdit(96, GroupBoxParam);
  EditTtl = MakeEdit(3, GroupBoxParam);
  BitBtnAdd = new QPushButton(QStringLiteral("Add"), GroupBoxParam);
  BitBtnDelete = new QPushButton(QStringLiteral("Delete"), GroupBoxParam);
  BitBtnDelete->setEnabled(false);
  CheckBoxResolveHostName->setText(QStringLiteral("Resolve host name"));
  CheckBoxShowReplys->setText(QStringLiteral("Show replys"));
  LayOutParams({new QLabel(QStringLiteral("Host name:"), GroupBoxParam), EditHost, BitBtnAdd, BitBtnDelete},
               QStringLiteral("TTL:"), EditTtl, {CheckBoxResolveHostName, CheckBoxShowReplys});

  Hosts = new MultiPingHostModel(this);
  ListView1 = new QTreeView(GroupBoxResult);
  SetUpGrid(ListView1, Hosts, {120, 110, 130, 55, 60, 65, 45, 45, 45, 55});
  PlaceHostView(ListView1);
}
