#include "ui/views/RangePingTabView.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QTreeView>

#include "pages/EditorNumbers.h"
#include "ui/CopyMenus.h"
#include "ui/frames/EditorBytes.h"
#include "ui/frames/TFramePages.h"
#include "ui/frames/TFrameRangePing.h"
#include "ui/models/PageListModel.h"

RangePingTabView::RangePingTabView(TFramePages* pages, TFrameRangePing* frame, CopyMenus& menus,
                                   QObject* parent)
    : RegistryTabView(Mode::RangePing, RangePingRegistry, pages, menus, parent), frame_(frame) {
  registry_.List = pages->Model;
  Connect();
}

RangePingTabView::~RangePingTabView() {
  if (registry_.List == pages_->Model) registry_.List = nullptr;
}

TModeFrame* RangePingTabView::Frame() const { return frame_; }

void RangePingTabView::StoreFrameToPage() {
  try {
    TRangePingPage* page = Current();
    if (!page) return;
    page->From = EditorBytes(frame_->EditFrom);
    page->To = EditorBytes(frame_->EditTo);
    StoreRunSettings(*page);
    page->Threads = EditorInt(EditorText(frame_->EditThreads), 10, 1, MaxPoolThreads);
    page->ResolveHostName = frame_->CheckBoxResolveHostName->isChecked();
    page->ShowReplys = frame_->CheckBoxShowReplys->isChecked();
  } catch (...) {
    // Fields stored before the failure keep their new values.
  }
}

void RangePingTabView::LoadEditors(const TPageCommon& common) {
  const auto& page = static_cast<const TRangePingPage&>(common);
  frame_->GroupBoxParam->setTitle(QString::fromStdString(page.Name));
  ShowBytes(frame_->EditFrom, page.From);
  ShowBytes(frame_->EditTo, page.To);
  LoadRunSettings(page);
  SetNumber(frame_->EditThreads, page.Threads);
  frame_->CheckBoxResolveHostName->setChecked(page.ResolveHostName);
  frame_->CheckBoxShowReplys->setChecked(page.ShowReplys);
}

bool RangePingTabView::BuildHostRows(TPageCommon& page) {
  // A page that has not run since it was added or cleared shows no hosts.
  if (page.ResultState != psOk) return false;
  PutHostRows(page);
  return true;
}

std::optional<HostRowText> RangePingTabView::RowText(int, const THostResult& host) const {
  if (host.State != 0) return std::nullopt;
  return AliveHostRow(host);
}

std::int64_t RangePingTabView::RowKey(int, const THostResult& host) const { return AliveHostKey(host); }

void RangePingTabView::HostRowChanged(ListHandle row) {
  // Only the replies follow the grid's focus; the copy texts are made when its menu opens.
  if (row == NoListItem) return;
  TRangePingPage* page = Current();
  if (!page) return;
  for (int k = 0; k < page->HostCount; ++k) {
    const THostResult* host = Slot(*page, k);
    if (host && host->ListItem == row) {
      if (k != page->SelectedHost) RefillReplies(k);
      return;
    }
  }
}

void RangePingTabView::ShowHostMenu(const QPoint& pos) {
  QTreeView* grid = frame_->VirtualStringTree1;
  const QModelIndex at = grid->indexAt(pos);
  menus_.PrepareAliveHostMenu(HostModel(), at.isValid() ? at.row() : -1);
  menus_.PopupMenu1->popup(grid->viewport()->mapToGlobal(pos));
}
