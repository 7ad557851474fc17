#include "pages/PageOperations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace {

// Records what the operations do to the page list and the host list.
struct RecordingLists : PageListObserver, HostListObserver {
  std::map<ListHandle, std::pair<int, std::string>> pageRows;  // handle -> (id, caption)
  std::string paramCaption = "untouched";
  std::vector<ListHandle> hostOrder;                           // host list rows, top to bottom
  std::map<ListHandle, std::pair<int, std::string>> hostRows;  // handle -> (row index, caption)
  ListHandle selected = NoListItem;
  ListHandle next = 1;

  ListHandle AppendPageRow(int id, const std::string& caption) override {
    pageRows[next] = {id, caption};
    return next++;
  }
  void SetPageCaption(ListHandle row, const std::string& caption) override {
    pageRows.at(row).second = caption;
  }
  void DeletePageRow(ListHandle row) override { pageRows.erase(row); }
  void SetParamCaption(const std::string& caption) override { paramCaption = caption; }

  ListHandle AppendHostRow(int rowIndex, const std::string& caption) override {
    hostRows[next] = {rowIndex, caption};
    hostOrder.push_back(next);
    return next++;
  }
  void SetHostRowIndex(ListHandle row, int rowIndex) override { hostRows.at(row).first = rowIndex; }
  void DeleteHostRow(ListHandle row) override {
    hostRows.erase(row);
    hostOrder.erase(std::find(hostOrder.begin(), hostOrder.end(), row));
  }
  void SelectHostRow(ListHandle row) override { selected = row; }
  ListHandle RowAbove(ListHandle row) const override {
    auto it = std::find(hostOrder.begin(), hostOrder.end(), row);
    return it == hostOrder.begin() ? NoListItem : *(it - 1);
  }
  ListHandle RowBelow(ListHandle row) const override {
    auto it = std::find(hostOrder.begin(), hostOrder.end(), row);
    return it + 1 == hostOrder.end() ? NoListItem : *(it + 1);
  }
};

TPingPage PingTemplate(const std::string& name) {
  TPingPage t;
  t.Name = name;
  t.Host = name;
  return t;
}

TEST(PageRegistryTest, FullRegistryRefusesAndIdsAreNeverReused) {
  TPingRegistry registry(Mode::Ping);
  RecordingLists lists;
  registry.List = &lists;
  for (int i = 0; i < MaxPages; ++i) ASSERT_TRUE(AddPage(registry, PingTemplate("p" + std::to_string(i))));
  EXPECT_EQ(registry.Count(), 1000);
  EXPECT_EQ(registry.Pages.back()->Id, 999);

  EXPECT_FALSE(AddPage(registry, PingTemplate("one too many")));
  EXPECT_EQ(registry.Count(), 1000);
  EXPECT_EQ(registry.NextId, 1000);
  EXPECT_EQ(lists.pageRows.size(), 1000u);

  RemovePage(registry, 999);
  EXPECT_EQ(lists.pageRows.size(), 999u);
  ASSERT_TRUE(AddPage(registry, PingTemplate("after delete")));
  EXPECT_EQ(registry.Pages.back()->Id, 1000);
  EXPECT_EQ(registry.FindById(1000), registry.Pages.back().get());
  EXPECT_EQ(registry.FindById(999), nullptr);
  EXPECT_EQ(lists.pageRows.at(registry.Pages.back()->ListItem),
            std::make_pair(1000, std::string("after delete")));
}

TEST(PageRegistryTest, NewPageClampsSettingsAndStartsIdle) {
  for (Mode mode : {Mode::Ping, Mode::MultiPing, Mode::Traceroute, Mode::PathPing}) {
    TPingRegistry registry(mode);
    TPingPage t = PingTemplate("clamped");
    t.Retries = 5000000;
    t.TimeOut = 50;
    t.Delay = -5;
    t.Minutes = 0;
    t.Bytes = 70000;
    t.Ttl = 0;
    t.Hops = 500;
    t.EveryMinutes = -7;
    t.RunId = 42;
    t.SelectedHost = 3;
    ASSERT_TRUE(AddPage(registry, t));
    const TPingPage& page = *registry.Pages[0];
    EXPECT_EQ(page.Retries, 999999);
    EXPECT_EQ(page.TimeOut, 100);
    EXPECT_EQ(page.Delay, 0);
    EXPECT_EQ(page.Minutes, 1);
    EXPECT_EQ(page.Bytes, 65500);
    EXPECT_EQ(page.EveryMinutes, -7) << "the periodic restart interval is kept as given";
    EXPECT_EQ(page.RunId, 0);
    EXPECT_EQ(page.SelectedHost, -1);
    EXPECT_EQ(page.ResultState, psPending);
    EXPECT_EQ(page.Worker, nullptr);
    EXPECT_EQ(page.StartTime, page.EndTime);
    if (mode == Mode::Ping || mode == Mode::MultiPing) {
      EXPECT_EQ(page.Ttl, 1);
    } else {
      EXPECT_EQ(page.Hops, 128);
    }
  }

  TRangeRegistry range(Mode::RangePing);
  TRangePingPage r;
  r.Name = "range";
  r.From = "10.0.0.1";
  r.To = "10.0.0.9";
  r.Threads = 0;
  ASSERT_TRUE(AddPage(range, r));
  EXPECT_EQ(range.Pages[0]->Threads, 1);
  EXPECT_EQ(range.Pages[0]->From, "10.0.0.1");
  r.Threads = 900;
  ASSERT_TRUE(AddPage(range, r));
  EXPECT_EQ(range.Pages[1]->Threads, 500);
  EXPECT_EQ(range.Pages[1]->Id, 1);
}

TEST(PageRegistryTest, ScheduleIsClampedAndLatchesCleared) {
  TPingRegistry registry(Mode::Ping);
  TPingPage t = PingTemplate("tasks");
  t.TaskCount = 150;
  t.Tasks[0].Type = 9;
  t.Tasks[0].Value = 0;
  t.Tasks[0].Fired = true;
  t.Tasks[1].Value = 1234567;
  t.Tasks[2].Type = ttEveryWeek;
  t.Tasks[2].Day = 5;
  t.Tasks[2].Fired = true;
  ASSERT_TRUE(AddPage(registry, t));
  const TPingPage& page = *registry.Pages[0];
  EXPECT_EQ(page.TaskCount, 100);
  EXPECT_EQ(page.Tasks[0].Type, ttEveryMonth);
  EXPECT_EQ(page.Tasks[0].Value, 1);
  EXPECT_EQ(page.Tasks[1].Value, 999999);
  EXPECT_EQ(page.Tasks[2].Type, ttEveryWeek);
  EXPECT_EQ(page.Tasks[2].Day, 5);
  for (int i = 0; i < page.TaskCount; ++i) EXPECT_FALSE(page.Tasks[i].Fired) << i;

  t.TaskCount = -3;
  ASSERT_TRUE(AddPage(registry, t));
  EXPECT_EQ(registry.Pages[1]->TaskCount, 0);
}

TEST(PageRegistryTest, MultiPingTemplateKeepsOnlyTheHostList) {
  TPingRegistry registry(Mode::MultiPing);
  TPingPage t = PingTemplate("hosts");
  t.HostCount = 2;
  t.Hosts[0].Host = "alpha";
  t.Hosts[0].Reserved6 = 1;
  t.Hosts[0].Sent = 9;
  t.Hosts[0].State = 0;
  t.Hosts[0].Address = "127.0.0.1";
  t.Hosts[0].Replies.resize(3);
  t.Hosts[1].Host = std::string(120, 'b');
  ASSERT_TRUE(AddPage(registry, t));
  const TPingPage& page = *registry.Pages[0];
  ASSERT_EQ(page.HostCount, 2);
  EXPECT_EQ(page.Hosts[0].Host, "alpha");
  EXPECT_EQ(page.Hosts[0].Reserved6, 1);
  EXPECT_EQ(page.Hosts[0].State, -1);
  EXPECT_EQ(page.Hosts[0].Sent, 0u);
  EXPECT_TRUE(page.Hosts[0].Address.empty());
  EXPECT_TRUE(page.Hosts[0].Replies.empty());
  EXPECT_EQ(page.Hosts[1].Host.size(), 96u);
  for (int i = 0; i < MaxHosts; ++i) EXPECT_EQ(page.Hosts[i].State, -1) << i;

  // Only Multi ping keeps a host list from its template.
  TPingRegistry ping(Mode::Ping);
  ASSERT_TRUE(AddPage(ping, t));
  EXPECT_EQ(ping.Pages[0]->HostCount, 0);
}

TEST(PageRegistryTest, RenameChangesOnlyValidPagesAndTheShownCaption) {
  TPingRegistry registry(Mode::Traceroute);
  RecordingLists lists;
  registry.List = &lists;
  AddPage(registry, PingTemplate("first"));
  AddPage(registry, PingTemplate("second"));
  registry.Current = 0;

  RenamePage(registry, 1, "renamed");
  EXPECT_EQ(registry.Pages[1]->Name, "renamed");
  EXPECT_EQ(lists.pageRows.at(registry.Pages[1]->ListItem).second, "renamed");
  EXPECT_EQ(lists.paramCaption, "untouched") << "a page that is not shown leaves the group caption alone";

  RenamePage(registry, 0, "shown");
  EXPECT_EQ(lists.paramCaption, "shown");

  RenamePage(registry, 0, "");
  RenamePage(registry, 2, "out of range");
  RenamePage(registry, -1, "out of range");
  EXPECT_EQ(registry.Pages[0]->Name, "shown");
  EXPECT_EQ(registry.Pages[0]->Id, 0);
}

class MultiPingHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    registry.List = &lists;
    registry.HostList = &lists;
    AddPage(registry, PingTemplate("page"));
    registry.Current = 0;
  }
  TPingPage& page() { return *registry.Pages[0]; }

  TPingRegistry registry{Mode::MultiPing};
  RecordingLists lists;
};

TEST_F(MultiPingHostTest, AddRefusesDuplicatesIgnoringCaseAndCutsLongHosts) {
  AddMultiPingHost(registry, 0, "Example.org");
  AddMultiPingHost(registry, 0, "EXAMPLE.ORG");
  AddMultiPingHost(registry, 0, "");
  AddMultiPingHost(registry, 1, "other page");
  ASSERT_EQ(page().HostCount, 1);
  EXPECT_EQ(page().Hosts[0].Reserved6, 1);
  EXPECT_EQ(lists.hostRows.at(page().Hosts[0].ListItem), std::make_pair(0, std::string("Example.org")));

  AddMultiPingHost(registry, 0, std::string(120, 'x'));
  EXPECT_EQ(page().Hosts[1].Host, std::string(96, 'x'));

  // A multi-byte character at the limit is dropped whole, never split.
  AddMultiPingHost(registry, 0, std::string(95, 'y') + "\xC3\xA9z");
  EXPECT_EQ(page().Hosts[2].Host, std::string(95, 'y'));

  // A page that is not shown gets the row but no list row.
  registry.Current = -1;
  AddMultiPingHost(registry, 0, "hidden");
  EXPECT_EQ(page().Hosts[3].ListItem, NoListItem);
  EXPECT_EQ(lists.hostRows.size(), 3u);
}

TEST_F(MultiPingHostTest, HostTableHoldsAtMost128Rows) {
  for (int i = 0; i < MaxHosts + 5; ++i) AddMultiPingHost(registry, 0, "h" + std::to_string(i));
  EXPECT_EQ(page().HostCount, MaxHosts);
  EXPECT_EQ(page().Hosts[MaxHosts - 1].Host, "h127");
}

TEST_F(MultiPingHostTest, RemovingARowMovesLaterRowsDownWhole) {
  for (const char* host : {"a", "b", "c"}) AddMultiPingHost(registry, 0, host);
  page().Hosts[1].Sent = 11;
  page().Hosts[2].Sent = 22;
  page().Hosts[2].ReplyCapacity = 5;
  page().Hosts[2].Replies.resize(2);
  page().Hosts[2].Replies[1].Time = 77;
  const ListHandle rowB = page().Hosts[1].ListItem;
  const ListHandle rowC = page().Hosts[2].ListItem;

  EXPECT_TRUE(DeleteMultiPingHost(registry, 0, 0));
  ASSERT_EQ(page().HostCount, 2);
  EXPECT_EQ(page().Hosts[0].Host, "b");
  EXPECT_EQ(page().Hosts[0].Sent, 11u);
  EXPECT_EQ(page().Hosts[1].Host, "c");
  EXPECT_EQ(page().Hosts[1].ReplyCount(), 2);
  EXPECT_EQ(page().Hosts[1].Replies[1].Time, 77);
  EXPECT_EQ(lists.hostRows.at(rowB).first, 0);
  EXPECT_EQ(lists.hostRows.at(rowC).first, 1);
  EXPECT_EQ(lists.hostRows.size(), 2u);
  EXPECT_EQ(lists.selected, rowB) << "no row above the removed one, so the one below is selected";

  EXPECT_TRUE(DeleteMultiPingHost(registry, 0, 1));
  EXPECT_EQ(lists.selected, rowB) << "the row above the removed one is selected";
  EXPECT_FALSE(DeleteMultiPingHost(registry, 0, 1));
  EXPECT_FALSE(DeleteMultiPingHost(registry, 0, -1));
  EXPECT_FALSE(DeleteMultiPingHost(registry, 3, 0));
  EXPECT_EQ(page().HostCount, 1);
}

}  // namespace
