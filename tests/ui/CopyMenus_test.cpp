// The copy menus of every result grid, opened by a right click over a row
// as a user opens them, and what each item puts on the clipboard.
#include <arpa/inet.h>

#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTest>

#include "WindowTest.h"
#include "pages/ModePages.h"

namespace {

// What a copy item gave: the clipboard's text, or this when it was disabled.
const QString Disabled = "(disabled)";

// Right-clicks row `row` of `view` (below the last row when there is none),
// which selects it first, and clicks the item `caption` of the menu that opens.
QString CopyThroughMenu(QTreeView* view, int row, const QString& caption) {
  QGuiApplication::clipboard()->setText("(nothing)");
  const QRect cell = view->visualRect(view->model()->index(row, 0));
  const QPoint at = cell.isValid() ? cell.center() : QPoint(4, view->viewport()->height() - 4);
  if (cell.isValid()) Select(view, row);
  QContextMenuEvent event(QContextMenuEvent::Mouse, at, view->viewport()->mapToGlobal(at));
  QApplication::sendEvent(view->viewport(), &event);
  auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  if (!menu) return "(no menu)";
  QString copied = "(no such item)";
  for (QAction* item : menu->actions())
    if (item->text() == caption) {
      copied = Disabled;
      if (item->isEnabled()) {
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
        copied = QGuiApplication::clipboard()->text();
      }
    }
  menu->close();
  return copied;
}

// One answered host of a tab that kept the last of its three echoes, as a
// finished run leaves it.
void GiveAnsweredHost(Mode mode, const char* address) {
  GiveResult(mode, 0, {{0, address, 3, 1}});
  THostResult& host = HostOf(mode, 0, 0);
  host.HostName = "gw.example";
  host.Host = "router";
  host.Lost = 2;
  host.Received = 1;
  host.MinTime = host.MaxTime = host.AvgTime = host.CurTime = 5;
  host.AvgExact = 5;
  TReplyRecord& reply = host.Replies[0];
  reply = {26, 12, 7, 10, 11, 12};
  if (inet_pton(AF_INET, address, &reply.Ipv4) != 1) inet_pton(AF_INET6, address, reply.Ipv6.data());
  reply.Bytes = 32;
  reply.Ttl = 64;
  reply.Time = 5;
  ShowModePage(mode, 0, false, false);
}

struct MenuCase {
  Mode mode;
  bool replies;  // the replies grid, else the host list
  const char* item;
  const char* address;
  QString copied;
};

// clang-format off
const MenuCase Cases[] = {
    {Mode::Ping, false, "Copy IP Address", "192.0.2.7", "192.0.2.7"},
    {Mode::Ping, false, "Copy Host Name", "2001:db8::7", "gw.example"},
    {Mode::Ping, false, "Copy Line", "2001:db8::7", "1 2001:db8::7 gw.example 3 1 2 (66%) 5 5 5 5"},
    // Nine texts on Ping and Multi ping, two of them empty.
    {Mode::Ping, true, "Copy Line", "192.0.2.7", "3 26.12.07  10:11:12 Success 192.0.2.7 32 64 5  "},
    {Mode::MultiPing, false, "Copy IP Address", "2001:db8::7", "2001:db8::7"},
    {Mode::MultiPing, false, "Copy Host Name", "192.0.2.7", "gw.example"},
    {Mode::MultiPing, false, "Copy Line", "192.0.2.7", "router 192.0.2.7 gw.example 3 1 2 (66%) 5 5 5 5"},
    {Mode::MultiPing, true, "Copy Line", "2001:db8::7", "3 26.12.07  10:11:12 Success 2001:db8::7 32 64 5  "},
    {Mode::RangePing, false, "Copy IP Address", "192.0.2.7", "192.0.2.7"},
    {Mode::RangePing, false, "Copy Host Name", "192.0.2.7", "gw.example"},
    {Mode::RangePing, false, "Copy Line", "192.0.2.7", "192.0.2.7 gw.example 3 1 2 (66%) 5 5 5 5"},
    {Mode::RangePing, true, "Copy Line", "192.0.2.7", "3 26.12.07  10:11:12 Success 192.0.2.7 32 64 5"},
    {Mode::Traceroute, false, "Copy Host Name", "2001:db8::7", "gw.example"},
    {Mode::Traceroute, true, "Copy Line", "2001:db8::7", "3 26.12.07  10:11:12 Success 2001:db8::7 32 64 5"},
    {Mode::PathPing, false, "Copy IP Address", "192.0.2.7", "192.0.2.7"},
    {Mode::PathPing, true, "Copy Line", "192.0.2.7", "3 26.12.07  10:11:12 Success 192.0.2.7 32 64 5"},
};
// clang-format on

using CopyMenu = WindowTest;

TEST_F(CopyMenu, EachItemCopiesItsTextOfTheRowUnderTheMenu) {
  for (const MenuCase& c : Cases) {
    SCOPED_TRACE(std::string(ModeWord(c.mode)) + (c.replies ? " replies " : " hosts ") + c.item + " " +
                 c.address);
    w().PageControl1->setCurrentIndex(static_cast<int>(c.mode));
    GiveAnsweredHost(c.mode, c.address);
    QTreeView* view = c.replies ? Frame(c.mode).VirtualStringTree2 : Frame(c.mode).HostView();
    EXPECT_EQ(CopyThroughMenu(view, 0, c.item), c.copied);
  }
}

// Over empty space, and after a tab change until a row is chosen again,
// nothing can be copied.
TEST_F(CopyMenu, ItemsStayOffWithoutARowUnderTheMenu) {
  GiveAnsweredHost(Mode::Ping, "192.0.2.7");
  EXPECT_EQ(CopyThroughMenu(Frame(Mode::Ping).VirtualStringTree2, 5, "Copy Line"), Disabled);
  ASSERT_NE(CopyThroughMenu(Frame(Mode::Ping).HostView(), 0, "Copy Line"), Disabled);
  w().PageControl1->setCurrentIndex(1);
  w().PageControl1->setCurrentIndex(0);
  EXPECT_EQ(CopyThroughMenu(Frame(Mode::Ping).HostView(), 5, "Copy Line"), Disabled);
}

}  // namespace
