#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "EngineTestSupport.h"
#include "FakeEcho.h"
#include "engine/HopPageView.h"
#include "pages/PageRegistry.h"

// A route for the fake echo service: routers 1..n, then the target at hop
// n + 1. An echo to the target with a TTL below n + 1 expires at router TTL,
// which answers "TTL expired" from its address unless it is silent; with a
// TTL of n + 1 or more the target answers. An echo sent to a router itself
// is answered by it (if its TTL reaches it) unless the router is mute.
// Thread-safe once built: workers call Answer at the same time.
struct FakeRoute {
  std::vector<ResolvedAddress> routers;
  ResolvedAddress target;
  std::set<int> silentHops;                  // routers that send no "TTL expired"
  std::set<int> muteRouters;                 // routers that answer no echo sent to them
  std::map<int, int> answerDelayMs;          // TTL -> time the answer to an echo with that TTL takes
  std::map<int, EchoStatus> firstTtlAnswer;  // TTL -> what its first echo gets instead (once)

  // Two routers and a target: 10.9.k.1 / fd00:9:k::1, target 10.9.3.3 / fd00:9:3::3.
  static FakeRoute TwoRouters(IpFamily family);

  IcmpEchoResult Answer(const EchoRequest& request) const;
  // The address of hop `hop` (a router, or the target past the routers).
  ResolvedAddress HopAddress(int hop) const;
  std::uint32_t HopIpv4(int hop) const { return HopAddress(hop).ipv4; }
  Ipv6Octets HopIpv6(int hop) const { return HopAddress(hop).ipv6; }
  std::string HopText(int hop) const;
};

// What the engine told a hop tab's view, and the rows such a tab would show.
// It links rows to slots the way the window's view does. User-interface thread.
class RecordingHopView final : public HopPageView {
 public:
  explicit RecordingHopView(Mode mode) : mode_(mode) {}

  std::vector<bool> running;
  int rowsRebuilt = 0;
  std::set<int> rows;                        // slots with a row now
  std::vector<int> added;                    // slots, in call order
  std::vector<std::pair<int, int>> removed;  // (slot, DestinationHop then)
  std::vector<int> removedSelected;          // slots removed while selected
  std::vector<int> changed;
  std::vector<std::pair<std::uint32_t, TReplyRecord>> gridLines;

  // A start empties the tab's hop list, as the window's Start does.
  void SetRunning(bool on) override {
    running.push_back(on);
    if (on) rows.clear();
  }
  void ResultRowsChanged() override { ++rowsRebuilt; }
  void HostRowChanged(int row) override { changed.push_back(row); }
  void AppendReplyRow(const TReplyRecord& reply, std::uint32_t number) override {
    gridLines.emplace_back(number, reply);
  }
  void HopRowAdded(int slot) override;
  void HopRowRemoved(int slot, bool wasSelected) override;

 private:
  TPingPage* Shown() const;
  Mode mode_;
  ListHandle nextHandle_ = 1;
};

// Trace route and Path ping runs against a fake echo and a fake resolver,
// with the views above on both tabs. Pages start the way the window's Start
// does, minus the widgets. Every test leaves no run thread behind.
class HopRunTest : public ::testing::Test {
 public:
  // (mode, page index) of every end-of-run action, in order.
  static std::vector<std::pair<Mode, int>>& Finished();
  static TPingRegistry& RegistryOf(Mode mode);

 protected:
  void SetUp() override;
  void TearDown() override;

  // A page of the mode's tab, made current: 2 echoes per hop, no delay,
  // timeout 100 ms, 6 hops, no names.
  TPingPage& AddPage(Mode mode, const std::string& host);
  // Start: the reset of the page's run state as the window does it, then
  // the engine's part.
  void Start(Mode mode, TPingPage& page);
  static void ResetForRun(Mode mode, TPingPage& page);
  // Routes every echo of the fake service through `route`.
  void UseRoute(const FakeRoute& route);
  RecordingHopView& ViewOf(Mode mode) { return mode == Mode::Traceroute ? traceView_ : pathView_; }

  FakeIcmp icmp_;
  FakeResolver resolver_;
  FakeRoute route_;
  RecordingHopView traceView_{Mode::Traceroute};
  RecordingHopView pathView_{Mode::PathPing};
};

inline const char* ModeName(Mode mode) { return mode == Mode::Traceroute ? "Traceroute" : "PathPing"; }
