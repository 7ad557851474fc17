#include <arpa/inet.h>

#include <QAction>
#include <QClipboard>
#include <QGroupBox>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTreeView>

#include "TabFixture.h"
#include "ui/models/MultiPingHostModel.h"
#include "ui/models/PageListModel.h"
#include "ui/models/RepliesModel.h"
#include "ui/models/RowListModel.h"
#include "ui/views/MultiPingTabView.h"

namespace {

class HostSelection : public TabFixture {
 protected:
  static void Select(QTreeView* view, int row) {
    view->selectionModel()->setCurrentIndex(view->model()->index(row, 0),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  }

  static void Resolve(THostResult& h, const char* address, int replies) {
    h.State = 0;
    h.Address = address;
    inet_pton(AF_INET, address, &h.Ipv4);
    h.Sent = static_cast<std::uint32_t>(replies);
    h.Received = h.Sent;
    h.CurTime = 2;
    h.ReplyCapacity = replies;
    for (int i = 0; i < replies; ++i) {
      TReplyRecord r;
      r.Ipv4 = h.Ipv4;
      r.Time = static_cast<std::uint16_t>(i);
      h.Replies.push_back(r);
    }
  }

  static std::string Clipboard() { return QGuiApplication::clipboard()->text().toStdString(); }
};

TEST_F(HostSelection, PingRowFillsRepliesAndPreparesCopyTexts) {
  ASSERT_TRUE(AddPingPage(TPingPage{}));
  TPingPage& page = *PingRegistry.Pages[0];
  page.ResultState = psOk;
  page.HostCount = 3;
  Resolve(page.Hosts[0], "127.0.0.1", 2);
  page.Hosts[0].HostName = "localhost";
  Resolve(page.Hosts[2], "127.0.0.2", 5);
  page.SelectedHost = 0;
  ShowPingPage(0, false, false);
  ASSERT_EQ(ping.Replies->Count(), 2);

  Select(ping.ListView1, 1);  // the row of slot 2
  EXPECT_EQ(page.SelectedHost, 2);
  ASSERT_EQ(ping.Replies->Count(), 5);
  EXPECT_EQ(ping.Replies->Text(4, 6), "4");
  EXPECT_EQ(menus.CopyIpText, "127.0.0.2");
  EXPECT_EQ(menus.CopyHostText, " ");
  EXPECT_EQ(menus.CopyLineText, "3 127.0.0.2   5 5 0 (0%) 0 0 0 2");
  EXPECT_TRUE(menus.CopyIPAddress1->isEnabled());
  EXPECT_FALSE(menus.CopyHostName1->isEnabled());
  EXPECT_TRUE(menus.CopyLine1->isEnabled());

  menus.CopyIPAddress1->trigger();
  EXPECT_EQ(Clipboard(), "127.0.0.2");
  menus.CopyLine1->trigger();
  EXPECT_EQ(Clipboard(), "3 127.0.0.2   5 5 0 (0%) 0 0 0 2");

  Select(ping.ListView1, 0);
  EXPECT_EQ(page.SelectedHost, 0);
  EXPECT_TRUE(menus.CopyHostName1->isEnabled());
  ping.ListView1->selectionModel()->clearSelection();
  EXPECT_FALSE(menus.CopyIPAddress1->isEnabled());
  EXPECT_FALSE(menus.CopyLine1->isEnabled());
  EXPECT_EQ(ping.Replies->Count(), 2);  // a deselection leaves the grid
}

TEST_F(HostSelection, SelectingTheShownHostKeepsTheGridAndTabChangeDisablesItems) {
  ASSERT_TRUE(AddTraceroutePage(TPingPage{}));
  TPingPage& page = *TracerouteRegistry.Pages[0];
  page.ResultState = psOk;
  page.HostCount = 1;
  Resolve(page.Hosts[0], "10.0.0.1", 3);
  page.SelectedHost = 0;
  ShowTraceroutePage(0, false, false);
  QSignalSpy reset(trace.Replies, &QAbstractItemModel::modelReset);
  QSignalSpy removed(trace.Replies, &QAbstractItemModel::rowsRemoved);
  Select(trace.ListView1, 0);
  EXPECT_EQ(reset.count(), 0);
  EXPECT_EQ(removed.count(), 0);
  EXPECT_TRUE(menus.CopyLine1->isEnabled());

  menus.PrepareRepliesMenu(*trace.Replies, 0, 7);
  EXPECT_TRUE(menus.CopyLine2->isEnabled());
  menus.CopyLine2->trigger();
  EXPECT_EQ(Clipboard(), "1 00.00.00  00:00:00 Success 10.0.0.1 0 0 0");
  menus.PrepareRepliesMenu(*trace.Replies, -1, 7);
  EXPECT_FALSE(menus.CopyLine2->isEnabled());
  // The host list's line is still the one prepared by its selection.
  EXPECT_EQ(menus.CopyLineText, "1 10.0.0.1   3 3 0 (0%) 0 0 0 2");

  menus.PageControl1Change();
  for (QAction* item : {menus.CopyIPAddress1, menus.CopyHostName1, menus.CopyLine1, menus.CopyLine2,
                        menus.CopyIPAddress3, menus.CopyHostName3, menus.CopyLine3, menus.DeleteHost3})
    EXPECT_FALSE(item->isEnabled());
}

TEST_F(HostSelection, MultiPingHostButtonsFollowSelectionAndRunState) {
  ASSERT_TRUE(AddMultiPingPage(TPingPage{}));
  ShowMultiPingPage(0, false, false);
  TPingPage& page = *MultiPingRegistry.Pages[0];

  multi.EditHost->setText("mail");
  multi.BitBtnAdd->click();
  multi.EditHost->setText("dns");
  views->MultiPing().AddHostClick();
  multi.EditHost->setText("gateway");
  views->MultiPing().AddHostClick();
  ASSERT_EQ(page.HostCount, 3);
  EXPECT_EQ(RowCells(*multi.Hosts, 0).first(), "dns");

  Select(multi.ListView1, 1);  // gateway
  EXPECT_TRUE(multi.BitBtnDelete->isEnabled());
  EXPECT_TRUE(menus.DeleteHost3->isEnabled());
  EXPECT_EQ(menus.CopyIpText, " ");
  EXPECT_FALSE(menus.CopyIPAddress3->isEnabled());
  EXPECT_TRUE(menus.CopyLine3->isEnabled());

  FakeWorker worker;
  page.Worker = &worker;
  Select(multi.ListView1, 2);
  EXPECT_FALSE(menus.DeleteHost3->isEnabled());
  multi.EditHost->setText("extra");
  views->MultiPing().AddHostClick();
  views->MultiPing().DeleteHostClick();
  EXPECT_EQ(page.HostCount, 3);  // no edits while the page runs
  views->MultiPing().UpdateRunButtons();
  EXPECT_FALSE(multi.BitBtnAdd->isEnabled());
  EXPECT_FALSE(multi.BitBtnDelete->isEnabled());
  page.Worker = nullptr;
  views->MultiPing().UpdateRunButtons();
  EXPECT_TRUE(multi.BitBtnAdd->isEnabled());
  EXPECT_TRUE(multi.BitBtnDelete->isEnabled());

  // mail is selected; deleting it moves the selection to the row above.
  menus.DeleteHost3->trigger();
  ASSERT_EQ(page.HostCount, 2);
  EXPECT_EQ(page.Hosts[0].Host, "dns");
  EXPECT_EQ(page.Hosts[1].Host, "gateway");
  const QModelIndexList selected = multi.ListView1->selectionModel()->selectedRows();
  ASSERT_EQ(selected.size(), 1);
  EXPECT_EQ(selected.first().data().toString(), "gateway");
  EXPECT_EQ(multi.Hosts->Key(multi.Hosts->HandleOf(selected.first())), 1);

  multi.ListView1->selectionModel()->clearSelection();
  EXPECT_FALSE(multi.BitBtnDelete->isEnabled());
  EXPECT_FALSE(menus.DeleteHost3->isEnabled());
  multi.BitBtnDelete->click();
  EXPECT_EQ(page.HostCount, 2);
}

TEST_F(HostSelection, AliveHostGridFollowsFocusAndPreparesItsMenu) {
  ASSERT_TRUE(AddRangePingPage(TRangePingPage{}));
  TRangePingPage& page = *RangePingRegistry.Pages[0];
  page.ResultState = psOk;
  page.Hosts.resize(2);
  for (const char* address : {"10.0.0.9", "10.0.0.1"}) {
    auto host = std::make_unique<THostResult>();
    Resolve(*host, address, page.HostCount + 1);
    page.Hosts[static_cast<std::size_t>(page.HostCount++)] = std::move(host);
  }
  page.SelectedHost = -1;
  ShowRangePingPage(0, false, false);
  EXPECT_EQ(range.Replies->Count(), 0);
  Select(range.VirtualStringTree1, 0);  // 10.0.0.1, the second host
  EXPECT_EQ(page.SelectedHost, 1);
  EXPECT_EQ(range.Replies->Count(), 2);

  menus.PrepareAliveHostMenu(*range.AliveHosts, 1);
  EXPECT_EQ(menus.CopyIpText, "10.0.0.9");
  EXPECT_EQ(menus.CopyLineText, "10.0.0.9   1 1 0 (0%) 0 0 0 2");
  EXPECT_TRUE(menus.CopyIPAddress1->isEnabled());
  EXPECT_FALSE(menus.CopyHostName1->isEnabled());
  menus.PrepareAliveHostMenu(*range.AliveHosts, -1);
  EXPECT_FALSE(menus.CopyLine1->isEnabled());
}

TEST_F(HostSelection, PageListSelectionSignalAndItsBlocker) {
  for (const char* name : {"b", "a", "c"}) {
    TPingPage tmpl;
    tmpl.Name = name;
    ASSERT_TRUE(AddPingPage(tmpl));
  }
  QSignalSpy selected(&pingPages, &TFramePages::PageRowSelected);
  pingPages.SelectRow(PingRegistry.Pages[0]->ListItem);
  ASSERT_EQ(selected.count(), 1);
  EXPECT_EQ(selected.at(0).at(0).value<quintptr>(), PingRegistry.Pages[0]->ListItem);
  pingPages.SelectRow(PingRegistry.Pages[0]->ListItem);
  EXPECT_EQ(selected.count(), 1);

  // Removing the selected row makes the list select a neighbour on its own;
  // with the frame's signals blocked nobody hears of it.
  {
    const QSignalBlocker blocker(&pingPages);
    RemovePage(PingRegistry, 0);
  }
  EXPECT_EQ(selected.count(), 1);
  const ListHandle neighbour = pingPages.SelectedRow();
  ASSERT_NE(neighbour, NoListItem);
  int shown = -1;
  for (int i = 0; i < PingRegistry.Count(); ++i)
    if (PingRegistry.Pages[i]->ListItem == neighbour) shown = i;
  ASSERT_GE(shown, 0);
  RemovePage(PingRegistry, shown);
  EXPECT_EQ(selected.count(), 2);  // unblocked, the automatic selection is heard
  EXPECT_EQ(pingPages.Model->rowCount(), 1);
}

TEST_F(HostSelection, ResultPaneHeightIsKeptBeforeAndAfterShowing) {
  ping.resize(900, 700);
  ping.SetResultPaneHeight(180);
  EXPECT_EQ(ping.ResultPaneHeight(), 180);
  ping.show();
  QCoreApplication::processEvents();
  EXPECT_EQ(ping.GroupBoxResult->height(), 180);
  ping.SetResultPaneHeight(120);
  QCoreApplication::processEvents();
  EXPECT_EQ(ping.ResultPaneHeight(), 120);
  ping.resize(900, 800);
  QCoreApplication::processEvents();
  EXPECT_EQ(ping.ResultPaneHeight(), 120);  // the replies take the new room
  ping.hide();
}

}  // namespace
