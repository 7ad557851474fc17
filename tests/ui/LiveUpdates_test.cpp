#include <arpa/inet.h>

#include "TabFixture.h"
#include "ui/models/MultiPingHostModel.h"
#include "ui/models/RepliesModel.h"
#include "ui/models/RowListModel.h"

namespace {

// What a run's callbacks do to the shown page: rows appear, change and go.
class LiveUpdates : public TabFixture {};

TEST_F(LiveUpdates, PingRowsAppearChangeAndFollowTheResultState) {
  ASSERT_TRUE(AddPingPage(TPingPage{}));
  TPingPage& page = *PingRegistry.Pages[0];
  ShowPingPage(0, false, false);
  TabView& tab = views->ForMode(Mode::Ping);

  page.ResultState = psOk;
  page.HostCount = 2;
  page.Hosts[1].State = 0;
  page.Hosts[1].Address = "::1";
  tab.RefreshHostRow(1);
  tab.RefreshHostRow(0);  // still unresolved: no row
  ASSERT_EQ(ping.Hosts->rowCount(), 1);
  const ListHandle row = page.Hosts[1].ListItem;
  EXPECT_TRUE(ping.Hosts->Contains(row));
  EXPECT_EQ(page.Hosts[0].ListItem, NoListItem);

  page.Hosts[1].Sent = 2;
  page.Hosts[1].Lost = 2;
  page.Hosts[1].CurTime = LostEchoTime;
  page.Hosts[1].HostName = "localhost";
  tab.RefreshHostRow(1);
  EXPECT_EQ(page.Hosts[1].ListItem, row);
  EXPECT_EQ(RowCells(*ping.Hosts, 0),
            (QStringList{"2", "::1", "localhost", "2", "0", "2 (100%)", "0", "0", "0", "Timeout"}));

  TReplyRecord lost;
  lost.Status = rsTimeout;
  tab.AppendReplyRow(lost, 2);
  ASSERT_EQ(ping.Replies->Count(), 1);
  EXPECT_EQ(RowCells(*ping.Replies, 0), (QStringList{"2", "00.00.00  00:00:00", "Timeout", "", "", "", ""}));

  page.ResultState = psHostNotFound;
  tab.RebuildHostRows();
  ASSERT_EQ(ping.Hosts->rowCount(), 1);
  EXPECT_EQ(RowCells(*ping.Hosts, 0).mid(0, 2), (QStringList{"1", "Host not found"}));
  EXPECT_EQ(page.Hosts[1].ListItem, NoListItem);
  EXPECT_EQ(ping.Replies->Count(), 1);  // the replies grid is left alone
}

TEST_F(LiveUpdates, AliveHostsArriveInAnyOrderAndSortByAddress) {
  ASSERT_TRUE(AddRangePingPage(TRangePingPage{}));
  TRangePingPage& page = *RangePingRegistry.Pages[0];
  page.ResultState = psOk;
  page.Hosts.resize(3);
  ShowRangePingPage(0, false, false);
  TabView& tab = views->ForMode(Mode::RangePing);
  for (const char* address : {"192.168.0.1", "10.0.0.10", "10.0.0.2"}) {
    auto host = std::make_unique<THostResult>();
    host->State = 0;
    host->Address = address;
    inet_pton(AF_INET, address, &host->Ipv4);
    page.Hosts[static_cast<std::size_t>(page.HostCount)] = std::move(host);
    tab.RefreshHostRow(page.HostCount++);
  }
  ASSERT_EQ(range.AliveHosts->rowCount(), 3);
  EXPECT_EQ(RowCells(*range.AliveHosts, 0).first(), "10.0.0.2");
  EXPECT_EQ(RowCells(*range.AliveHosts, 1).first(), "10.0.0.10");
  EXPECT_EQ(RowCells(*range.AliveHosts, 2).first(), "192.168.0.1");
  EXPECT_EQ(range.AliveHosts->columnCount(), 9);

  TReplyRecord reply;
  reply.Ipv4 = page.Hosts[0]->Ipv4;
  tab.AppendReplyRow(reply, 1);
  EXPECT_EQ(range.Replies->Text(0, 3), "192.168.0.1");
}

TEST_F(LiveUpdates, MultiPingRowChangesStateAndHopsCanBeDropped) {
  ASSERT_TRUE(AddMultiPingPage(TPingPage{}));
  AddMultiPingHost(MultiPingRegistry, 0, "nowhere.invalid");
  ShowMultiPingPage(0, false, false);
  TPingPage& page = *MultiPingRegistry.Pages[0];
  const ListHandle row = page.Hosts[0].ListItem;
  page.Hosts[0].State = psHostNotFound;
  views->ForMode(Mode::MultiPing).RefreshHostRow(0);
  EXPECT_EQ(page.Hosts[0].ListItem, row);
  EXPECT_EQ(multi.Hosts->Image(row), ImageHostFailed);
  EXPECT_EQ(RowCells(*multi.Hosts, 0).mid(0, 3), (QStringList{"nowhere.invalid", "Host not found", " "}));

  ASSERT_TRUE(AddTraceroutePage(TPingPage{}));
  TPingPage& route = *TracerouteRegistry.Pages[0];
  route.ResultState = psOk;
  route.HostCount = 2;
  route.Hosts[0].State = 1;
  route.Hosts[1].State = 0;
  ShowTraceroutePage(0, false, false);
  ASSERT_EQ(trace.Hosts->rowCount(), 2);
  route.Hosts[1].State = -1;  // beyond the destination
  views->ForMode(Mode::Traceroute).RefreshHostRow(1);
  EXPECT_EQ(trace.Hosts->rowCount(), 1);
  EXPECT_EQ(route.Hosts[1].ListItem, NoListItem);
  views->ForMode(Mode::Traceroute).RefreshHostRow(5);  // no such hop: nothing
  EXPECT_EQ(trace.Hosts->rowCount(), 1);
}

}  // namespace
