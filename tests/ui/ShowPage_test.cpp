// Showing a page of each tab: its rows in order, each linked to its record,
// the links of the tab's other pages cleared, the selected host's replies
// listed, and a click listing another host's. RowTexts owns the texts.
#include <arpa/inet.h>

#include "WindowTest.h"
#include "engine/HopPageView.h"

namespace {

using ShowPage = WindowTest;

// A host record: state, address (host on Multi ping), echoes sent, replies kept.
struct Record {
  std::int16_t state;
  const char* text;
  std::uint32_t sent;
  std::size_t stored;
};

void Fill(THostResult& h, const Record& r) {
  h.State = r.state;
  h.Address = r.text;
  inet_pton(AF_INET, r.text, &h.Ipv4);
  h.Sent = r.sent;
  h.Received = r.state == 0 ? r.sent : 0;
  h.ReplyCapacity = static_cast<std::int32_t>(r.stored);
  h.Replies.assign(r.stored, TReplyRecord{});
}

THostResult& HostOf(Mode mode, int page, std::size_t k) {
  return mode == Mode::RangePing ? *RangePingRegistry.At(page)->Hosts[k]
                                 : RegistryOf(mode).At(page)->Hosts[k];
}

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
    // Only addresses that answered have rows.
    {Mode::Ping, psOk, 0, {{0, "127.0.0.1", 120, 100}, {psError, "", 1, 0}, {0, "127.0.0.2", 3, 3}},
     {"1", "3"}, {0, -1, 1}, 100, 21, 1, 2, 3},
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
  const auto count = static_cast<std::int32_t>(c.records.size());
  TPageCommon* common;
  if (c.mode == Mode::RangePing) {
    ASSERT_TRUE(AddRangePingPage({}));
    TRangePingPage& p = *RangePingRegistry.At(page);
    for (const Record& r : c.records) Fill(*p.Hosts.emplace_back(std::make_unique<THostResult>()), r);
    p.HostCapacity = p.HostCount = count;
    common = &p;
  } else {
    ASSERT_TRUE(AddPage(RegistryOf(c.mode), TPingPage{}));
    TPingPage& p = *RegistryOf(c.mode).At(page);
    if (c.mode == Mode::MultiPing)
      for (const Record& r : c.records) AddMultiPingHost(MultiPingRegistry, page, r.text);
    for (std::size_t k = 0; k < c.records.size(); ++k) Fill(p.Hosts[k], c.records[k]);
    p.HostCount = count;
    common = &p;
  }
  common->ResultState = c.resultState;
  common->SelectedHost = c.selected;
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
  Start();
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
    if (c.replies) {
      EXPECT_EQ(replies.Number(0), c.firstReply);
    }
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
  Start();
  TPingPage& page = *PathPingRegistry.At(0);
  page.ResultState = psOk;
  page.HostCount = 3;
  for (std::size_t hop = 0; hop < 3; ++hop) Fill(page.Hosts[hop], {0, "10.0.0.1", 2, hop + 1});
  page.SelectedHost = 2;
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
