// Trace route's own rules against a fake route: which hop claims the
// destination, when nothing is trimmed, and the trim of a selected hop.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "HopRunFixture.h"
#include "engine/HopController.h"
#include "engine/HopRunStart.h"
#include "engine/TracePing.h"

namespace {

// A route with four routers: the target is hop 5.
FakeRoute FourRouters() {
  FakeRoute route;
  route.routers = {V4("10.9.1.1"), V4("10.9.2.1"), V4("10.9.3.1"), V4("10.9.4.1")};
  route.target = V4("10.9.5.5");
  return route;
}

using TraceRunTest = HopRunTest;

TEST_F(TraceRunTest, TheLowestHopWhoseFirstAnswerIsTheTargetWins) {
  FakeRoute route = FourRouters();
  // Hop 5 hears the target late; hop 6 first meets an expiring TTL, so it
  // never claims the destination; hop 7 reaches the target at once.
  route.answerDelayMs = {{5, 800}};
  route.firstTtlAnswer = {{6, EchoStatus::TtlExpired}};
  UseRoute(route);
  resolver_.hosts["far"] = {route.target};
  TPingPage& page = AddPage(Mode::Traceroute, "far");
  page.Hops = 8;
  Start(Mode::Traceroute, page);
  page.SelectedHost = 7;  // the user looks at hop 8
  ASSERT_TRUE(WaitIdle(page));

  EXPECT_EQ(page.DestinationHop, 5);
  // Hop 8's worker dropped its own row, and the grid went back to hop 1.
  EXPECT_EQ(page.SelectedHost, 0);
  EXPECT_EQ(traceView_.removedSelected, std::vector<int>{7});
  const auto& removed = traceView_.removed;
  // Hop 8 went while hop 7 was the destination, hops 6 and 7 once hop 5 was.
  ASSERT_FALSE(removed.empty());
  EXPECT_EQ(removed.front(), std::make_pair(7, 7));
  for (int slot : {5, 6})
    EXPECT_NE(std::find(removed.begin(), removed.end(), std::make_pair(slot, 5)), removed.end()) << slot;
  EXPECT_EQ(traceView_.rows, (std::set<int>{0, 1, 2, 3, 4}));
  for (int slot = 5; slot < 8; ++slot) EXPECT_EQ(page.Hosts[static_cast<std::size_t>(slot)].State, -1);
  EXPECT_EQ(page.Hosts[4].Address, "10.9.5.5");
}

TEST_F(TraceRunTest, ATargetBeyondTheLastHopTrimsNothing) {
  TPingPage& page = AddPage(Mode::Traceroute, "target4");
  page.Hops = 2;  // the target is hop 3
  Start(Mode::Traceroute, page);
  ASSERT_TRUE(WaitIdle(page));

  EXPECT_EQ(page.DestinationHop, 0);
  EXPECT_TRUE(traceView_.removed.empty());
  for (int slot = 0; slot < 2; ++slot) {
    const THostResult& host = page.Hosts[static_cast<std::size_t>(slot)];
    EXPECT_EQ(host.State, 0);
    EXPECT_EQ(host.Received, 2u);
    EXPECT_EQ(host.ReplyCount(), 2);
  }
}

TEST_F(TraceRunTest, HopsRunByTheirDelayAndTheirCount) {
  TPingPage& page = AddPage(Mode::Traceroute, "target4");
  page.Hops = 1;
  page.Retries = 3;
  page.Delay = 60;
  Start(Mode::Traceroute, page);
  ASSERT_TRUE(WaitIdle(page));

  const std::vector<FakeIcmp::Sent> log = icmp_.Log();
  ASSERT_EQ(log.size(), 3u);
  for (std::size_t i = 1; i < log.size(); ++i) {
    const auto gap = std::chrono::duration_cast<std::chrono::milliseconds>(log[i].at - log[i - 1].at).count();
    // More than the delay since the previous send, in steps of the delay itself.
    EXPECT_GT(gap, 60);
    EXPECT_LT(gap, 500);
  }
  for (const FakeIcmp::Sent& sent : log) EXPECT_EQ(sent.request.ttl, 1);
}

// Trace route workers that, once done, hardly ever look at the destination
// again, so that only the controller's trim can drop their hops.
class PatientTracePing final : public TracePing {
 public:
  using TracePing::TracePing;

 protected:
  int BeyondCheckMs() const override { return 60'000; }
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

TEST_F(TraceRunTest, TheTrimOfTheSelectedHopHandsTheGridToHopOne) {
  FakeRoute route;
  route.routers = {V4("10.9.1.1")};
  route.target = V4("10.9.2.2");
  route.answerDelayMs = {{2, 600}};  // hop 3 claims the destination before hop 2 does
  UseRoute(route);
  resolver_.hosts["near"] = {route.target};
  TPingPage& page = AddPage(Mode::Traceroute, "near");
  page.Hops = 4;
  page.Retries = 1;
  ResetForRun(Mode::Traceroute, page);
  const HopRunSettings settings = PrepareHopRows(page, nullptr);
  ASSERT_TRUE(LaunchController(
      page, std::make_unique<PatientTracePinger>(RunStamp{page.Id, page.RunId}, page.Host, settings)));
  page.SelectedHost = 2;  // the user looks at hop 3
  ASSERT_TRUE(WaitIdle(page));

  EXPECT_EQ(page.DestinationHop, 2);
  EXPECT_EQ(page.SelectedHost, 0);
  EXPECT_EQ(traceView_.removedSelected, std::vector<int>{2});
  EXPECT_EQ(page.Hosts[2].State, -1);
  EXPECT_EQ(page.Hosts[2].ReplyCount(), 0);
  EXPECT_EQ(traceView_.rows, (std::set<int>{0, 1}));
}

}  // namespace
