// How a running page's results reach the Ping tab: through the tab's
// PageView, in batches, with the waiting part dropped by whatever rebuilds
// the lists from the page.
#include <QSignalSpy>
#include <QTest>

#include "TabFixture.h"
#include "engine/PageViews.h"
#include "ui/models/RepliesModel.h"
#include "ui/models/RowListModel.h"

namespace {

ReplyRowText Reply(std::int64_t number) {
  ReplyRowText r;
  r.Number = number;
  r.Texts[0] = std::to_string(number);
  r.Texts[2] = "Success";
  return r;
}

class RunBatching : public TabFixture {
 protected:
  // A shown Ping page with one resolved row that has no list row yet.
  TPingPage& ShownPage() {
    EXPECT_TRUE(AddPingPage(TPingPage{}));
    TPingPage& page = *PingRegistry.Pages[0];
    ShowPingPage(0, false, false);
    page.ResultState = psOk;
    page.HostCount = 1;
    page.SelectedHost = 0;
    page.Hosts[0].State = 0;
    page.Hosts[0].Address = "127.0.0.1";
    return page;
  }
};

TEST(RepliesModelBatch, RowsWaitForTheIntervalAndArriveInOneInsertion) {
  RepliesModel m;
  QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
  QSignalSpy inserted(&m, &QAbstractItemModel::rowsInserted);
  for (int i = 1; i <= 5; ++i) m.AppendSoon(Reply(i));
  EXPECT_EQ(m.Count(), 0);
  EXPECT_EQ(m.Waiting(), 5);
  ASSERT_TRUE(QTest::qWaitFor([&] { return m.Count() == 5; }, 2000));
  EXPECT_EQ(inserted.count(), 1);
  EXPECT_EQ(m.Number(0), 1);
  EXPECT_EQ(m.Number(4), 5);

  // An immediate append puts the waiting rows in first, keeping the order.
  m.AppendSoon(Reply(6));
  m.Append(Reply(7));
  EXPECT_EQ(m.Count(), 7);
  EXPECT_EQ(m.Number(5), 6);
  EXPECT_EQ(m.Number(6), 7);

  // Clear and Refill replace what the grid shows; waiting rows go with it.
  m.AppendSoon(Reply(8));
  m.Clear();
  m.Refill({Reply(1)});
  QTest::qWait(RepliesModel::BatchIntervalMs * 3);
  EXPECT_EQ(m.Count(), 1);
  EXPECT_EQ(m.Waiting(), 0);
}

TEST(RepliesModelBatch, ABatchBeyondTheLimitKeepsTheNewestRows) {
  RepliesModel m;
  for (int i = 1; i <= 100; ++i) m.Append(Reply(i));
  std::vector<std::string> events;
  QObject::connect(&m, &QAbstractItemModel::rowsAboutToBeRemoved, [&](const QModelIndex&, int a, int b) {
    events.push_back("remove " + std::to_string(a) + "-" + std::to_string(b));
  });
  QObject::connect(&m, &QAbstractItemModel::rowsAboutToBeInserted, [&](const QModelIndex&, int a, int b) {
    EXPECT_LE(m.Count() + (b - a + 1), RepliesModel::MaxRows);
    events.push_back("insert " + std::to_string(a) + "-" + std::to_string(b));
  });
  for (int i = 101; i <= RepliesModel::MaxRows + 150; ++i) m.AppendSoon(Reply(i));
  ASSERT_TRUE(QTest::qWaitFor([&] { return m.Waiting() == 0; }, 2000));
  // The whole old content goes (all of it is older than the batch's newest
  // MaxRows), then the batch's newest MaxRows come in one insertion.
  EXPECT_EQ(events, (std::vector<std::string>{"remove 0-99", "insert 0-9999"}));
  EXPECT_EQ(m.Count(), RepliesModel::MaxRows);
  EXPECT_EQ(m.Number(0), 151);
  EXPECT_EQ(m.Number(RepliesModel::MaxRows - 1), RepliesModel::MaxRows + 150);
}

TEST_F(RunBatching, EchoResultsReachTheShownListsTogether) {
  TPingPage& page = ShownPage();
  PageView* view = ModePageView(Mode::Ping);
  ASSERT_NE(view, nullptr);
  view->ResultRowsChanged();
  ASSERT_EQ(ping.Hosts->rowCount(), 1);

  QSignalSpy changed(ping.Hosts, &QAbstractItemModel::dataChanged);
  for (std::uint32_t echo = 1; echo <= 20; ++echo) {
    page.Hosts[0].Sent = echo;
    page.Hosts[0].Received = echo;
    view->HostRowChanged(0);
    view->AppendReplyRow(TReplyRecord{}, echo);
  }
  // Nothing yet: the lists follow within one interval, the row once.
  EXPECT_EQ(ping.Replies->Count(), 0);
  EXPECT_EQ(RowCells(*ping.Hosts, 0)[3], "0");
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return ping.Replies->Count() == 20 && RowCells(*ping.Hosts, 0)[3] == "20"; }, 2000));
  EXPECT_LE(changed.count(), 2);
  EXPECT_EQ(ping.Replies->Number(19), 20);
}

TEST_F(RunBatching, ARebuildOrAClearDropsWhatIsWaiting) {
  TPingPage& page = ShownPage();
  PageView* view = ModePageView(Mode::Ping);
  view->ResultRowsChanged();
  page.Hosts[0].Sent = 3;
  view->HostRowChanged(0);
  view->AppendReplyRow(TReplyRecord{}, 3);

  // A new run's rows: the rebuild shows the page as it is; the grid was
  // emptied by the Start.
  page.Hosts[0].Sent = 0;
  ping.Replies->Clear();
  view->ResultRowsChanged();
  // Unannounced, so only a refresh left waiting from before would show it.
  page.Hosts[0].Sent = 5;
  QTest::qWait(RepliesModel::BatchIntervalMs * 3);
  EXPECT_EQ(RowCells(*ping.Hosts, 0)[3], "0");
  EXPECT_EQ(ping.Replies->Count(), 0);
}

}  // namespace
