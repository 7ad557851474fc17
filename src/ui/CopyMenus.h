#pragma once

#include <QObject>
#include <memory>
#include <string>

class QAction;
class QMenu;
class RepliesModel;
class RowListModel;

// The three popup menus of the result views and the texts they copy. One
// instance serves the whole window: PopupMenu1 belongs to the Ping, Trace
// route and Path ping host lists and the alive-host grid, PopupMenu2 to
// every replies grid, PopupMenu3 to the Multi ping host list. An item is
// enabled exactly when its prepared text belongs to the row under the menu.
class CopyMenus : public QObject {
  Q_OBJECT

 public:
  explicit CopyMenus(QObject* parent = nullptr);
  ~CopyMenus() override;

  QMenu* PopupMenu1 = nullptr;
  QAction* CopyIPAddress1 = nullptr;  // "Copy IP Address"
  QAction* CopyHostName1 = nullptr;   // "Copy Host Name"
  QAction* CopyLine1 = nullptr;       // "Copy Line"
  QMenu* PopupMenu2 = nullptr;
  QAction* CopyLine2 = nullptr;
  QMenu* PopupMenu3 = nullptr;
  QAction* CopyIPAddress3 = nullptr;
  QAction* CopyHostName3 = nullptr;
  QAction* CopyLine3 = nullptr;
  QAction* N1 = nullptr;           // separator
  QAction* DeleteHost3 = nullptr;  // "Delete Host"; its handler is the Multi ping tab's

  std::string CopyIpText;
  std::string CopyHostText;
  std::string CopyLineText;
  std::string CopyReplyLineText;

  // A host-list row lost its selection (or none is selected): the list's
  // copy items go off; on Multi ping "Delete Host" too.
  void HostRowDeselected(bool multiPing);
  // A host-list row was selected: prepare the texts from its ten cells and
  // enable the items whose text is neither empty nor a single blank.
  void HostRowSelected(bool multiPing, const RowListModel& model, int row);
  // The alive-host grid's menu opens over `row` (-1: empty space).
  void PrepareAliveHostMenu(const RowListModel& model, int row);
  // A replies grid's menu opens over `row` (-1: empty space); joinCount
  // texts of the row make the line (nine on Ping and Multi ping, else seven).
  void PrepareRepliesMenu(const RepliesModel& model, int row, int joinCount);
  // The tab changed: every copy item and "Delete Host" go off.
  void PageControl1Change();

 private:
  void CopyText(const std::string& text);

  std::unique_ptr<QMenu> menu1_, menu2_, menu3_;
};
