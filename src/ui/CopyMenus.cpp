#include "ui/CopyMenus.h"

#include <QAction>
#include <QMenu>

#include "pages/RowTexts.h"
#include "ui/Clipboard.h"
#include "ui/models/RepliesModel.h"
#include "ui/models/RowListModel.h"

namespace {

QAction* AddItem(QMenu* menu, const char* caption) {
  QAction* action = menu->addAction(QString::fromLatin1(caption));
  action->setEnabled(false);
  return action;
}

bool Copyable(const std::string& text) { return !text.empty() && text != BlankCell; }

}  // namespace

CopyMenus::CopyMenus(QObject* parent)
    : QObject(parent),
      menu1_(std::make_unique<QMenu>()),
      menu2_(std::make_unique<QMenu>()),
      menu3_(std::make_unique<QMenu>()) {
  PopupMenu1 = menu1_.get();
  CopyIPAddress1 = AddItem(PopupMenu1, "Copy IP Address");
  CopyHostName1 = AddItem(PopupMenu1, "Copy Host Name");
  CopyLine1 = AddItem(PopupMenu1, "Copy Line");
  PopupMenu2 = menu2_.get();
  CopyLine2 = AddItem(PopupMenu2, "Copy Line");
  PopupMenu3 = menu3_.get();
  CopyIPAddress3 = AddItem(PopupMenu3, "Copy IP Address");
  CopyHostName3 = AddItem(PopupMenu3, "Copy Host Name");
  CopyLine3 = AddItem(PopupMenu3, "Copy Line");
  N1 = PopupMenu3->addSeparator();
  DeleteHost3 = AddItem(PopupMenu3, "Delete Host");

  connect(CopyIPAddress1, &QAction::triggered, this, [this] { CopyText(CopyIpText); });
  connect(CopyIPAddress3, &QAction::triggered, this, [this] { CopyText(CopyIpText); });
  connect(CopyHostName1, &QAction::triggered, this, [this] { CopyText(CopyHostText); });
  connect(CopyHostName3, &QAction::triggered, this, [this] { CopyText(CopyHostText); });
  connect(CopyLine1, &QAction::triggered, this, [this] { CopyText(CopyLineText); });
  connect(CopyLine3, &QAction::triggered, this, [this] { CopyText(CopyLineText); });
  connect(CopyLine2, &QAction::triggered, this, [this] { CopyText(CopyReplyLineText); });
}

CopyMenus::~CopyMenus() = default;

void CopyMenus::CopyText(const std::string& text) {
  try {
    if (!text.empty()) CopyToClipboard(text);
  } catch (...) {
    // Nothing copied, nothing said.
  }
}

void CopyMenus::HostRowDeselected(bool multiPing) {
  QAction* ip = multiPing ? CopyIPAddress3 : CopyIPAddress1;
  QAction* host = multiPing ? CopyHostName3 : CopyHostName1;
  QAction* line = multiPing ? CopyLine3 : CopyLine1;
  ip->setEnabled(false);
  host->setEnabled(false);
  line->setEnabled(false);
  if (multiPing) DeleteHost3->setEnabled(false);
}

void CopyMenus::HostRowSelected(bool multiPing, const RowListModel& model, int row) {
  const ListHandle handle = model.HandleAt(row);
  std::array<std::string, HostListColumns> texts;
  for (int c = 0; c < HostListColumns; ++c) texts[c] = model.Text(handle, c).toStdString();
  CopyIpText = texts[1];
  CopyHostText = texts[2];
  CopyLineText = JoinTexts(texts.data(), HostListColumns);
  (multiPing ? CopyIPAddress3 : CopyIPAddress1)->setEnabled(Copyable(CopyIpText));
  (multiPing ? CopyHostName3 : CopyHostName1)->setEnabled(Copyable(CopyHostText));
  (multiPing ? CopyLine3 : CopyLine1)->setEnabled(Copyable(CopyLineText));
}

void CopyMenus::PrepareAliveHostMenu(const RowListModel& model, int row) {
  CopyIPAddress1->setEnabled(false);
  CopyHostName1->setEnabled(false);
  CopyLine1->setEnabled(false);
  const ListHandle handle = model.HandleAt(row);
  if (handle == NoListItem) return;
  std::array<std::string, AliveHostColumns> texts;
  for (int c = 0; c < AliveHostColumns; ++c) texts[c] = model.Text(handle, c).toStdString();
  CopyIpText = texts[0];
  CopyHostText = texts[1];
  CopyLineText = JoinTexts(texts.data(), AliveHostColumns);
  CopyIPAddress1->setEnabled(Copyable(CopyIpText));
  CopyHostName1->setEnabled(Copyable(CopyHostText));
  CopyLine1->setEnabled(Copyable(CopyLineText));
}

void CopyMenus::PrepareRepliesMenu(const RepliesModel& model, int row, int joinCount) {
  CopyLine2->setEnabled(false);
  if (row < 0 || row >= model.Count()) return;
  CopyReplyLineText = model.LineText(row, joinCount);
  CopyLine2->setEnabled(true);
}

void CopyMenus::PageControl1Change() {
  for (QAction* item : {CopyIPAddress1, CopyHostName1, CopyLine1, CopyLine2, CopyIPAddress3, CopyHostName3,
                        CopyLine3, DeleteHost3})
    item->setEnabled(false);
}
