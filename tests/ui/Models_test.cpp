// The models behind the grids and lists: bounded replies, sorted rows with
// stable handles, and the batches in which a running page's results arrive.
#include <arpa/inet.h>

#include <QLocale>
#include <QTest>
#include <algorithm>
#include <random>
#include <set>

#include "WindowTest.h"
#include "engine/PageViews.h"
#include "engine/RangePageView.h"
#include "pages/TextHelpers.h"

namespace {

ReplyRowText Reply(std::int64_t number) {
  ReplyRowText r;
  r.Number = number;
  r.Texts[0] = std::to_string(number);
  return r;
}

TEST(RepliesModel, KeepsTheNewestTenThousandRowsDroppingBeforeInserting) {
  RepliesModel m;
  for (int i = 1; i <= RepliesModel::MaxRows; ++i) m.Append(Reply(i));
  QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
  std::vector<std::string> events;
  QObject::connect(&m, &QAbstractItemModel::rowsAboutToBeRemoved, [&](const QModelIndex&, int a, int b) {
    events.push_back("remove " + std::to_string(a) + "-" + std::to_string(b));
  });
  QObject::connect(&m, &QAbstractItemModel::rowsAboutToBeInserted, [&](const QModelIndex&, int a, int b) {
    EXPECT_LE(m.Count() + b - a + 1, RepliesModel::MaxRows);  // never more rows, not even for a moment
    events.push_back("insert " + std::to_string(a) + "-" + std::to_string(b));
  });
  m.Append(Reply(10001));
  m.Append(Reply(10002));
  EXPECT_EQ(events,
            (std::vector<std::string>{"remove 0-0", "insert 9999-9999", "remove 0-0", "insert 9999-9999"}));
  EXPECT_EQ(m.Number(0), 3);
  EXPECT_EQ(m.Number(9999), 10002);

  // A batch beyond the limit: the old rows go, then the batch's newest come in one insertion.
  events.clear();
  for (int i = 10003; i <= 20150; ++i) m.AppendSoon(Reply(i));
  EXPECT_EQ(m.Waiting(), 10148);
  ASSERT_TRUE(QTest::qWaitFor([&] { return m.Waiting() == 0; }, 2000));
  EXPECT_EQ(events, (std::vector<std::string>{"remove 0-9999", "insert 0-9999"}));
  EXPECT_EQ(m.Number(0), 10151);
}

TEST(RowListModel, OrdersRowsAndKeepsEveryHandleUntilItsRowGoes) {
  RowListModel m({"N"}, RowListModel::Order::ByKey, RowListModel::Images::Result);
  QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
  const char* const keys[] = {"5", "-1", "3", "0"};
  std::vector<ListHandle> rows;
  for (const char* key : keys) rows.push_back(m.AppendRow({std::stoi(key), {key}, 2}));
  EXPECT_EQ(Column(m), (QStringList{"-1", "0", "3", "5"}));
  // A removed row's handle names nothing from then on and is never given again;
  // the other handles keep naming their own rows wherever these move.
  m.RemoveRow(rows[1]);
  m.SetTexts(rows[1], 0, std::vector<std::string>{"x"});
  rows.push_back(m.AppendRow({7, {"7"}, 2}));
  EXPECT_EQ(Column(m), (QStringList{"0", "3", "5", "7"}));
  EXPECT_FALSE(m.Contains(rows[1]));
  for (std::size_t i : {0, 2, 3}) EXPECT_EQ(m.index(m.RowOf(rows[i]), 0).data().toString(), keys[i]);
  EXPECT_EQ(std::set<ListHandle>(rows.begin(), rows.end()).size(), 5u);
}

// Without a locale that collates (C, C.UTF-8), page names and hosts still
// sort as a user reads them: letter case only breaks ties.
TEST(RowListModel, CaptionsSortWithoutTheLocalesCollation) {
  const QLocale saved;
  QLocale::setDefault(QLocale::c());
  PageListModel pages;
  MultiPingHostModel hosts;
  QLocale::setDefault(saved);
  for (const char* caption : {"Beta", "Zulu", "alpha", "beta"}) {
    pages.AppendPageRow(0, caption);
    hosts.AppendHostRow(0, caption);
  }
  EXPECT_EQ(Column(pages), (QStringList{"alpha", "beta", "Beta", "Zulu"}));
  EXPECT_EQ(Column(hosts), Column(pages));
}

using RunRows = WindowTest;

// The alive-host rows a sweep adds in batches, in any order of first answers and with later
// echoes in between, are exactly a full re-sort of the records by address as an unsigned number.
TEST_F(RunRows, TheAliveHostGridIsAFullReSortOfTheRecords) {
  Start();
  constexpr int Hosts = 400;
  TRangePingPage& page = *RangePingRegistry.At(0);
  page.ResultState = psOk;
  page.HostCapacity = Hosts;
  ShowRangePingPage(0, false, false);
  RangePageView* view = RangeViewIfShown(RangePingRegistry, page);
  ASSERT_NE(view, nullptr);
  std::vector<std::uint32_t> addresses;
  for (std::uint32_t i = 1; i <= Hosts; ++i)
    addresses.push_back(i * 10737418u);  // 0.163.215.10 and on, past 128.0.0.0
  std::mt19937 random(11);
  std::shuffle(addresses.begin(), addresses.end(), random);
  for (int k = 0; k < Hosts; ++k) {
    THostResult& host = *page.Hosts.emplace_back(std::make_unique<THostResult>());
    host.State = 0;
    host.Ipv4 = htonl(addresses[static_cast<std::size_t>(k)]);
    host.Address = Ipv4ToString(host.Ipv4);
    page.HostCount = k + 1;
    view->AliveHostAdded(k);
    const int again = static_cast<int>(random() % static_cast<unsigned>(k + 1));
    page.Hosts[static_cast<std::size_t>(again)]->Sent += 1;
    view->HostRowChanged(again);
  }
  view->SetRunning(false);  // the run's end puts the last batch in at once

  std::vector<const THostResult*> sorted;
  for (const auto& host : page.Hosts) sorted.push_back(host.get());
  std::stable_sort(sorted.begin(), sorted.end(), [](const THostResult* a, const THostResult* b) {
    return AliveHostKey(*a) < AliveHostKey(*b);
  });
  const RowListModel& grid = *w().FrameRangePing1->AliveHosts;
  ASSERT_EQ(grid.rowCount(), Hosts);
  for (int row = 0; row < Hosts; ++row) {
    const THostResult& host = *sorted[static_cast<std::size_t>(row)];
    QStringList expected;
    for (const std::string& text : AliveHostRow(host).Texts) expected << QString::fromStdString(text);
    ASSERT_EQ(RowCells(grid, row), expected.mid(0, AliveHostColumns)) << row;
    ASSERT_EQ(grid.RowOf(host.ListItem), row);
  }
}

// A new run's rows are rebuilt from the page; a refresh still waiting from
// the run before must not show its numbers afterwards.
TEST_F(RunRows, ARebuildDropsTheRowsWaitingInABatch) {
  Start();
  TPingPage& page = *PingRegistry.At(0);
  page.ResultState = psOk;
  page.HostCount = 1;
  page.Hosts[0].State = 0;
  PageView* view = ModePageView(Mode::Ping);
  view->ResultRowsChanged();
  page.Hosts[0].Sent = 3;
  view->HostRowChanged(0);
  view->AppendReplyRow(TReplyRecord{}, 3);

  page.Hosts[0].Sent = 0;
  w().FramePing1->Replies->Clear();
  view->ResultRowsChanged();
  page.Hosts[0].Sent = 5;  // unannounced: only a stale refresh would show it
  QTest::qWait(RepliesModel::BatchIntervalMs * 3);
  EXPECT_EQ(RowCells(*w().FramePing1->Hosts, 0)[3], "0");
  EXPECT_EQ(w().FramePing1->Replies->Count(), 0);
}

}  // namespace
