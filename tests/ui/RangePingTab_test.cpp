// The IP range ping tab: the alive-host grid as a run fills it (rows in
// address order whatever the order of first answers, exactly the rows a
// full re-sort after every new host gives), the grid's focus choosing the
// replies, and a run from the window against loopback.
#include <arpa/inet.h>

#include <QApplication>
#include <QCheckBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <algorithm>
#include <random>

#include "TabFixture.h"
#include "engine/RangeHostIndex.h"
#include "engine/RangePageView.h"
#include "engine/ReplyAccounting.h"
#include "engine/RunThread.h"
#include "platform/ProgramPaths.h"
#include "platform/SocketIcmpEcho.h"
#include "LiveWindow.h"
#include "ui/TFormPing.h"
#include "ui/models/RowListModel.h"
#include "ui/views/RangeTabPageView.h"

namespace {

class RangePingTab : public TabFixture {
 protected:
  TRangePingPage& ShownRunningPage(int capacity) {
    EXPECT_TRUE(AddRangePingPage(TRangePingPage{}));
    TRangePingPage& page = *RangePingRegistry.Pages[0];
    page.ResultState = psOk;
    page.HostCapacity = capacity;
    page.Hosts.resize(static_cast<std::size_t>(capacity));
    page.ReplyCapacity = 4;
    page.SelectedHost = 0;
    ShowRangePingPage(0, false, false);
    return page;
  }
  // One echo result for `ipv4`, as a worker's callback hands it in.
  void Answer(TRangePingPage& page, std::uint32_t ipv4, std::uint32_t time, bool answered = true) {
    EchoResult result;
    result.Status = answered ? rsSuccess : rsTimeout;
    result.ReplyIpv4 = ipv4;
    result.ReplyTime = time;
    int k = index_.Find(page, ipv4);
    const bool added = k < 0;
    if (added) {
      if (!answered) return;
      k = index_.Add(page, ipv4);
    }
    THostResult& host = *page.Hosts[static_cast<std::size_t>(k)];
    const TReplyRecord record = AccountEchoResult(host, result, SystemTime{});
    RangePageView* view = RangeViewIfShown(RangePingRegistry, page);
    ASSERT_NE(view, nullptr);
    if (page.SelectedHost == k) view->AppendReplyRow(record, host.Sent);
    if (added)
      view->AliveHostAdded(k);
    else
      view->HostRowChanged(k);
  }

  static RangeTabPageView& View() {
    return dynamic_cast<RangeTabPageView&>(
        *RangeViewIfShown(RangePingRegistry, *RangePingRegistry.CurrentPage()));
  }

  RangeHostIndex index_;
};

TEST_F(RangePingTab, TheGridIsWhatAFullReSortAfterEveryNewHostWouldShow) {
  // Enough hosts for every kind of insertion place; the model tester checks
  // each insertion, which makes larger counts slow (the benchmark has 65,536).
  constexpr int Hosts = 400;
  TRangePingPage& page = ShownRunningPage(Hosts);
  std::vector<std::uint32_t> addresses;
  for (std::uint32_t i = 1; i <= Hosts; ++i) addresses.push_back(htonl(0x0A000000u + i * 7));
  std::mt19937 random(11);
  std::shuffle(addresses.begin(), addresses.end(), random);
  // First answers in random order, interleaved with later echoes to known hosts.
  std::uniform_int_distribution<std::size_t> pick(0, Hosts - 1);
  for (std::size_t i = 0; i < addresses.size(); ++i) {
    Answer(page, addresses[i], static_cast<std::uint32_t>(i % 50));
    const std::uint32_t again = addresses[pick(random) % (i + 1)];
    Answer(page, again, 3, i % 3 != 0);
  }
  ASSERT_EQ(page.HostCount, Hosts);
  // The rows come in batches; the run's end puts the last one in at once.
  EXPECT_GT(View().PendingRows(), 0);
  View().SetRunning(false);
  EXPECT_EQ(View().PendingRows(), 0);

  // The reference: every record, sorted by its address as unsigned host order.
  std::vector<const THostResult*> sorted;
  for (int k = 0; k < page.HostCount; ++k) sorted.push_back(page.Hosts[static_cast<std::size_t>(k)].get());
  std::stable_sort(sorted.begin(), sorted.end(), [](const THostResult* a, const THostResult* b) {
    return AliveHostKey(*a) < AliveHostKey(*b);
  });
  const RowListModel& grid = *range.AliveHosts;
  ASSERT_EQ(grid.rowCount(), Hosts);
  for (int row = 0; row < grid.rowCount(); ++row) {
    const THostResult& host = *sorted[static_cast<std::size_t>(row)];
    const HostRowText expected = AliveHostRow(host);
    QStringList cells;
    for (int c = 0; c < AliveHostColumns; ++c) cells << QString::fromStdString(expected.Texts[c]);
    ASSERT_EQ(RowCells(grid, row), cells) << row;
    ASSERT_EQ(grid.RowOf(host.ListItem), row);
  }
}

TEST_F(RangePingTab, TheGridsFocusChoosesWhichRepliesAreListed) {
  TRangePingPage& page = ShownRunningPage(10);
  const std::uint32_t high = htonl(0x0A000009u), low = htonl(0x0A000002u);
  Answer(page, high, 4);  // record 0, the selected one
  Answer(page, low, 6);   // record 1, shown above record 0
  Answer(page, low, 8);
  Answer(page, high, 5);
  // Rows and replies come with the next batch.
  EXPECT_EQ(range.AliveHosts->rowCount(), 0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return range.AliveHosts->rowCount() == 2; }, 2000));
  ASSERT_TRUE(QTest::qWaitFor([&] { return range.Replies->Count() == 2; }, 2000));
  EXPECT_EQ(RowCells(*range.AliveHosts, 0).mid(0, 4), (QStringList{"10.0.0.2", " ", "2", "2"}));
  EXPECT_EQ(range.Replies->Text(1, 3), "10.0.0.9");

  QTreeView* grid = range.VirtualStringTree1;
  grid->selectionModel()->setCurrentIndex(range.AliveHosts->index(0, 0),
                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  EXPECT_EQ(page.SelectedHost, 1);
  ASSERT_EQ(range.Replies->Count(), 2);
  EXPECT_EQ(range.Replies->Text(0, 3), "10.0.0.2");
  EXPECT_EQ(range.Replies->Text(1, 6), "8");
  Answer(page, low, 9);  // live again, now for the newly selected host
  ASSERT_TRUE(QTest::qWaitFor([&] { return range.Replies->Count() == 3; }, 2000));
  EXPECT_EQ(range.Replies->Number(2), 3);
}

// A run from the window's Start button against loopback, where every
// address of 127.0.0.0/8 answers.
class RangePingTabRun : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    if (!window_.Open()) QSKIP("no ICMP socket for IPv4 here");
    f_ = window_->FrameRangePing1;
  }
  void cleanupTestCase() {
    window_.Close();
  }

  void aReversedRangeFillsTheGridInAddressOrder() {
    f_->EditFrom->setText("127.4.0.40");
    f_->EditTo->setText("127.4.0.1");
    f_->EditThreads->setText("600");
    f_->RadioButtonRetries->setChecked(true);
    f_->EditRetries->setText("2");
    f_->EditDelay->setText("0");
    f_->CheckBoxResolveHostName->setChecked(false);
    f_->BitBtnStart->click();
    QCOMPARE(f_->EditThreads->text(), QString("500"));  // the value used
    QTRY_VERIFY(f_->BitBtnStop->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!RangePingRegistry.CurrentPage()->Worker, 20000);
    QVERIFY(f_->BitBtnStart->isEnabled());
    QVERIFY(!f_->BitBtnStop->isEnabled());

    QAbstractItemModel& grid = *f_->VirtualStringTree1->model();
    QCOMPARE(grid.rowCount(), 40);
    for (int row = 0; row < 40; ++row) {
      QCOMPARE(grid.index(row, 0).data().toString(), QString("127.4.0.%1").arg(row + 1));
      QCOMPARE(grid.index(row, 2).data().toString(), QString("2"));
      QCOMPARE(grid.index(row, 4).data().toString(), QString("0 (0%)"));
    }
    f_->VirtualStringTree1->selectionModel()->setCurrentIndex(
        grid.index(6, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QCOMPARE(f_->Replies->Count(), 2);
    QCOMPARE(f_->Replies->Text(1, 2), QString("Success"));
    QCOMPARE(f_->Replies->Text(1, 3), QString("127.4.0.7"));
  }

  void anUnusableRangeStartsNothing() {
    f_->EditFrom->setText("127.4.0.1");
    f_->EditTo->setText("255.255.255.255");
    const int runId = RangePingRegistry.CurrentPage()->RunId;
    f_->BitBtnStart->click();
    QTest::qWait(50);
    QCOMPARE(RangePingRegistry.CurrentPage()->RunId, runId);
    QCOMPARE(f_->VirtualStringTree1->model()->rowCount(), 40);
  }

 private:
  LiveWindow window_;
  TFrameRangePing* f_ = nullptr;
};

TEST(RangePingTabWindow, RunsAgainstLoopbackFromTheWindow) {
  RangePingTabRun test;
  EXPECT_EQ(QTest::qExec(&test), 0);
}

}  // namespace

#include "RangePingTab_test.moc"
