// The Trace route and Path ping tabs' live rows, driven the way a run's
// callbacks drive them (no threads): hop rows arriving in any order, a hop
// answering, the user's choice of hop, and hops dropped beyond the
// destination, the selected one included.
#include <arpa/inet.h>

#include <QItemSelectionModel>
#include <QTreeView>

#include "TabFixture.h"
#include "engine/HopPageView.h"
#include "engine/RunCallback.h"

namespace {

class HopTabLive : public TabFixture {
 protected:
  // A running page of `mode` with four hop slots, shown on its tab.
  TPingPage& ShowRunningPage(Mode mode) {
    TPingRegistry& registry = mode == Mode::Traceroute ? TracerouteRegistry : PathPingRegistry;
    TPingPage page;
    page.Name = "route";
    page.Host = "route";
    EXPECT_TRUE(mode == Mode::Traceroute ? AddTraceroutePage(page) : AddPathPingPage(page));
    views->ForMode(mode).ShowPage(0, false, false);
    TPingPage& shown = *registry.Pages[0];
    shown.Worker = &worker_;
    shown.ResultState = psOk;
    shown.HostCount = 4;
    shown.ReplyCapacity = 10;
    shown.SelectedHost = 0;  // as Start leaves it
    for (int slot = 0; slot < 4; ++slot) shown.Hosts[static_cast<std::size_t>(slot)].ReplyCapacity = 10;
    return shown;
  }

  // One echo result of hop `slot`, as the hop's reply callback hands it over.
  static void Answer(TPingRegistry& registry, TPingPage& page, int slot, std::uint32_t ipv4,
                     std::uint32_t ms) {
    EchoResult result;
    result.ReplyIpv4 = ipv4;
    result.ReplyTime = ms;
    result.Status = ipv4 != 0 ? rsSuccess : rsTimeout;
    THostResult& host = page.Hosts[static_cast<std::size_t>(slot)];
    if (ipv4 != 0 && host.FirstReply) {
      host.Address = "10.0.0." + std::to_string(slot + 1);
      host.Ipv4 = ipv4;
      host.State = 0;
    }
    AddReplyToPage(registry, page, slot, result, SystemTime{2025, 1, 0, 3, 4, 5, 6, 0});
  }

  static void Select(QTreeView* view, int row) {
    view->selectionModel()->select(view->model()->index(row, 0),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  }

  FakeWorker worker_;
};

TEST_F(HopTabLive, HopRowsComeInHopOrderAndTheGridFollowsTheChosenHop) {
  TPingPage& page = ShowRunningPage(Mode::Traceroute);
  HopPageView* view = HopViewIfShown(TracerouteRegistry, page);
  ASSERT_TRUE(view);
  // Workers start in any order; the fourth has no ICMP handle.
  for (int slot : {2, 0, 3, 1}) {
    page.Hosts[static_cast<std::size_t>(slot)].State = slot == 3 ? 2 : 1;
    view->HopRowAdded(slot);
  }
  ASSERT_EQ(trace.Hosts->rowCount(), 4);
  EXPECT_EQ(RowCells(*trace.Hosts, 0), (QStringList{"1", "*", " ", "0", "0", "0 (0%)", "0", "0", "0", "0"}));
  EXPECT_EQ(RowCells(*trace.Hosts, 1).mid(0, 2), (QStringList{"2", "*"}));
  EXPECT_EQ(RowCells(*trace.Hosts, 3).mid(0, 2), (QStringList{"4", "Error"}));
  EXPECT_EQ(trace.Hosts->Image(page.Hosts[0].ListItem), ImageHostFailed);

  Answer(TracerouteRegistry, page, 0, htonl(0x0A000001), 5);
  Answer(TracerouteRegistry, page, 2, 0, 0);
  Answer(TracerouteRegistry, page, 2, 0, 0);
  EXPECT_EQ(RowCells(*trace.Hosts, 0),
            (QStringList{"1", "10.0.0.1", " ", "1", "1", "0 (0%)", "5", "5", "5", "5"}));
  EXPECT_EQ(trace.Hosts->Image(page.Hosts[0].ListItem), ImageHost);
  EXPECT_EQ(RowCells(*trace.Hosts, 2),
            (QStringList{"3", "*", " ", "2", "0", "2 (100%)", "0", "0", "0", "Timeout"}));
  // Only the selected hop (hop 1 at the start) adds grid lines.
  ASSERT_EQ(trace.Replies->Count(), 1);
  EXPECT_EQ(trace.Replies->Text(0, 3), "10.0.0.1");

  // The user chooses hop 3: its stored timeouts fill the grid.
  Select(trace.ListView1, 2);
  EXPECT_EQ(page.SelectedHost, 2);
  ASSERT_EQ(trace.Replies->Count(), 2);
  EXPECT_EQ(trace.Replies->Text(1, 2), "Timeout");
  Select(trace.ListView1, 0);
  EXPECT_EQ(page.SelectedHost, 0);
  ASSERT_EQ(trace.Replies->Count(), 1);
  EXPECT_EQ(trace.Replies->Text(0, 2), "Success");
}

TEST_F(HopTabLive, HopsBeyondTheDestinationLoseTheirRowsAndTheGridGoesBackToHopOne) {
  TPingPage& page = ShowRunningPage(Mode::PathPing);
  HopPageView* view = HopViewIfShown(PathPingRegistry, page);
  ASSERT_TRUE(view);
  for (int slot = 0; slot < 4; ++slot) {
    page.Hosts[static_cast<std::size_t>(slot)].State = 1;
    view->HopRowAdded(slot);
  }
  Answer(PathPingRegistry, page, 0, htonl(0x0A000001), 5);
  Answer(PathPingRegistry, page, 2, htonl(0x0A000003), 7);
  Answer(PathPingRegistry, page, 2, htonl(0x0A000003), 9);
  Select(path.ListView1, 2);
  ASSERT_EQ(path.Replies->Count(), 2);

  // Hop 2 turns out to be the destination: the selected hop 3 goes first,
  // as its worker notices, and the grid shows hop 1 again.
  page.DestinationHop = 2;
  page.Hosts[2].State = -1;
  page.SelectedHost = 0;
  view->HopRowRemoved(2, true);
  ASSERT_EQ(path.Hosts->rowCount(), 3);
  EXPECT_EQ(page.Hosts[2].ListItem, NoListItem);
  ASSERT_EQ(path.Replies->Count(), 1);
  EXPECT_EQ(path.Replies->Text(0, 3), "10.0.0.1");
  // Replies of hop 1 go on arriving in its grid.
  Answer(PathPingRegistry, page, 0, htonl(0x0A000001), 6);
  EXPECT_EQ(path.Replies->Count(), 2);

  // The trim drops hop 4, which nobody was looking at: the grid stays.
  page.Hosts[3].State = -1;
  view->HopRowRemoved(3, false);
  EXPECT_EQ(path.Hosts->rowCount(), 2);
  EXPECT_EQ(RowCells(*path.Hosts, 1).mid(0, 2), (QStringList{"2", "*"}));
  EXPECT_EQ(path.Replies->Count(), 2);
  // A hop without a row is simply gone already.
  view->HopRowRemoved(3, false);
  EXPECT_EQ(path.Hosts->rowCount(), 2);
}

}  // namespace
