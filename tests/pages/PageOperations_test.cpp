// Creating, renaming and filling pages, and the editors' numbers that feed them.

#include "pages/PageOperations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <tuple>

#include "pages/EditorNumbers.h"

namespace {

// Page or host list rows: handle -> (page id or row index, caption), in order.
struct RecordingLists : PageListObserver, HostListObserver {
  std::map<ListHandle, std::pair<int, std::string>> rows;
  std::vector<ListHandle> order;
  std::string paramCaption = "untouched";
  ListHandle selected = NoListItem, next = 1;

  ListHandle AppendPageRow(int id, const std::string& caption) override {
    rows[next] = {id, caption};
    order.push_back(next);
    return next++;
  }
  void SetPageCaption(ListHandle row, const std::string& caption) override { rows.at(row).second = caption; }
  void DeletePageRow(ListHandle row) override {
    rows.erase(row);
    order.erase(std::find(order.begin(), order.end(), row));
  }
  void SetParamCaption(const std::string& caption) override { paramCaption = caption; }
  ListHandle AppendHostRow(int row, const std::string& caption) override {
    return AppendPageRow(row, caption);
  }
  void SetHostRowIndex(ListHandle row, int index) override { rows.at(row).first = index; }
  void DeleteHostRow(ListHandle row) override { DeletePageRow(row); }
  void SelectHostRow(ListHandle row) override { selected = row; }
  ListHandle Neighbour(ListHandle row, long step) const {
    const auto at = std::find(order.begin(), order.end(), row) - order.begin() + step;
    return at < 0 || at >= std::ssize(order) ? NoListItem : order[static_cast<std::size_t>(at)];
  }
  ListHandle RowAbove(ListHandle row) const override { return Neighbour(row, -1); }
  ListHandle RowBelow(ListHandle row) const override { return Neighbour(row, 1); }
};

template <class Page>
const Page& Added(TPageRegistry<Page>& registry, const Page& t) {
  EXPECT_TRUE(AddPage(registry, t));
  return *registry.Pages.back();
}

TEST(PageOperations, FullRegistryRefusesAndIdsAreNeverReused) {
  TPingRegistry registry(Mode::Ping);
  RecordingLists lists;
  registry.List = &lists;
  TPingPage t;
  for (int i = 0; i < MaxPages; ++i) ASSERT_TRUE(AddPage(registry, t));
  EXPECT_FALSE(AddPage(registry, t));
  EXPECT_EQ(lists.rows.size(), 1000u);
  RemovePage(registry, 999);
  t.Name = "after delete";
  EXPECT_EQ(Added(registry, t).Id, 1000);
  EXPECT_EQ(registry.FindById(999), nullptr);
  EXPECT_EQ(lists.rows.at(registry.Pages.back()->ListItem), std::make_pair(1000, t.Name));
}

// Every number of a template is pulled into its range, and a new page starts
// idle whatever the template says.
TEST(PageOperations, NewPagesClampTheirSettings) {
  constexpr unsigned P = 1, M = 2, T = 8, H = 16, All = P | M | T | H;
  const std::tuple<unsigned, std::int32_t TPingPage::*, std::int32_t, std::int32_t> cases[] = {
      {All, &TPingPage::TimeOut, 50, 100},     {All, &TPingPage::TimeOut, 70000, 60000},
      {All, &TPingPage::Retries, 0, 1},        {All, &TPingPage::Retries, 5000000, 999999},
      {All, &TPingPage::Minutes, 0, 1},        {All, &TPingPage::Minutes, 60001, 60000},
      {All, &TPingPage::Delay, -5, 0},         {All, &TPingPage::Delay, INT32_MAX, 999999999},
      {All, &TPingPage::Bytes, -1, 0},         {All, &TPingPage::Bytes, 70000, 65500},
      {All, &TPingPage::TaskCount, -3, 0},     {All, &TPingPage::TaskCount, 150, 100},
      {All, &TPingPage::EveryMinutes, -7, -7}, {All, &TPingPage::RunId, 42, 0},
      {All, &TPingPage::SelectedHost, 3, -1},  {All, &TPingPage::ResultState, psError, psPending},
      {P | M, &TPingPage::Ttl, 0, 1},          {P | M, &TPingPage::Ttl, 256, 255},
      {T | H, &TPingPage::Hops, 0, 1},         {T | H, &TPingPage::Hops, 500, 128},
  };
  for (const auto& [modes, field, given, expected] : cases)
    for (Mode mode : AllModes)
      if (modes & 1u << static_cast<int>(mode)) {
        TPingRegistry registry(mode);
        TPingPage t;
        t.*field = given;
        EXPECT_EQ(Added(registry, t).*field, expected) << static_cast<int>(mode) << " " << given;
      }
  // The range page shares the common clamps and has its pool size.
  TRangeRegistry ranges(Mode::RangePing);
  TRangePingPage r;
  r.Retries = r.Threads = 0;
  const TRangePingPage& low = Added(ranges, r);
  r.Threads = 900;
  EXPECT_EQ(std::make_tuple(low.Retries, low.Threads, Added(ranges, r).Threads), std::make_tuple(1, 1, 500));

  // A schedule entry: Type at most 4, Value within 1..999999, never fired.
  TPingPage t;
  t.TaskCount = 2;
  t.Tasks[0] = {2024, 1, 0, 5, 6, 7, 0, 0, 9, 0, true, true};
  t.Tasks[1].Value = 1234567;
  TPingRegistry registry(Mode::Ping);
  const TPingPage& page = Added(registry, t);
  EXPECT_EQ(page.Tasks[0], (TAutoTask{2024, 1, 0, 5, 6, 7, 0, 0, ttEveryMonth, 1, true, false}));
  EXPECT_EQ(page.Tasks[1].Value, 999999);
}

// Only the host list survives a Multi ping template, never its results.
TEST(PageOperations, MultiPingTemplateKeepsOnlyTheHostList) {
  TPingPage t;
  t.HostCount = 2;
  THostResult& host = t.Hosts[0];
  host.Host = "alpha", host.Reserved6 = 1, host.Reserved0 = 7, host.State = 0, host.Reserved7 = 5;
  host.Address = "127.0.0.1", host.HostName = "name", host.Ipv4 = 1, host.Sent = 9, host.CurTime = 4;
  host.AvgExact = 1.5, host.Replies.resize(3);
  t.Hosts[1].Host = std::string(120, 'b');
  TPingRegistry registry(Mode::MultiPing);
  const TPingPage& page = Added(registry, t);
  ASSERT_EQ(page.HostCount, 2);
  const THostResult& h = page.Hosts[0];
  EXPECT_EQ(std::make_tuple(h.Host, h.Reserved6, h.Reserved0, h.State, h.Reserved7, h.Address, h.HostName,
                            h.Ipv4, h.Sent, h.CurTime, h.AvgExact, h.Replies.size()),
            std::make_tuple("alpha", 1, 0u, -1, 0, "", "", 0u, 0u, 0, 0.0, 0u));
  EXPECT_EQ(page.Hosts[1].Host, std::string(96, 'b'));
  TPingRegistry ping(Mode::Ping);
  EXPECT_EQ(Added(ping, t).HostCount, 0) << "only Multi ping keeps a host list";
}

TEST(PageOperations, EditorNumbersTakeTheirFormsThenTheFallbackThenTheRange) {
  const char* texts[] = {"  12", "-5", "+7", "$20", "0x20", "x1F", "-$10", "2147483647", "-2147483648"};
  const std::int32_t values[] = {12, -5, 7, 32, 32, 31, -16, INT32_MAX, INT32_MIN};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(StrToInt(texts[i]), values[i]) << texts[i];
  for (const char* text : {"", " ", "abc", "12 ", "1 2", "-", "$", "0x", "2147483648", "-2147483649",
                           "99999999999999999999", "$80000000", "1.5", "\t3"})
    EXPECT_FALSE(StrToInt(text)) << '"' << text << '"';
  EXPECT_EQ(EditorInt("abc", 10, 1, 999999), 10);
  EXPECT_EQ(EditorInt("5000000", 10, 1, 999999), 999999);
  EXPECT_EQ(EditorInt("x", 500, 1, 255), 255);  // a fallback outside the range is clamped too
}

TEST(PageOperations, RenameChangesOnlyValidPagesAndTheShownCaption) {
  TPingRegistry registry(Mode::Traceroute);
  RecordingLists lists;
  registry.List = &lists;
  for (int i = 0; i < 2; ++i) AddPage(registry, TPingPage{});
  registry.Current = 0;
  RenamePage(registry, 1, "renamed");
  EXPECT_EQ(lists.rows.at(registry.Pages[1]->ListItem).second, "renamed");
  EXPECT_EQ(lists.paramCaption, "untouched") << "a page that is not shown leaves the group caption alone";
  for (int index : {0, 2, -1}) RenamePage(registry, index, index ? "out of range" : "shown");
  RenamePage(registry, 0, "");
  EXPECT_EQ(registry.Pages[0]->Name, "shown");
  EXPECT_EQ(lists.paramCaption, "shown");
}

TEST(PageOperations, MultiPingHostRules) {
  TPingRegistry registry(Mode::MultiPing);
  RecordingLists lists;
  registry.HostList = &lists;
  AddPage(registry, TPingPage{});
  registry.Current = 0;
  TPingPage& page = *registry.Pages[0];
  const std::string hosts[] = {"Example.org", "EXAMPLE.ORG", "", std::string(120, 'x'),
                               std::string(95, 'y') + "\xC3\xA9z"};
  for (const std::string& host : hosts) AddMultiPingHost(registry, 0, host);
  AddMultiPingHost(registry, 1, "no such page");
  ASSERT_EQ(page.HostCount, 3);
  EXPECT_EQ(lists.rows.at(page.Hosts[0].ListItem), std::make_pair(0, std::string("Example.org")));
  EXPECT_EQ(page.Hosts[1].Host, std::string(96, 'x'));
  EXPECT_EQ(page.Hosts[2].Host, std::string(95, 'y')) << "a character at the limit is dropped whole";

  // Removing row 0 moves the later rows down whole, with their list rows.
  page.Hosts[1].Sent = 11;
  page.Hosts[2].Replies.resize(2);
  const ListHandle second = page.Hosts[1].ListItem, third = page.Hosts[2].ListItem;
  EXPECT_TRUE(DeleteMultiPingHost(registry, 0, 0));
  ASSERT_EQ(page.HostCount, 2);
  EXPECT_EQ(std::tie(page.Hosts[0].Sent, lists.rows.at(second).first, lists.rows.at(third).first),
            std::make_tuple(11u, 0, 1));
  EXPECT_EQ(page.Hosts[1].ReplyCount(), 2);
  EXPECT_EQ(lists.selected, second) << "no row above the removed one, so the one below";
  EXPECT_TRUE(DeleteMultiPingHost(registry, 0, 1));
  EXPECT_EQ(lists.selected, second) << "the row above the removed one";
  EXPECT_FALSE(DeleteMultiPingHost(registry, 0, 1));
  EXPECT_FALSE(DeleteMultiPingHost(registry, 0, -1));

  // A page that is not shown gets rows but no list rows; 128 at most.
  registry.Current = -1;
  for (int i = 0; i < MaxHosts + 5; ++i) AddMultiPingHost(registry, 0, std::string("h") + std::to_string(i));
  EXPECT_EQ(page.HostCount, MaxHosts);
  EXPECT_EQ(page.Hosts[MaxHosts - 1].Host, "h126");
  EXPECT_EQ(page.Hosts[MaxHosts - 1].ListItem, NoListItem);
}

}  // namespace
