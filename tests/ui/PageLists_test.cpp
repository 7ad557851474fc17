// The page lists of the tabs (Add, Rename, Delete, selecting a row), clearing
// a page's result and the Multi ping host list.

#include "WindowTest.h"

namespace {

class PageLists : public WindowTest {
 protected:
  void Add(Mode mode, const QString& name) {
    Pages(mode).EditPageName->setText(name);
    Pages(mode).ButtonAdd->click();
  }
};

TEST_F(PageLists, AddRenameAndSelectStoreTheShownPageFirst) {
  Start();
  w().FramePing1->EditTimeOut->setText("2500");
  Add(Mode::Ping, "Beta");
  Add(Mode::Ping, "");  // nothing
  ASSERT_EQ(PingRegistry.Count(), 2);
  EXPECT_EQ(PingRegistry.At(0)->TimeOut, 2500);
  EXPECT_EQ(w().FramePing1->EditTimeOut->text(), "1000");
  EXPECT_EQ(w().FramePing1->EditHost->text(), "Beta");  // a new page pings its name
  EXPECT_EQ(Pages(Mode::Ping).SelectedRow(), PingRegistry.At(1)->ListItem);
  for (const char* name : {"Zulu", ""}) {  // an empty name renames nothing
    Pages(Mode::Ping).EditPageName->setText(name);
    Pages(Mode::Ping).ButtonRename->click();
  }
  EXPECT_EQ(w().FramePing1->GroupBoxParam->title(), "Zulu");
  EXPECT_EQ(Column(*Pages(Mode::Ping).Model), (QStringList{"New page", "Zulu"}));
  w().FramePing1->EditBytes->setText("64");
  Pages(Mode::Ping).SelectRow(PingRegistry.At(0)->ListItem);
  EXPECT_EQ(PingRegistry.At(1)->Bytes, 64);
  EXPECT_EQ(w().FramePing1->EditTimeOut->text(), "2500");
  Add(Mode::MultiPing, "Hosts");  // a host list, not a host
  EXPECT_EQ(w().FrameMultiPing1->EditHost->text(), "");
}

TEST_F(PageLists, DeleteStopsAndClearsThePageAndShowsTheRowBelowTheTopOrAbove) {
  Start();
  TFramePages& pages = Pages(Mode::Ping);
  for (const char* name : {"Bravo", "Charlie", "Alpha"}) Add(Mode::Ping, name);
  TPingPage& alpha = *PingRegistry.CurrentPage();
  alpha.ResultState = psOk;
  alpha.HostCount = 1;
  alpha.Hosts[0].State = 0;
  ShowPingPage(PingRegistry.Current, false, false);
  RecordingWorker worker;
  PingRegistry.At(0)->Worker = &worker;
  DeletePingPage(0);  // "New page", not shown: its record goes alone
  EXPECT_EQ(worker.terminated, 1);
  EXPECT_EQ(w().FramePing1->Hosts->Count(), 1);
  pages.ButtonDel->click();  // Alpha, the top row: the row below
  EXPECT_EQ(w().FramePing1->EditHost->text(), "Bravo");
  EXPECT_EQ(w().FramePing1->Hosts->Count(), 0);
  pages.SelectRow(PingRegistry.At(1)->ListItem);
  pages.ButtonDel->click();  // Charlie: the row above
  EXPECT_EQ(pages.EditPageName->text(), "Bravo");
  EXPECT_EQ(pages.SelectedRow(), PingRegistry.CurrentPage()->ListItem);
  pages.ButtonDel->click();  // the only page stays
  EXPECT_EQ(Column(*pages.Model), QStringList{"Bravo"});
}

TEST_F(PageLists, ADeletedPagesEditorsNeverReachThePageThatTakesItsPlace) {
  Start();
  TFramePages& pages = Pages(Mode::Ping);
  Add(Mode::Ping, "Alpha");
  Add(Mode::Ping, "Zulu");
  pages.SelectRow(PingRegistry.At(0)->ListItem);  // "New page"
  w().FramePing1->EditTimeOut->setText("7777");
  // A list that moves its selection on by itself when the selected row goes,
  // as some list controls do.
  QObject::connect(pages.Model, &QAbstractItemModel::rowsRemoved, &pages,
                   [&pages](const QModelIndex&, int first, int) {
                     pages.SelectRow(pages.Model->HandleAt(std::min(first, pages.Model->Count() - 1)));
                   });
  pages.ButtonDel->click();
  ASSERT_EQ(PingRegistry.Count(), 2);
  for (int i = 0; i < 2; ++i) EXPECT_EQ(PingRegistry.At(i)->TimeOut, 1000) << i;
  EXPECT_EQ(PingRegistry.CurrentPage()->Name, "Alpha");  // the row above
  EXPECT_EQ(w().FramePing1->EditTimeOut->text(), "1000");
}

TEST_F(PageLists, MultiPingHostsAreAddedOnceKeptByAClearAndDeleted) {
  Start();
  TFrameMultiPing& frame = *w().FrameMultiPing1;
  TPingPage& page = *MultiPingRegistry.At(0);
  for (const char* host : {"localhost", "LOCALHOST", "127.0.0.1"}) {  // the same host, letter case aside
    frame.EditHost->setText(host);
    frame.BitBtnAdd->click();
  }
  page.Hosts[1].State = 0;
  ClearMultiPingPageResult(0, false);
  EXPECT_EQ(Column(*frame.Hosts), (QStringList{"127.0.0.1", "localhost"}));
  EXPECT_EQ(RowCells(*frame.Hosts, 0).mid(1), QStringList(9, " "));

  frame.ListView1->setCurrentIndex(frame.Hosts->IndexOf(page.Hosts[0].ListItem));
  frame.BitBtnDelete->click();
  EXPECT_EQ(page.Hosts[0].Host, "127.0.0.1");
  EXPECT_EQ(Column(*frame.Hosts), QStringList{"127.0.0.1"});
}

}  // namespace
