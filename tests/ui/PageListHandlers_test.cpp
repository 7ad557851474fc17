#include "ui/PageListHandlers.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>

#include "MainWindowFixture.h"
#include "ui/frames/TFrameMultiPing.h"
#include "ui/frames/TFramePages.h"
#include "ui/frames/TFramePing.h"
#include "ui/frames/TFrameRangePing.h"
#include "ui/frames/TFrameTraceroute.h"
#include "ui/models/MultiPingHostModel.h"
#include "ui/models/PageListModel.h"

namespace {

class PageListTest : public MainWindowTest {
 protected:
  void Add(TFramePages& pages, const QString& name) {
    pages.EditPageName->setText(name);
    pages.ButtonAdd->click();
  }

  // Page names in the order the list shows them.
  static std::vector<std::string> Rows(const TFramePages& pages) {
    std::vector<std::string> names;
    for (int i = 0; i < pages.Model->Count(); ++i)
      names.push_back(pages.Model->Text(pages.Model->HandleAt(i), 0).toStdString());
    return names;
  }

  static int IndexOf(const std::string& name) {
    for (int i = 0; i < PingRegistry.Count(); ++i)
      if (PingRegistry.At(i)->Name == name) return i;
    return -1;
  }
};

TEST_F(PageListTest, AddStoresTheShownPageThenShowsAndSelectsTheNewOne) {
  TFormPing& w = Start();
  TFramePages& pages = *w.FramePingPages;
  w.FramePing1->EditTimeOut->setText("2500");

  Add(pages, "Alpha");
  ASSERT_EQ(PingRegistry.Count(), 2);
  EXPECT_EQ(PingRegistry.Current, 1);
  const TPingPage& alpha = *PingRegistry.At(1);
  EXPECT_EQ(alpha.Name, "Alpha");
  EXPECT_EQ(alpha.Host, "Alpha");
  EXPECT_TRUE(alpha.PingForAllIp);
  // The edit made on "New page" went into it before the new page was shown.
  EXPECT_EQ(PingRegistry.At(0)->TimeOut, 2500);
  EXPECT_EQ(w.FramePing1->EditTimeOut->text(), "1000");
  EXPECT_EQ(w.FramePing1->EditHost->text(), "Alpha");
  EXPECT_EQ(w.FramePing1->GroupBoxParam->title(), "Alpha");
  // Sorted by name: the new row went to the top and is the selected one.
  EXPECT_EQ(Rows(pages), (std::vector<std::string>{"Alpha", "New page"}));
  EXPECT_EQ(pages.SelectedRow(), alpha.ListItem);

  // An empty name adds nothing; a name in use is fine.
  Add(pages, "");
  EXPECT_EQ(PingRegistry.Count(), 2);
  Add(pages, "Alpha");
  EXPECT_EQ(PingRegistry.Count(), 3);
  EXPECT_EQ(PingRegistry.Current, 2);
}

TEST_F(PageListTest, AddUsesEachModesTemplate) {
  TFormPing& w = Start();
  Add(*w.FrameMultiPingPages, "Hosts");
  ASSERT_EQ(MultiPingRegistry.Count(), 2);
  EXPECT_EQ(MultiPingRegistry.At(1)->Host, "");
  EXPECT_FALSE(MultiPingRegistry.At(1)->PingForAllIp);
  EXPECT_EQ(MultiPingRegistry.At(1)->HostCount, 0);

  Add(*w.FrameRangePingPages, "Range");
  ASSERT_EQ(RangePingRegistry.Count(), 2);
  EXPECT_EQ(RangePingRegistry.At(1)->From, "");
  EXPECT_EQ(RangePingRegistry.At(1)->Threads, 10);
  EXPECT_EQ(RangePingRegistry.At(1)->Retries, 1);
  EXPECT_EQ(w.FrameRangePing1->EditThreads->text(), "10");

  Add(*w.FrameTraceroutePages, "localhost");
  ASSERT_EQ(TracerouteRegistry.Count(), 2);
  EXPECT_EQ(TracerouteRegistry.At(1)->Host, "localhost");
  EXPECT_EQ(TracerouteRegistry.At(1)->Hops, 32);
  EXPECT_EQ(w.FrameTraceroute1->EditHost->text(), "localhost");

  Add(*w.FramePathPingPages, "path");
  EXPECT_EQ(PathPingRegistry.At(1)->Host, "path");
}

TEST_F(PageListTest, RenameAndSelectFollowTheCurrentPage) {
  TFormPing& w = Start();
  TFramePages& pages = *w.FramePingPages;
  Add(pages, "Beta");
  pages.EditPageName->setText("Zulu");
  pages.ButtonRename->click();
  EXPECT_EQ(PingRegistry.At(1)->Name, "Zulu");
  EXPECT_EQ(w.FramePing1->GroupBoxParam->title(), "Zulu");
  EXPECT_EQ(Rows(pages), (std::vector<std::string>{"New page", "Zulu"}));
  // An empty name renames nothing.
  pages.EditPageName->clear();
  pages.ButtonRename->click();
  EXPECT_EQ(PingRegistry.At(1)->Name, "Zulu");

  // Selecting another row stores the editors into the page shown so far.
  w.FramePing1->EditBytes->setText("64");
  pages.SelectRow(PingRegistry.At(0)->ListItem);
  EXPECT_EQ(PingRegistry.Current, 0);
  EXPECT_EQ(PingRegistry.At(1)->Bytes, 64);
  EXPECT_EQ(w.FramePing1->EditBytes->text(), "32");
  EXPECT_EQ(pages.EditPageName->text(), "New page");
}

TEST_F(PageListTest, DeleteShowsTheRowAboveOrBelowAndKeepsTheLastPage) {
  TFormPing& w = Start();
  TFramePages& pages = *w.FramePingPages;
  // Only page of the mode: refused.
  pages.ButtonDel->click();
  EXPECT_EQ(PingRegistry.Count(), 1);

  Add(pages, "Bravo");
  Add(pages, "Charlie");
  ASSERT_EQ(Rows(pages), (std::vector<std::string>{"Bravo", "Charlie", "New page"}));
  // Current is Charlie: the row above it is Bravo.
  pages.ButtonDel->click();
  EXPECT_EQ(PingRegistry.Count(), 2);
  EXPECT_EQ(IndexOf("Charlie"), -1);
  EXPECT_EQ(PingRegistry.Current, IndexOf("Bravo"));
  EXPECT_EQ(w.FramePing1->EditHost->text(), "Bravo");
  EXPECT_EQ(pages.SelectedRow(), PingRegistry.CurrentPage()->ListItem);

  // Bravo is the top row: the row below it is shown.
  pages.ButtonDel->click();
  ASSERT_EQ(PingRegistry.Count(), 1);
  EXPECT_EQ(PingRegistry.Current, 0);
  EXPECT_EQ(PingRegistry.At(0)->Name, "New page");
  EXPECT_EQ(pages.EditPageName->text(), "New page");
  EXPECT_EQ(Rows(pages), (std::vector<std::string>{"New page"}));
}

TEST_F(PageListTest, DeletedPagesEditorsNeverReachThePageThatTakesItsPlace) {
  TFormPing& w = Start();
  TFramePages& pages = *w.FramePingPages;
  Add(pages, "Alpha");
  Add(pages, "Zulu");
  // Registry: New page, Alpha, Zulu. Show "New page" (index 0) and type into it.
  pages.SelectRow(PingRegistry.At(0)->ListItem);
  ASSERT_EQ(PingRegistry.Current, 0);
  w.FramePing1->EditTimeOut->setText("7777");
  w.FramePing1->EditHost->setText("typed-into-deleted-page");

  // A list that moves its selection to the next row when the selected one
  // goes away, as some list controls do: the page shown next is still the
  // one the list rule picks, and nothing typed for the deleted page lands in
  // another one.
  QObject::connect(pages.Model, &QAbstractItemModel::rowsRemoved, &pages,
                   [&pages](const QModelIndex&, int first, int) {
                     pages.SelectRow(pages.Model->HandleAt(std::min(first, pages.Model->Count() - 1)));
                   });
  pages.ButtonDel->click();

  ASSERT_EQ(PingRegistry.Count(), 2);
  EXPECT_EQ(PingRegistry.At(0)->Name, "Alpha");
  EXPECT_EQ(PingRegistry.At(1)->Name, "Zulu");
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(PingRegistry.At(i)->TimeOut, 1000) << i;
    EXPECT_NE(PingRegistry.At(i)->Host, "typed-into-deleted-page") << i;
  }
  // "Alpha" was the row above "New page".
  EXPECT_EQ(PingRegistry.Current, 0);
  EXPECT_EQ(w.FramePing1->EditHost->text(), "Alpha");
  EXPECT_EQ(w.FramePing1->EditTimeOut->text(), "1000");
}

TEST_F(PageListTest, DeletingARunningOrAnotherPageStopsItAndKeepsTheShownOne) {
  TFormPing& w = Start();
  TFramePages& pages = *w.FrameTraceroutePages;
  Add(pages, "one");
  Add(pages, "two");
  ASSERT_EQ(TracerouteRegistry.Current, 2);
  RecordingWorker worker;
  TracerouteRegistry.At(0)->Worker = &worker;

  DeleteTraceroutePage(0);
  EXPECT_EQ(worker.terminated, 1);
  ASSERT_EQ(TracerouteRegistry.Count(), 2);
  // "two" stays shown; its index moved down with the gap.
  EXPECT_EQ(TracerouteRegistry.Current, 1);
  EXPECT_EQ(TracerouteRegistry.CurrentPage()->Name, "two");
  EXPECT_EQ(w.FrameTraceroute1->EditHost->text(), "two");
  // Out of range: nothing.
  DeleteTraceroutePage(5);
  DeleteTraceroutePage(-1);
  EXPECT_EQ(TracerouteRegistry.Count(), 2);
}

TEST_F(PageListTest, MultiPingHostsAreAddedAndDeletedOnlyWhileIdle) {
  TFormPing& w = Start();
  TFrameMultiPing& frame = *w.FrameMultiPing1;
  frame.EditHost->setText("localhost");
  frame.BitBtnAdd->click();
  frame.EditHost->setText("LOCALHOST");
  frame.BitBtnAdd->click();  // the same host, letter case aside
  frame.EditHost->setText("127.0.0.1");
  frame.BitBtnAdd->click();
  TPingPage& page = *MultiPingRegistry.At(0);
  ASSERT_EQ(page.HostCount, 2);
  EXPECT_EQ(frame.Hosts->Count(), 2);

  RecordingWorker worker;
  page.Worker = &worker;
  frame.EditHost->setText("::1");
  frame.BitBtnAdd->click();
  EXPECT_EQ(page.HostCount, 2);
  page.Worker = nullptr;

  // Delete needs a selected row: the one for "localhost".
  frame.ListView1->setCurrentIndex(frame.Hosts->IndexOf(page.Hosts[0].ListItem));
  frame.BitBtnDelete->click();
  ASSERT_EQ(page.HostCount, 1);
  EXPECT_EQ(page.Hosts[0].Host, "127.0.0.1");
  EXPECT_EQ(frame.Hosts->Count(), 1);
}

}  // namespace
