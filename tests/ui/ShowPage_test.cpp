#include <arpa/inet.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeView>

#include "TabFixture.h"
#include "ui/models/MultiPingHostModel.h"
#include "ui/models/PageListModel.h"
#include "ui/models/RepliesModel.h"
#include "ui/models/RowListModel.h"
#include "ui/views/TabView.h"

namespace {

class ShowPage : public TabFixture {};

THostResult Resolved(const char* address, std::uint32_t sent, std::uint32_t lost) {
  THostResult h;
  h.State = 0;
  h.Address = address;
  h.Sent = sent;
  h.Received = sent - lost;
  h.Lost = lost;
  h.MinTime = 1;
  h.MaxTime = 9;
  h.AvgTime = 4;
  h.CurTime = lost ? LostEchoTime : 2;
  return h;
}

// `count` stored replies, the last `timeouts` of them lost.
void StoreReplies(THostResult& h, int count, int timeouts = 0) {
  h.ReplyCapacity = count;
  for (int i = 0; i < count; ++i) {
    TReplyRecord r;
    r.Year = 25;
    r.Month = 1;
    r.Day = 3;
    r.Hour = 4;
    r.Minute = 5;
    r.Second = 6;
    r.Ipv4 = htonl(0x7F000001);
    r.Bytes = 32;
    r.Ttl = 64;
    r.Time = 2;
    r.Status = i >= count - timeouts ? rsTimeout : rsSuccess;
    h.Replies.push_back(r);
  }
}

TPingPage Named(const char* name) {
  TPingPage page;
  page.Name = name;
  page.Host = name;
  return page;
}

TEST_F(ShowPage, PingPageShowsSettingsRowsAndTheSelectedHostsReplies) {
  TPingPage tmpl = Named("Office");
  tmpl.Retries = 12;
  tmpl.Minutes = 3;
  tmpl.ByMinutes = true;
  tmpl.Delay = 250;
  tmpl.TimeOut = 900;
  tmpl.Bytes = 64;
  tmpl.Ttl = 30;
  tmpl.ResolveHostName = false;
  tmpl.PingForAllIp = true;
  tmpl.ShowReplys = false;
  ASSERT_TRUE(AddPingPage(tmpl));
  TPingPage& page = *PingRegistry.Pages[0];
  page.ResultState = psOk;
  page.HostCount = 3;
  page.Hosts[0] = Resolved("127.0.0.1", 120, 1);
  page.Hosts[0].HostName = "localhost";
  page.Hosts[1].State = psError;
  page.Hosts[2] = Resolved("127.0.0.2", 3, 0);
  StoreReplies(page.Hosts[0], 100, 1);
  page.SelectedHost = 0;

  ShowPingPage(0, true, false);

  EXPECT_EQ(PingRegistry.Current, 0);
  EXPECT_EQ(ping.GroupBoxParam->title(), "Office");
  EXPECT_EQ(pingPages.EditPageName->text(), "Office");
  EXPECT_EQ(ping.EditHost->text(), "Office");
  EXPECT_EQ(ping.EditRetries->text(), "12");
  EXPECT_EQ(ping.EditMinutes->text(), "3");
  EXPECT_TRUE(ping.RadioButtonMinutes->isChecked());
  EXPECT_EQ(ping.EditDelay->text(), "250");
  EXPECT_EQ(ping.EditTimeOut->text(), "900");
  EXPECT_EQ(ping.EditBytes->text(), "64");
  EXPECT_EQ(ping.EditTtl->text(), "30");
  EXPECT_FALSE(ping.CheckBoxResolveHostName->isChecked());
  EXPECT_TRUE(ping.CheckBoxPingForAllIp->isChecked());
  EXPECT_FALSE(ping.CheckBoxShowReplys->isChecked());
  EXPECT_TRUE(ping.BitBtnStart->isEnabled());
  EXPECT_FALSE(ping.BitBtnStop->isEnabled());

  ASSERT_EQ(ping.Hosts->rowCount(), 2);
  EXPECT_EQ(RowCells(*ping.Hosts, 0),
            (QStringList{"1", "127.0.0.1", "localhost", "120", "119", "1 (0%)", "1", "9", "4", "Timeout"}));
  EXPECT_EQ(RowCells(*ping.Hosts, 1),
            (QStringList{"3", "127.0.0.2", " ", "3", "3", "0 (0%)", "1", "9", "4", "2"}));
  EXPECT_EQ(ping.Hosts->Image(page.Hosts[0].ListItem), ImageHost);
  EXPECT_EQ(ping.Hosts->RowOf(page.Hosts[2].ListItem), 1);
  EXPECT_EQ(page.Hosts[1].ListItem, NoListItem);

  // 120 sent, the newest 100 kept: numbers 21 to 120.
  ASSERT_EQ(ping.Replies->Count(), 100);
  EXPECT_EQ(RowCells(*ping.Replies, 0),
            (QStringList{"21", "25.01.03  04:05:06", "Success", "127.0.0.1", "32", "64", "2"}));
  EXPECT_EQ(RowCells(*ping.Replies, 99),
            (QStringList{"120", "25.01.03  04:05:06", "Timeout", "", "", "", ""}));
  EXPECT_EQ(ping.Replies->Image(99), ImageReplyMissing);
  EXPECT_FALSE(ping.ListView1->selectionModel()->hasSelection());
}

TEST_F(ShowPage, FailedAndPendingPingPages) {
  ASSERT_TRUE(AddPingPage(Named("a")));
  TPingPage& page = *PingRegistry.Pages[0];
  page.ResultState = psNoIpv4Address;
  page.HostCount = 1;
  page.Hosts[0] = Resolved("127.0.0.1", 1, 0);
  StoreReplies(page.Hosts[0], 1);
  page.SelectedHost = 0;
  FakeWorker worker;
  page.Worker = &worker;
  ShowPingPage(0, false, false);
  ASSERT_EQ(ping.Hosts->rowCount(), 1);
  EXPECT_EQ(RowCells(*ping.Hosts, 0),
            (QStringList{"1", "IPv4 address not found", " ", " ", " ", " ", " ", " ", " ", " "}));
  EXPECT_EQ(ping.Hosts->Image(ping.Hosts->HandleAt(0)), ImageHostFailed);
  EXPECT_EQ(page.Hosts[0].ListItem, NoListItem);
  EXPECT_EQ(ping.Replies->Count(), 0);
  EXPECT_FALSE(ping.BitBtnStart->isEnabled());
  EXPECT_TRUE(ping.BitBtnStop->isEnabled());

  page.Worker = nullptr;
  page.ResultState = psPending;
  ShowPingPage(0, false, false);
  EXPECT_EQ(ping.Hosts->rowCount(), 0);
  EXPECT_EQ(ping.Replies->Count(), 0);
  EXPECT_TRUE(ping.BitBtnStart->isEnabled());
}

TEST_F(ShowPage, AnIndexOutsideTheRegistryDoesNothing) {
  ASSERT_TRUE(AddPingPage(Named("a")));
  ShowPingPage(0, false, false);
  ping.EditRetries->setText("77");
  ShowPingPage(-1, true, true);
  ShowPingPage(1, true, true);
  EXPECT_EQ(PingRegistry.Current, 0);
  EXPECT_EQ(PingRegistry.Pages[0]->Retries, 4);
  EXPECT_EQ(ping.EditRetries->text(), "77");
}

TEST_F(ShowPage, StoreFirstWritesTheOldPageAndShowingAgainShowsClampedValues) {
  ASSERT_TRUE(AddPingPage(Named("a")));
  ASSERT_TRUE(AddPingPage(Named("b")));
  ShowPingPage(0, true, false);
  ping.EditRetries->setText("abc");
  ping.EditTtl->setText("300");
  ShowPingPage(0, true, false);
  EXPECT_EQ(ping.EditRetries->text(), "10");
  EXPECT_EQ(ping.EditTtl->text(), "255");

  ping.EditTimeOut->setText("5000");
  ShowPingPage(1, true, false);
  EXPECT_EQ(PingRegistry.Pages[0]->TimeOut, 5000);
  EXPECT_EQ(PingRegistry.Pages[1]->TimeOut, 1000);
  EXPECT_EQ(ping.EditTimeOut->text(), "1000");
}

TEST_F(ShowPage, LinksOfTheTabsOtherPagesAreClearedOnly) {
  ASSERT_TRUE(AddPathPingPage(Named("a")));
  ASSERT_TRUE(AddPathPingPage(Named("b")));
  ASSERT_TRUE(AddTraceroutePage(Named("t")));
  for (TPingRegistry* registry : {&PathPingRegistry, &TracerouteRegistry})
    for (auto& page : registry->Pages) {
      page->ResultState = psOk;
      page->HostCount = 1;
      page->Hosts[0] = Resolved("10.0.0.1", 1, 0);
    }
  ShowTraceroutePage(0, false, false);
  ShowPathPingPage(0, false, false);
  const ListHandle traceLink = TracerouteRegistry.Pages[0]->Hosts[0].ListItem;
  EXPECT_NE(traceLink, NoListItem);
  EXPECT_NE(PathPingRegistry.Pages[0]->Hosts[0].ListItem, NoListItem);
  ShowPathPingPage(1, false, false);
  EXPECT_EQ(PathPingRegistry.Pages[0]->Hosts[0].ListItem, NoListItem);
  EXPECT_NE(PathPingRegistry.Pages[1]->Hosts[0].ListItem, NoListItem);
  EXPECT_EQ(TracerouteRegistry.Pages[0]->Hosts[0].ListItem, traceLink);
  EXPECT_TRUE(trace.Hosts->Contains(traceLink));
}

TEST_F(ShowPage, SelectInListSelectsThePagesRowAndTheNestedShowEndsTheSame) {
  FollowSelection(pingPages, PingRegistry, Mode::Ping);
  for (const char* name : {"Office", "Branch"}) ASSERT_TRUE(AddPingPage(Named(name)));
  ShowPingPage(0, true, false);
  ping.EditRetries->setText("42");
  ShowPingPage(1, true, true);  // Branch; its row is selected, which shows it once more
  EXPECT_EQ(PingRegistry.Current, 1);
  EXPECT_EQ(pingPages.SelectedRow(), PingRegistry.Pages[1]->ListItem);
  EXPECT_EQ(PingRegistry.Pages[0]->Retries, 42);
  EXPECT_EQ(PingRegistry.Pages[1]->Retries, 4);
  EXPECT_EQ(ping.EditRetries->text(), "4");
  EXPECT_EQ(ping.EditHost->text(), "Branch");

  // Selecting the other row shows that page after storing the editors.
  ping.EditRetries->setText("9");
  pingPages.SelectRow(PingRegistry.Pages[0]->ListItem);
  EXPECT_EQ(PingRegistry.Current, 0);
  EXPECT_EQ(PingRegistry.Pages[1]->Retries, 9);
  EXPECT_EQ(ping.EditRetries->text(), "42");
}

TEST_F(ShowPage, MultiPingListsEveryHostByNameWithItsState) {
  ASSERT_TRUE(AddMultiPingPage(Named("m")));
  TPingPage& page = *MultiPingRegistry.Pages[0];
  for (const char* host : {"beta", "alpha", "gamma", "delta"}) AddMultiPingHost(MultiPingRegistry, 0, host);
  page.Hosts[1].State = 0;
  page.Hosts[1].Address = "10.0.0.5";
  page.Hosts[1].Sent = 3;
  page.Hosts[1].Received = 2;
  page.Hosts[1].Lost = 1;
  page.Hosts[1].CurTime = LostEchoTime;
  StoreReplies(page.Hosts[1], 3, 1);
  page.Hosts[2].State = psNoIpv4Address;
  page.Hosts[3].State = 9;  // no row
  page.SelectedHost = 1;

  ShowMultiPingPage(0, false, false);
  ASSERT_EQ(multi.Hosts->rowCount(), 3);
  EXPECT_EQ(RowCells(*multi.Hosts, 0),
            (QStringList{"alpha", "10.0.0.5", " ", "3", "2", "1 (33%)", "0", "0", "0", "Timeout"}));
  EXPECT_EQ(RowCells(*multi.Hosts, 1), (QStringList{"beta", " ", " ", " ", " ", " ", " ", " ", " ", " "}));
  EXPECT_EQ(RowCells(*multi.Hosts, 2),
            (QStringList{"gamma", "IPv4 address not found", " ", " ", " ", " ", " ", " ", " ", " "}));
  EXPECT_EQ(multi.Hosts->Key(multi.Hosts->HandleAt(0)), 1);
  EXPECT_EQ(multi.Hosts->Image(page.Hosts[2].ListItem), ImageHostFailed);
  EXPECT_EQ(page.Hosts[3].ListItem, NoListItem);
  ASSERT_EQ(multi.Replies->Count(), 3);
  EXPECT_EQ(multi.Replies->Text(0, 0), "1");
  EXPECT_TRUE(multi.BitBtnAdd->isEnabled());
  EXPECT_FALSE(multi.BitBtnDelete->isEnabled());
  EXPECT_TRUE(multi.BitBtnStart->isEnabled());
  EXPECT_FALSE(multi.BitBtnStop->isEnabled());

  FakeWorker worker;
  page.Worker = &worker;
  ShowMultiPingPage(0, false, false);
  EXPECT_FALSE(multi.BitBtnAdd->isEnabled());
  EXPECT_FALSE(multi.BitBtnDelete->isEnabled());
  EXPECT_FALSE(multi.BitBtnStart->isEnabled());
  EXPECT_TRUE(multi.BitBtnStop->isEnabled());
  page.Worker = nullptr;
}

TEST_F(ShowPage, RangePingShowsAliveHostsInAddressOrder) {
  TRangePingPage tmpl;
  tmpl.Name = "LAN";
  tmpl.From = "10.0.0.1";
  tmpl.To = "10.0.0.20";
  tmpl.Threads = 50;
  ASSERT_TRUE(AddRangePingPage(tmpl));
  TRangePingPage& page = *RangePingRegistry.Pages[0];
  ShowRangePingPage(0, false, false);
  EXPECT_EQ(range.EditFrom->text(), "10.0.0.1");
  EXPECT_EQ(range.EditTo->text(), "10.0.0.20");
  EXPECT_EQ(range.EditThreads->text(), "50");
  EXPECT_EQ(range.AliveHosts->rowCount(), 0);

  page.ResultState = psOk;
  page.HostCapacity = 20;
  page.Hosts.resize(20);
  for (const char* address : {"10.0.0.10", "10.0.0.2", "10.0.0.3"}) {
    auto host = std::make_unique<THostResult>(Resolved(address, 2, 0));
    inet_pton(AF_INET, address, &host->Ipv4);
    page.Hosts[static_cast<std::size_t>(page.HostCount++)] = std::move(host);
  }
  page.Hosts[2]->State = -1;  // no row
  page.Hosts[1]->HostName = "printer";
  StoreReplies(*page.Hosts[0], 2);
  page.SelectedHost = 0;
  ShowRangePingPage(0, false, false);
  ASSERT_EQ(range.AliveHosts->rowCount(), 2);
  EXPECT_EQ(RowCells(*range.AliveHosts, 0),
            (QStringList{"10.0.0.2", "printer", "2", "2", "0 (0%)", "1", "9", "4", "2"}));
  EXPECT_EQ(RowCells(*range.AliveHosts, 1).first(), "10.0.0.10");
  EXPECT_EQ(range.AliveHosts->RowOf(page.Hosts[0]->ListItem), 1);
  EXPECT_EQ(page.Hosts[2]->ListItem, NoListItem);
  ASSERT_EQ(range.Replies->Count(), 2);
  EXPECT_EQ(range.Replies->Text(1, 0), "2");
  EXPECT_EQ(range.Replies->Text(1, 3), "127.0.0.1");

  page.SelectedHost = 2;  // a host without a row lists nothing
  ShowRangePingPage(0, false, false);
  EXPECT_EQ(range.Replies->Count(), 0);
}

TEST_F(ShowPage, HopsOfATraceroutePage) {
  ASSERT_TRUE(AddTraceroutePage(Named("route")));
  TPingPage& page = *TracerouteRegistry.Pages[0];
  page.ResultState = psOk;
  page.HostCount = 4;
  page.Hosts[0] = Resolved("192.168.0.1", 3, 0);
  page.Hosts[1].State = -1;
  page.Hosts[2].State = 1;
  page.Hosts[2].Sent = 3;
  page.Hosts[2].Lost = 3;
  page.Hosts[2].CurTime = LostEchoTime;
  StoreReplies(page.Hosts[2], 3, 3);
  page.Hosts[3].State = 4;
  page.SelectedHost = 2;
  ShowTraceroutePage(0, false, false);
  EXPECT_EQ(trace.EditHost->text(), "route");
  EXPECT_EQ(trace.EditHops->text(), "32");
  ASSERT_EQ(trace.Hosts->rowCount(), 3);
  EXPECT_EQ(RowCells(*trace.Hosts, 0).mid(0, 3), (QStringList{"1", "192.168.0.1", " "}));
  EXPECT_EQ(RowCells(*trace.Hosts, 1),
            (QStringList{"3", "*", " ", "3", "0", "3 (100%)", "0", "0", "0", "Timeout"}));
  EXPECT_EQ(RowCells(*trace.Hosts, 2).mid(0, 3), (QStringList{"4", "Error", " "}));
  EXPECT_EQ(trace.Hosts->Image(page.Hosts[2].ListItem), ImageHostFailed);
  // A hop still waiting for its answer lists its stored timeouts.
  ASSERT_EQ(trace.Replies->Count(), 3);
  EXPECT_EQ(trace.Replies->Text(0, 2), "Timeout");

  page.ResultState = psError;
  ShowTraceroutePage(0, false, false);
  ASSERT_EQ(trace.Hosts->rowCount(), 1);
  EXPECT_EQ(RowCells(*trace.Hosts, 0).mid(0, 3), (QStringList{"1", "Traceroute error", " "}));
  EXPECT_EQ(trace.Replies->Count(), 0);

  ASSERT_TRUE(AddPathPingPage(Named("p")));
  PathPingRegistry.Pages[0]->ResultState = psError;
  ShowPathPingPage(0, false, false);
  EXPECT_EQ(RowCells(*path.Hosts, 0),
            (QStringList{"1", "Path ping error", " ", " ", " ", " ", " ", " ", " ", " "}));
}

TEST_F(ShowPage, RenamingTheShownPageRenamesItsParameterGroup) {
  ASSERT_TRUE(AddRangePingPage(TRangePingPage{}));
  ShowRangePingPage(0, false, false);
  RenamePage(RangePingRegistry, 0, "Renamed");
  EXPECT_EQ(range.GroupBoxParam->title(), "Renamed");
  EXPECT_EQ(rangePages.Model->index(0, 0).data().toString(), "Renamed");
}

}  // namespace
