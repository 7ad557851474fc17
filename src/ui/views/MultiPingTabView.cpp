#include "ui/views/MultiPingTabView.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTreeView>

#include "pages/EditorNumbers.h"
#include "pages/PageOperations.h"
#include "ui/CopyMenus.h"
#include "ui/frames/EditorBytes.h"
#include "ui/frames/TFrameMultiPing.h"
#include "ui/frames/TFramePages.h"
#include "ui/models/MultiPingHostModel.h"
#include "ui/models/PageListModel.h"

MultiPingTabView::MultiPingTabView(TFramePages* pages, TFrameMultiPing* frame, CopyMenus& menus,
                                   QObject* parent)
    : RegistryTabView(Mode::MultiPing, MultiPingRegistry, pages, menus, parent), frame_(frame) {
  registry_.List = pages->Model;
  registry_.HostList = frame->Hosts;
  Connect();
  QTreeView* list = frame->ListView1;
  connect(frame->Hosts, &MultiPingHostModel::SelectRowRequested, list, [list](const QModelIndex& at) {
    try {
      list->selectionModel()->setCurrentIndex(
          at, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    } catch (...) {
    }
  });
  connect(frame->BitBtnAdd, &QPushButton::clicked, this, &MultiPingTabView::AddHostClick);
  connect(frame->BitBtnDelete, &QPushButton::clicked, this, &MultiPingTabView::DeleteHostClick);
  connect(menus.DeleteHost3, &QAction::triggered, this, &MultiPingTabView::DeleteHostClick);
}

MultiPingTabView::~MultiPingTabView() {
  if (registry_.List == pages_->Model) registry_.List = nullptr;
  if (registry_.HostList == frame_->Hosts) registry_.HostList = nullptr;
}

TModeFrame* MultiPingTabView::Frame() const { return frame_; }

void MultiPingTabView::StoreFrameToPage() {
  try {
    TPingPage* page = Current();
    if (!page) return;
    // The host editor feeds the host list, but its text is kept with the page too.
    page->Host = EditorBytes(frame_->EditHost);
    StoreRunSettings(*page);
    page->Ttl = EditorInt(EditorText(frame_->EditTtl), 255, 1, 255);
    page->ResolveHostName = frame_->CheckBoxResolveHostName->isChecked();
    page->ShowReplys = frame_->CheckBoxShowReplys->isChecked();
  } catch (...) {
    // Fields stored before the failure keep their new values.
  }
}

void MultiPingTabView::LoadEditors(const TPageCommon& common) {
  const auto& page = static_cast<const TPingPage&>(common);
  frame_->GroupBoxParam->setTitle(QString::fromStdString(page.Name));
  ShowBytes(frame_->EditHost, page.Host);
  LoadRunSettings(page);
  SetNumber(frame_->EditTtl, page.Ttl);
  frame_->CheckBoxResolveHostName->setChecked(page.ResolveHostName);
  frame_->CheckBoxShowReplys->setChecked(page.ShowReplys);
}

void MultiPingTabView::ShowRunButtons(const TPageCommon& page) {
  // No host row is selected right after a page is shown, so Delete waits for one.
  frame_->BitBtnAdd->setEnabled(!page.Worker);
  frame_->BitBtnDelete->setEnabled(false);
  TabView::ShowRunButtons(page);
}

void MultiPingTabView::UpdateRunButtons() {
  try {
    const TPageCommon* page = CurrentPage();
    if (!page) return;
    const bool idle = !page->Worker;
    const bool selected = frame_->ListView1->selectionModel()->hasSelection();
    frame_->BitBtnAdd->setEnabled(idle);
    frame_->BitBtnDelete->setEnabled(idle && selected);
    menus_.DeleteHost3->setEnabled(idle && selected);
    TabView::ShowRunButtons(*page);
  } catch (...) {
  }
}

bool MultiPingTabView::BuildHostRows(TPageCommon& page) {
  // Every host of the list has its row, whatever the page's own result state.
  PutHostRows(page);
  return true;
}

std::optional<HostRowText> MultiPingTabView::RowText(int, const THostResult& host) const {
  return MultiPingHostRow(host);
}

void MultiPingTabView::HostRowChanged(ListHandle row) {
  if (row == NoListItem) {
    frame_->BitBtnDelete->setEnabled(false);
    TabView::HostRowChanged(row);
    return;
  }
  TabView::HostRowChanged(row);
  menus_.DeleteHost3->setEnabled(false);
  if (!PageRunning()) {
    frame_->BitBtnDelete->setEnabled(true);
    menus_.DeleteHost3->setEnabled(true);
  }
}

void MultiPingTabView::ShowHostMenu(const QPoint& pos) {
  menus_.PopupMenu3->popup(frame_->ListView1->viewport()->mapToGlobal(pos));
}

void MultiPingTabView::AddHostClick() {
  try {
    const TPingPage* page = Current();
    if (!page || page->Worker) return;
    const std::string host = EditorBytes(frame_->EditHost);
    if (host.empty()) return;
    AddMultiPingHost(registry_, registry_.Current, host);
  } catch (...) {
    // A refused host shows nothing.
  }
}

void MultiPingTabView::DeleteHostClick() {
  try {
    const QModelIndexList rows = frame_->ListView1->selectionModel()->selectedRows();
    if (rows.isEmpty()) return;
    const TPingPage* page = Current();
    if (!page || page->Worker) return;
    const ListHandle row = frame_->Hosts->HandleOf(rows.first());
    DeleteMultiPingHost(registry_, registry_.Current, static_cast<int>(frame_->Hosts->Key(row)));
  } catch (...) {
  }
}
