#include "ui/PageRunOperations.h"

#include <QLineEdit>
#include <QPushButton>
#include <climits>

#include "MainWindowFixture.h"
#include "ui/TabViews.h"
#include "ui/frames/TFrameMultiPing.h"
#include "ui/frames/TFramePages.h"
#include "ui/frames/TFramePing.h"
#include "ui/frames/TFrameRangePing.h"
#include "ui/models/MultiPingHostModel.h"
#include "ui/models/RepliesModel.h"
#include "ui/models/RowListModel.h"

namespace {

using PageRunTest = MainWindowTest;

// A host row as a finished run leaves it, with two stored replies.
void FillRow(THostResult& host, const std::string& address) {
  host.State = 0;
  host.Address = address;
  host.Ipv4 = 0x0100007f;
  host.Sent = 2;
  host.Received = 2;
  host.MinTime = host.MaxTime = host.AvgTime = host.CurTime = 1;
  host.ReplyCapacity = 4;
  host.Replies.resize(2);
  host.Replies[0].Ipv4 = host.Replies[1].Ipv4 = host.Ipv4;
}

TEST_F(PageRunTest, StopEndsTheRunButKeepsItsResult) {
  TFormPing& w = Start();
  TPingPage& page = *PingRegistry.At(0);
  FillRow(page.Hosts[0], "127.0.0.1");
  page.HostCount = 1;
  page.ResultState = psOk;
  RecordingWorker worker;
  page.Worker = &worker;
  ShowPingPage(0, false, false);
  EXPECT_FALSE(w.FramePing1->BitBtnStart->isEnabled());
  const std::int32_t runId = page.RunId;

  StopPingPage(0);
  EXPECT_EQ(worker.terminated, 1);
  EXPECT_EQ(page.Worker, nullptr);
  EXPECT_EQ(page.RunId, runId + 1);
  EXPECT_TRUE(w.FramePing1->BitBtnStart->isEnabled());
  EXPECT_FALSE(w.FramePing1->BitBtnStop->isEnabled());
  EXPECT_EQ(page.Hosts[0].Sent, 2u);
  EXPECT_EQ(w.FramePing1->Hosts->Count(), 1);

  // An idle page still moves its run id on, and the id wraps, never overflows.
  page.RunId = INT32_MAX;
  StopPingPage(0);
  EXPECT_EQ(page.RunId, INT32_MIN);
  StopPingPage(1);  // no such page
}

TEST_F(PageRunTest, ClearEmptiesRecordsAndOnlyTheShownPagesViews) {
  TFormPing& w = Start();
  w.FramePingPages->EditPageName->setText("other");
  w.FramePingPages->ButtonAdd->click();
  ASSERT_EQ(PingRegistry.Current, 1);
  TPingPage& shown = *PingRegistry.At(1);
  TPingPage& hidden = *PingRegistry.At(0);
  FillRow(shown.Hosts[0], "127.0.0.1");
  FillRow(shown.Hosts[1], "127.0.0.2");
  shown.HostCount = 2;
  shown.SelectedHost = 0;
  shown.ResultState = psOk;
  ShowPingPage(1, false, false);
  ASSERT_EQ(w.FramePing1->Hosts->Count(), 2);
  ASSERT_EQ(w.FramePing1->Replies->Count(), 2);

  // A page that is not shown changes in its record alone.
  FillRow(hidden.Hosts[0], "127.0.0.3");
  hidden.HostCount = 1;
  ClearPingPageResult(0);
  EXPECT_EQ(hidden.HostCount, 0);
  EXPECT_EQ(hidden.Hosts[0].State, -1);
  EXPECT_TRUE(hidden.Hosts[0].Replies.empty());
  EXPECT_EQ(w.FramePing1->Hosts->Count(), 2);

  ClearPingPageResult(1);
  EXPECT_EQ(shown.HostCount, 0);
  EXPECT_EQ(shown.ResultState, psPending);
  EXPECT_EQ(shown.SelectedHost, 0);
  for (const THostResult& host : shown.Hosts) {
    EXPECT_EQ(host.Sent, 0u);
    EXPECT_EQ(host.ListItem, NoListItem);
    EXPECT_EQ(host.Address, "");
  }
  EXPECT_EQ(w.FramePing1->Hosts->Count(), 0);
  EXPECT_EQ(w.FramePing1->Replies->Count(), 0);
}

TEST_F(PageRunTest, MultiPingClearKeepsTheHostListWithBlankStatistics) {
  TFormPing& w = Start();
  TFrameMultiPing& frame = *w.FrameMultiPing1;
  for (const char* host : {"alpha", "beta", "gamma"}) {
    frame.EditHost->setText(host);
    frame.BitBtnAdd->click();
  }
  TPingPage& page = *MultiPingRegistry.At(0);
  ASSERT_EQ(page.HostCount, 3);
  for (int i = 0; i < 3; ++i) FillRow(page.Hosts[i], "127.0.0." + std::to_string(i + 1));
  ShowMultiPingPage(0, false, false);

  ClearMultiPingPageResult(0, false);
  EXPECT_EQ(page.HostCount, 3);
  EXPECT_EQ(page.Hosts[1].Host, "beta");
  EXPECT_EQ(page.Hosts[1].Sent, 0u);
  ASSERT_EQ(frame.Hosts->Count(), 3);
  for (int i = 0; i < 3; ++i) {
    const ListHandle row = page.Hosts[i].ListItem;
    EXPECT_EQ(frame.Hosts->Text(row, 0).toStdString(), page.Hosts[i].Host);
    for (int column = 1; column < 10; ++column) EXPECT_EQ(frame.Hosts->Text(row, column), " ") << column;
    EXPECT_EQ(frame.Hosts->Image(row), 2);
  }

  // Deleting the page drops the rows as well.
  ClearMultiPingPageResult(0, true);
  EXPECT_EQ(frame.Hosts->Count(), 0);
  EXPECT_EQ(page.HostCount, 3);
  EXPECT_EQ(page.Hosts[0].ListItem, NoListItem);
}

TEST_F(PageRunTest, RangePingClearFreesEveryHostRecord) {
  TFormPing& w = Start();
  TRangePingPage& page = *RangePingRegistry.At(0);
  page.HostCapacity = 4;
  page.Hosts.resize(4);
  for (int i = 0; i < 2; ++i) {
    page.Hosts[i] = std::make_unique<THostResult>();
    FillRow(*page.Hosts[i], "10.0.0." + std::to_string(i + 1));
  }
  page.HostCount = 2;
  page.ReplyCapacity = 4;
  page.ResultState = psOk;
  ShowRangePingPage(0, false, false);
  EXPECT_EQ(w.FrameRangePing1->AliveHosts->Count(), 2);

  ClearRangePingPageResult(0);
  EXPECT_TRUE(page.Hosts.empty());
  EXPECT_EQ(page.HostCount, 0);
  EXPECT_EQ(page.HostCapacity, 0);
  EXPECT_EQ(page.ReplyCapacity, 0);
  EXPECT_EQ(page.ResultState, psPending);
  EXPECT_EQ(w.FrameRangePing1->AliveHosts->Count(), 0);
}

TEST_F(PageRunTest, DestructionStopsEveryRunOfEveryTab) {
  TFormPing& w = Start();
  w.FramePingPages->EditPageName->setText("second");
  w.FramePingPages->ButtonAdd->click();
  RecordingWorker ping, range, path;
  PingRegistry.At(0)->Worker = &ping;  // not the shown page
  RangePingRegistry.At(0)->Worker = &range;
  PathPingRegistry.At(0)->Worker = &path;
  window_.reset();
  EXPECT_EQ(ping.terminated, 1);
  EXPECT_EQ(range.terminated, 1);
  EXPECT_EQ(path.terminated, 1);
  EXPECT_EQ(PingRegistry.Count(), 0);
  EXPECT_EQ(PingRegistry.List, nullptr);
  // Both pages were saved before they were freed.
  EXPECT_EQ(ReadPingFile(Mode::Ping)->Count(), 2);
}

}  // namespace
