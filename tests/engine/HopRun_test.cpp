// Trace route and Path ping against the fake route: the destination, the hops beyond it, silent and
// mute routers. Echoes wait at the fake's gate until the moment a test needs, not for a time.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

#include "RunFixture.h"
#include "engine/HopController.h"
#include "engine/HopRunStart.h"
#include "engine/TracePing.h"
#include "support/TestNetwork.h"

namespace {

using HopRun = RunFixture;

TEST_F(HopRun, TheLowestHopWhoseFirstAnswerIsTheTargetIsTheDestinationAndASilentRouterKeepsItsStar) {
  route_.routers = {V4("10.9.1.1"), V4("10.9.2.1"), V4("10.9.3.1"), V4("10.9.4.1")};
  route_.target = V4("10.9.5.5");
  route_.firstAnswer = {{6, EchoStatus::TtlExpired}};  // hop 6 hears the target only later
  route_.silentHops = {3};
  resolver_.hosts["far"] = {route_.target};
  icmp_.hold = [](const EchoRequest& request) { return request.ttl == 5; };
  icmp_.gate.Close();
  TPingPage& page = AddPage(Mode::Traceroute, "far");
  page.Hops = 8;
  page.Retries = 2;
  ASSERT_TRUE(Start(Mode::Traceroute, page));
  page.SelectedHost = 7;  // the user looks at hop 8
  // Hop 7 claims the destination, hop 6 does not although it reached the
  // target, and hop 8 drops its row and the selection; then hop 5 is heard.
  ASSERT_TRUE(SpinUntil(
      [&] { return page.DestinationHop == 7 && page.Hosts[5].Received == 2 && page.SelectedHost == 0; }));
  EXPECT_EQ(ViewOf(Mode::Traceroute).removedSelected, std::vector<int>{7});
  icmp_.gate.Open();
  ASSERT_TRUE(WaitFinished());

  EXPECT_EQ(page.DestinationHop, 5);
  EXPECT_EQ(ViewOf(Mode::Traceroute).rows, (std::set<int>{0, 1, 2, 3, 4}));
  for (int slot = 5; slot < 8; ++slot) EXPECT_EQ(page.Hosts[static_cast<std::size_t>(slot)].State, -1);
  EXPECT_EQ(page.Hosts[4].Address, "10.9.5.5");
  EXPECT_EQ(page.Hosts[2].State, 1);  // "*"
  EXPECT_EQ(page.Hosts[2].Lost, 2u);
}

// Trace route workers that, once done, look at the destination once more and
// then hardly ever, so that only the controller's trim can drop their hops.
class PatientTracePing final : public TracePing {
 public:
  using TracePing::TracePing;
  static inline std::atomic<unsigned> sleeping{0};  // bit h: hop h has gone to that sleep

 protected:
  int BeyondCheckMs() const override {
    sleeping |= 1u << hop_;
    return 60'000;
  }
};

class PatientTracePinger final : public HopController {
 public:
  PatientTracePinger(RunStamp stamp, std::string host, const HopRunSettings& settings)
      : HopController(Mode::Traceroute, stamp, std::move(host), settings) {}

 protected:
  std::unique_ptr<HopWorker> MakeWorker(int hop, std::uint32_t ipv4, const Ipv6Octets& ipv6) const override {
    return std::make_unique<PatientTracePing>(stamp_, hop, ipv4, ipv6, settings_);
  }
};

TEST_F(HopRun, TheTrimOfTheSelectedHopSendsTheGridToHopOne) {
  route_.routers = {V4("10.9.1.1")};
  route_.target = V4("10.9.2.2");
  resolver_.hosts["near"] = {route_.target};
  icmp_.hold = [](const EchoRequest& request) { return request.ttl == 2; };
  icmp_.gate.Close();
  TPingPage& page = AddPage(Mode::Traceroute, "near");
  page.Hops = 4;
  page.RunId = RunIdAfter(page.RunId);  // a new page: nothing to cut or clear
  PatientTracePing::sleeping = 0;
  ASSERT_TRUE(LaunchController(TracerouteRegistry, page,
                               std::make_unique<PatientTracePinger>(RunStamp{page.Id, page.RunId}, page.Host,
                                                                    PrepareHopRows(page, nullptr))));
  page.SelectedHost = 2;  // the user looks at hop 3
  // Hop 3 claims the destination and has gone to sleep before hop 2 is heard.
  ASSERT_TRUE(SpinUntil([&] { return page.DestinationHop == 3 && (PatientTracePing::sleeping & 8u) != 0; }));
  icmp_.gate.Open();
  ASSERT_TRUE(WaitFinished());

  EXPECT_EQ(page.DestinationHop, 2);
  EXPECT_EQ(page.SelectedHost, 0);
  EXPECT_EQ(ViewOf(Mode::Traceroute).removedSelected, std::vector<int>{2});
  EXPECT_EQ(page.Hosts[2].State, -1);
  EXPECT_EQ(page.Hosts[2].Replies.capacity(), 0u);
  EXPECT_EQ(ViewOf(Mode::Traceroute).rows, (std::set<int>{0, 1}));
}

// A target the last hop allowed does not reach claims no destination: every hop keeps its row.
TEST_F(HopRun, ATargetBeyondTheLastHopTrimsNothing) {
  TPingPage& page = AddPage(Mode::Traceroute, "target4");
  page.Hops = 2;  // the target is hop 3
  ASSERT_TRUE(Start(Mode::Traceroute, page));
  ASSERT_TRUE(WaitFinished());
  EXPECT_EQ(page.DestinationHop, 0);
  EXPECT_EQ(ViewOf(Mode::Traceroute).rows, (std::set<int>{0, 1}));
}

TEST_F(HopRun, PathPingFindsEachRouterOnceThenPingsItAndAMuteRouterShowsFullLoss) {
  route_.muteRouters = {1};
  TPingPage& page = AddPage(Mode::PathPing, "target4");
  page.Retries = 3;
  AddPage(Mode::PathPing, "other");  // now the shown page: the run makes no rows
  ASSERT_TRUE(Start(Mode::PathPing, page));
  ASSERT_TRUE(WaitFinished());

  const std::vector<FakeIcmp::Sent> log = icmp_.Log();
  auto echoes = [&](int ttl, std::uint32_t to) {
    return std::count_if(log.begin(), log.end(), [&](const FakeIcmp::Sent& s) {
      return s.request.ttl == ttl && s.request.ipv4 == to;
    });
  };
  EXPECT_EQ(page.DestinationHop, 3);
  const char* routers[] = {"10.9.1.1", "10.9.2.1", "10.9.3.3"};
  for (int hop = 1; hop <= 3; ++hop) {
    SCOPED_TRACE(hop);
    const THostResult& host = page.Hosts[static_cast<std::size_t>(hop) - 1];
    EXPECT_EQ(echoes(hop, Ipv4Of("10.9.3.3")), 1);
    EXPECT_EQ(echoes(RouterTtl, Ipv4Of(routers[hop - 1])), 3);
    EXPECT_EQ(host.Address, routers[hop - 1]);
    EXPECT_EQ(host.Sent, 3u);  // the direct echoes only
    EXPECT_EQ(host.Received, hop == 1 ? 0u : 3u);
  }
  // The mute router keeps the address of its phase-1 answer, with full loss.
  EXPECT_EQ(page.Hosts[0].State, 0);
  ASSERT_EQ(page.Hosts[0].ReplyCount(), 3);
  for (const TReplyRecord& reply : page.Hosts[0].Replies) EXPECT_EQ(reply.Ipv4, Ipv4Of("10.9.1.1"));
  const RecordingView& view = ViewOf(Mode::PathPing);
  EXPECT_TRUE(view.running.empty() && view.rows.empty() && view.gridLines.empty());
}

}  // namespace
