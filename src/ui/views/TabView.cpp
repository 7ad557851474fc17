#include "ui/views/TabView.h"

#include <QGroupBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeView>

#include "pages/EditorNumbers.h"
#include "pages/TextHelpers.h"
#include "ui/CopyMenus.h"
#include "ui/frames/EditorBytes.h"
#include "ui/frames/TFramePages.h"
#include "ui/frames/TModeFrame.h"
#include "ui/models/PageListModel.h"
#include "ui/models/RepliesModel.h"
#include "ui/models/RowListModel.h"

TabView::TabView(Mode mode, TFramePages* pages, CopyMenus& menus, QObject* parent)
    : QObject(parent), mode_(mode), pages_(pages), menus_(menus) {}

TabView::~TabView() = default;

RowListModel& TabView::HostModel() const { return *static_cast<RowListModel*>(Frame()->HostView()->model()); }

void TabView::Connect() {
  TModeFrame* frame = Frame();
  QTreeView* hosts = frame->HostView();
  connect(hosts->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this, hosts] {
    try {
      const QModelIndexList rows = hosts->selectionModel()->selectedRows();
      HostRowChanged(rows.isEmpty() ? NoListItem : HostModel().HandleOf(rows.first()));
    } catch (...) {
      // The grid keeps what it showed.
    }
  });
  connect(hosts, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    try {
      ShowHostMenu(pos);
    } catch (...) {
    }
  });
  connect(frame->VirtualStringTree2, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    try {
      OnRepliesMenu(pos);
    } catch (...) {
    }
  });
  connect(pages_->Model, &PageListModel::ParamCaptionChanged, frame->GroupBoxParam, &QGroupBox::setTitle);
}

TPageCommon* TabView::CurrentPage() const { return Page(CurrentIndex()); }

bool TabView::PageRunning() const {
  const TPageCommon* page = CurrentPage();
  return page && page->Worker;
}

void TabView::SetNumber(QLineEdit* edit, std::int32_t value) { edit->setText(QString::number(value)); }

void TabView::StoreRunSettings(TPageCommon& page) const {
  const TModeFrame& f = *Frame();
  // Not-a-number gives 10 retries here, not the 4 of a new page.
  page.Retries = EditorInt(EditorText(f.EditRetries), 10, 1, 999999);
  page.Minutes = EditorInt(EditorText(f.EditMinutes), 1, 1, 60000);
  page.ByMinutes = f.RadioButtonMinutes->isChecked();
  page.TimeOut = EditorInt(EditorText(f.EditTimeOut), 1000, 100, 60000);
  page.Delay = EditorInt(EditorText(f.EditDelay), 1000, 0, 999999999);
  page.Bytes = EditorInt(EditorText(f.EditBytes), 32, 0, 65500);
}

void TabView::LoadRunSettings(const TPageCommon& page) {
  TModeFrame& f = *Frame();
  SetNumber(f.EditRetries, page.Retries);
  SetNumber(f.EditMinutes, page.Minutes);
  (page.ByMinutes ? f.RadioButtonMinutes : f.RadioButtonRetries)->setChecked(true);
  SetNumber(f.EditDelay, page.Delay);
  SetNumber(f.EditTimeOut, page.TimeOut);
  SetNumber(f.EditBytes, page.Bytes);
}

void TabView::ShowRunButtons(const TPageCommon& page) {
  Frame()->BitBtnStart->setEnabled(!page.Worker);
  Frame()->BitBtnStop->setEnabled(page.Worker != nullptr);
}

void TabView::UpdateRunButtons() {
  try {
    if (const TPageCommon* page = CurrentPage()) ShowRunButtons(*page);
  } catch (...) {
  }
}

void TabView::ShowPage(int index, bool storeFirst, bool selectInList) {
  try {
    if (index < 0 || index >= PageCount()) return;
    if (storeFirst) StoreFrameToPage();
    TPageCommon* page = Page(index);
    LoadEditors(*page);
    ShowRunButtons(*page);
    ShowBytes(pages_->EditPageName, page->Name);
    SetCurrent(index);
    if (selectInList) {
      // Selecting the row shows this page once more through the page list's
      // handler; the end state is the same either way.
      try {
        pages_->SelectRow(page->ListItem);
      } catch (...) {
      }
    }
    ClearHostLinks();
    Frame()->Replies->Clear();
    HostModel().Clear();
    if (BuildHostRows(*page)) ShowRepliesOf(*page);
  } catch (...) {
    // What was shown up to the failure stays.
  }
}

RowListModel::NewRow TabView::MakeRow(std::int64_t key, const HostRowText& text, int columns) {
  return {key, {text.Texts.begin(), text.Texts.begin() + columns}, text.Image};
}

void TabView::PutRows(const std::vector<LinkedRow>& rows) {
  std::vector<RowListModel::NewRow> made;
  made.reserve(rows.size());
  for (const LinkedRow& r : rows) made.push_back(r.row);
  const std::vector<ListHandle> handles = HostModel().ReplaceRows(made);
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (rows[i].host) rows[i].host->ListItem = handles[i];
}

void TabView::PutHostRows(TPageCommon& page) {
  std::vector<LinkedRow> rows;
  for (int slot = 0; slot < HostCount(page); ++slot) {
    THostResult* host = Host(page, slot);
    if (!host) continue;
    if (const std::optional<HostRowText> text = RowText(slot, *host))
      rows.push_back({host, MakeRow(RowKey(slot, *host), *text, RowColumns())});
  }
  PutRows(rows);
}

std::int64_t TabView::RowKey(int slot, const THostResult&) const { return slot; }

bool TabView::BuildHostRows(TPageCommon& page) {
  if (page.ResultState != psOk) {
    if (page.ResultState >= psHostNotFound && page.ResultState <= psError)
      PutRows({{nullptr, MakeRow(0, ResultStateRow(page.ResultState, mode_))}});
    return false;
  }
  PutHostRows(page);
  return true;
}

void TabView::RebuildHostRows() {
  try {
    TPageCommon* page = CurrentPage();
    if (!page) return;
    ClearHostLinks();
    HostModel().Clear();
    BuildHostRows(*page);
  } catch (...) {
  }
}

void TabView::RefreshHostRow(int slot) {
  try {
    TPageCommon* page = CurrentPage();
    THostResult* host = page ? Host(*page, slot) : nullptr;
    if (!host) return;
    RowListModel& model = HostModel();
    const std::optional<HostRowText> text = RowText(slot, *host);
    if (!model.Contains(host->ListItem)) {
      host->ListItem = text ? model.AppendRow(MakeRow(RowKey(slot, *host), *text, RowColumns())) : NoListItem;
      return;
    }
    if (!text) {
      model.RemoveRow(host->ListItem);
      host->ListItem = NoListItem;
      return;
    }
    model.SetKey(host->ListItem, RowKey(slot, *host));
    model.SetTexts(host->ListItem, 0, std::span<const std::string>(text->Texts.data(), RowColumns()));
    model.SetImage(host->ListItem, text->Image);
  } catch (...) {
  }
}

void TabView::AppendReplyRow(const TReplyRecord& reply, std::int64_t number) {
  try {
    Frame()->Replies->Append(ReplyRow(reply, number, mode_ == Mode::RangePing));
  } catch (...) {
  }
}

std::vector<ReplyRowText> TabView::ReplyRows(const THostResult& host) const {
  std::vector<ReplyRowText> rows;
  rows.reserve(host.Replies.size());
  const std::int64_t first = FirstReplyNumber(host);
  const bool ipv4Only = mode_ == Mode::RangePing;
  for (std::size_t i = 0; i < host.Replies.size(); ++i)
    rows.push_back(ReplyRow(host.Replies[i], first + static_cast<std::int64_t>(i), ipv4Only));
  return rows;
}

void TabView::ShowRepliesOf(TPageCommon& page) {
  const int slot = page.SelectedHost;
  if (slot < 0 || slot >= HostCount(page)) return;
  const THostResult* host = Host(page, slot);
  if (!host || !ListsReplies(*host, mode_) || host->Replies.empty()) return;
  Frame()->Replies->Refill(ReplyRows(*host));
}

void TabView::RefillReplies(int slot) {
  try {
    TPageCommon* page = CurrentPage();
    if (!page) return;
    page->SelectedHost = slot;
    Frame()->Replies->Clear();
    ShowRepliesOf(*page);
  } catch (...) {
  }
}

void TabView::HostRowChanged(ListHandle row) {
  const bool multiPing = mode_ == Mode::MultiPing;
  if (row == NoListItem) {
    menus_.HostRowDeselected(multiPing);
    return;
  }
  const TPageCommon* page = CurrentPage();
  const std::int64_t slot = HostModel().Key(row);
  if (page && slot >= 0 && slot < HostCount(*page) && slot != page->SelectedHost)
    RefillReplies(static_cast<int>(slot));
  menus_.HostRowSelected(multiPing, HostModel(), HostModel().RowOf(row));
}

void TabView::ShowHostMenu(const QPoint& pos) {
  menus_.PopupMenu1->popup(Frame()->HostView()->viewport()->mapToGlobal(pos));
}

void TabView::OnRepliesMenu(const QPoint& pos) {
  QTreeView* grid = Frame()->VirtualStringTree2;
  const QModelIndex at = grid->indexAt(pos);
  menus_.PrepareRepliesMenu(*Frame()->Replies, at.isValid() ? at.row() : -1, ReplyLineTexts());
  menus_.PopupMenu2->popup(grid->viewport()->mapToGlobal(pos));
}
