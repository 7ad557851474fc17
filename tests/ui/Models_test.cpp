// The models behind the grids and lists (bounded replies, sorted rows with
// stable handles), the batches in which a running page's results arrive, and
// showing a page of each tab: its rows in order, each linked to its record,
// the links of the tab's other pages cleared, the selected host's replies
// listed, and a click listing another host's. RowTexts owns the texts.
#include <arpa/inet.h>

#include <QLocale>
#include <QTest>
#include <algorithm>
#include <random>
#include <set>

#include "WindowTest.h"
#include "engine/HopPageView.h"
#include "engine/PageViews.h"
#include "engine/RangePageView.h"
#include "pages/ModePages.h"
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
  std::ranges::sort(sorted, {}, [](const THostResult* host) { return AliveHostKey(*host); });
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
  GiveResult(Mode::Ping, 0, {{0, "10.0.0.1", 0, 0}});
  TPingPage& page = *PingRegistry.At(0);
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

using ShowPage = WindowTest;

struct ShowCase {
  Mode mode;
  std::int32_t resultState, selected;
  std::vector<Record> records;
  QStringList rows;                    // column 0, top to bottom
  std::vector<int> links;              // per record: the row it is linked to, -1 for none
  int replies, firstReply;             // the replies grid: lines, number of the first
  int click, clicked, clickedReplies;  // a click on row `click` selects record `clicked`
};

// clang-format off
const ShowCase Cases[] = {
    // Only addresses that answered have rows; the grid lists the newest 10,000 replies.
    {Mode::Ping, psOk, 0, {{0, "127.0.0.1", 10025, 10005}, {psError, "", 1, 0}, {0, "127.0.0.2", 3, 3}},
     {"1", "3"}, {0, -1, 1}, 10000, 26, 1, 2, 3},
    // Every host of the list has a row, sorted by host, unless its state is unknown.
    {Mode::MultiPing, psOk, 1, {{-1, "beta", 0, 0}, {0, "alpha", 3, 3}, {2, "gamma", 1, 0}, {9, "delta", 0, 0}},
     {"alpha", "beta", "gamma"}, {1, 0, 2, -1}, 3, 1, 1, 0, 0},
    // Alive hosts in address order.
    {Mode::RangePing, psOk, 1,
     {{0, "10.0.0.10", 4, 2}, {0, "192.168.0.1", 4, 2}, {0, "10.0.0.2", 4, 2}, {-1, "10.0.0.3", 4, 2}},
     {"10.0.0.2", "10.0.0.10", "192.168.0.1"}, {1, 2, 0, -1}, 2, 3, 0, 2, 2},
    // Hops beyond the destination have no row; a silent hop lists its timeouts.
    {Mode::Traceroute, psOk, 0, {{0, "192.168.0.1", 3, 3}, {-1, "", 0, 0}, {1, "", 2, 2}, {4, "", 0, 0}},
     {"1", "3", "4"}, {0, -1, 1, 2}, 3, 1, 1, 2, 2},
    // A failed target: one row that no record owns.
    {Mode::PathPing, psError, 0, {{0, "10.0.0.1", 1, 1}}, {"1"}, {-1}, 0, 0, 0, 0, 0},
};
// clang-format on

// Adds page `page` of the case's tab with the case's records.
void AddCasePage(const ShowCase& c, int page) {
  ASSERT_TRUE(WithModeRegistry(c.mode, [](auto& registry) { return AddPage(registry, {}); }));
  GiveResult(c.mode, page, c.records, c.selected, c.resultState);
}

// Per record of the page, the row its link names on the tab: -1 for no
// link, -2 for a stale one that names no row.
std::vector<int> Links(Mode mode, int page, std::size_t records) {
  const RowListModel& rows = ActiveTabViews()->ForMode(mode).HostModel();
  std::vector<int> links;
  for (std::size_t k = 0; k < records; ++k) {
    const ListHandle link = HostOf(mode, page, k).ListItem;
    links.push_back(link == NoListItem ? -1 : rows.Contains(link) ? rows.RowOf(link) : -2);
  }
  return links;
}

TEST_F(ShowPage, RowsLinksAndRepliesOfEachTab) {
  for (const ShowCase& c : Cases) {
    SCOPED_TRACE(static_cast<int>(c.mode));
    TabView& tab = w().Views().ForMode(c.mode);
    const int page = Pages(c.mode).Model->Count();  // two pages after the default one
    AddCasePage(c, page);
    AddCasePage(c, page + 1);
    tab.ShowPage(page + 1, false, false);
    tab.ShowPage(page, false, false);
    EXPECT_EQ(Links(c.mode, page + 1, c.links.size()), std::vector<int>(c.links.size(), -1));
    EXPECT_EQ(Column(tab.HostModel()), c.rows);
    EXPECT_EQ(Links(c.mode, page, c.links.size()), c.links);
    const RepliesModel& replies = *Frame(c.mode).Replies;
    ASSERT_EQ(replies.Count(), c.replies);
    EXPECT_EQ(c.replies ? replies.Number(0) : 0, c.firstReply);
    Select(Frame(c.mode).HostView(), c.click);
    EXPECT_EQ(ShownPage(c.mode).SelectedHost, c.clicked);
    EXPECT_EQ(replies.Count(), c.clickedReplies);
  }
  // Showing a page of one tab leaves the links of the others alone.
  for (const ShowCase& c : Cases)
    EXPECT_EQ(Links(c.mode, Pages(c.mode).Model->Count() - 2, c.links.size()), c.links);
}

// A hop found beyond the destination loses its row; when it was the
// selected one, the grid goes back to hop 1, which the run goes on filling.
TEST_F(ShowPage, ATrimmedSelectedHopSendsTheGridToHopOne) {
  GiveResult(Mode::PathPing, 0, {{0, "10.0.0.1", 2, 1}, {0, "10.0.0.1", 2, 2}, {0, "10.0.0.1", 2, 3}}, 2);
  TPingPage& page = *PathPingRegistry.At(0);
  ShowPathPingPage(0, false, false);
  HopPageView* view = HopViewIfShown(PathPingRegistry, page);
  ASSERT_NE(view, nullptr);
  page.Hosts[2].State = page.Hosts[1].State = -1;
  page.SelectedHost = 0;
  view->HopRowRemoved(2, true);
  view->HopRowRemoved(1, false);  // nobody was looking at it: the grid stays
  EXPECT_EQ(Column(*Frame(Mode::PathPing).HostView()->model()), QStringList{"1"});
  EXPECT_EQ(page.Hosts[2].ListItem, NoListItem);
  EXPECT_EQ(Frame(Mode::PathPing).Replies->Count(), 1);
}

}  // namespace
