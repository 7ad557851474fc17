#include "ui/frames/TFramePages.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "ui/frames/GridSetup.h"
#include "ui/frames/Utf8ByteLimit.h"
#include "ui/models/PageListModel.h"

TFramePages::TFramePages(QWidget* parent) : QWidget(parent) {
  GroupBox1 = new QGroupBox(QStringLiteral("Pages"), this);
  Model = new PageListModel(this);
  ListView1 = new QTreeView(GroupBox1);
  SetUpGrid(ListView1, Model, {200});
  ListView1->setHeaderHidden(true);
  ListView1->header()->setStretchLastSection(true);

  Panel1 = new QWidget(GroupBox1);
  EditPageName = new QLineEdit(QStringLiteral("New Page"), Panel1);
  LimitUtf8Bytes(EditPageName, 64);
  ButtonAdd = new QPushButton(QStringLiteral("Add"), Panel1);
  ButtonRename = new QPushButton(QStringLiteral("Rename"), Panel1);
  ButtonDel = new QPushButton(QStringLiteral("Delete"), Panel1);
  auto* panel = new QVBoxLayout(Panel1);
  panel->setContentsMargins(0, 0, 0, 0);
  panel->addWidget(EditPageName);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(ButtonAdd);
  buttons->addWidget(ButtonRename);
  buttons->addWidget(ButtonDel);
  panel->addLayout(buttons);

  auto* box = new QVBoxLayout(GroupBox1);
  box->addWidget(ListView1, 1);
  box->addWidget(Panel1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(GroupBox1);

  connect(ListView1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this](const QItemSelection& selected, const QItemSelection&) {
            if (!selected.isEmpty()) OnSelectionChanged();
          });
}

ListHandle TFramePages::SelectedRow() const {
  const QModelIndexList rows = ListView1->selectionModel()->selectedRows();
  return rows.isEmpty() ? NoListItem : Model->HandleOf(rows.first());
}

void TFramePages::SelectRow(ListHandle row) {
  const QModelIndex at = Model->IndexOf(row);
  if (!at.isValid()) return;
  ListView1->setFocus();
  ListView1->selectionModel()->setCurrentIndex(
      at, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  ListView1->scrollTo(at);
}

void TFramePages::OnSelectionChanged() {
  try {
    const ListHandle row = SelectedRow();
    if (row != NoListItem) emit PageRowSelected(row);
  } catch (...) {
    // A failed selection leaves the shown page as it was.
  }
}
