#include "HopRunFixture.h"

#include <memory>
#include <mutex>
#include <thread>

#include "engine/EchoServices.h"
#include "engine/HandOff.h"
#include "engine/HopRunStart.h"
#include "engine/RunLifecycle.h"
#include "pages/Settings.h"
#include "pages/TextHelpers.h"

namespace {

void RecordFinish(Mode mode, int index) { HopRunTest::Finished().emplace_back(mode, index); }

bool SameAddress(const EchoRequest& request, const ResolvedAddress& address) {
  if (request.family != address.family) return false;
  return request.family == IpFamily::V4 ? request.ipv4 == address.ipv4 : request.ipv6 == address.ipv6;
}

IcmpEchoResult AnswerFrom(const ResolvedAddress& from, EchoStatus status, int hop,
                          const EchoRequest& request) {
  IcmpEchoResult result;
  result.status = status;
  if (from.family == IpFamily::V4) {
    result.replyIpv4 = from.ipv4;
    result.replyTtl = 64 - hop + 1;
  } else {
    result.replyIpv6 = from.ipv6;
  }
  // A time the test can tell apart per hop.
  result.roundTripMs = static_cast<std::uint32_t>(10 * hop);
  result.dataSize = status == EchoStatus::Success ? request.bytes : 0;
  return result;
}

// The TTLs whose first echo has been answered already; reset per test.
std::mutex firstMutex;
std::set<int> ttlsSeen;  // guarded by firstMutex

}  // namespace

FakeRoute FakeRoute::TwoRouters(IpFamily family) {
  FakeRoute route;
  if (family == IpFamily::V4) {
    route.routers = {V4("10.9.1.1"), V4("10.9.2.1")};
    route.target = V4("10.9.3.3");
  } else {
    route.routers = {V6("fd00:9:1::1"), V6("fd00:9:2::1")};
    route.target = V6("fd00:9:3::3");
  }
  return route;
}

ResolvedAddress FakeRoute::HopAddress(int hop) const {
  return hop >= 1 && hop <= static_cast<int>(routers.size()) ? routers[static_cast<std::size_t>(hop) - 1]
                                                             : target;
}

std::string FakeRoute::HopText(int hop) const {
  const ResolvedAddress address = HopAddress(hop);
  return address.family == IpFamily::V4 ? Ipv4ToString(address.ipv4) : Ipv6ToString(&address.ipv6);
}

IcmpEchoResult FakeRoute::Answer(const EchoRequest& request) const {
  const int targetHop = static_cast<int>(routers.size()) + 1;
  int distance = 0;  // hops to the addressed node
  for (int hop = 1; hop <= targetHop && distance == 0; ++hop)
    if (SameAddress(request, HopAddress(hop))) distance = hop;
  IcmpEchoResult nothing;
  if (distance == 0) return nothing;

  const int reached = std::min(request.ttl, distance);  // the node where the echo ends
  if (auto delay = answerDelayMs.find(request.ttl); delay != answerDelayMs.end())
    std::this_thread::sleep_for(std::chrono::milliseconds(delay->second));
  if (auto first = firstTtlAnswer.find(request.ttl); first != firstTtlAnswer.end()) {
    std::lock_guard lock(firstMutex);
    if (ttlsSeen.insert(request.ttl).second)
      return AnswerFrom(HopAddress(request.ttl), first->second, reached, request);
  }
  if (request.ttl >= distance) {
    if (distance < targetHop && muteRouters.count(distance)) return nothing;
    return AnswerFrom(HopAddress(distance), EchoStatus::Success, distance, request);
  }
  if (silentHops.count(reached)) return nothing;
  return AnswerFrom(HopAddress(reached), EchoStatus::TtlExpired, reached, request);
}

void RecordingHopView::HopRowAdded(int slot) {
  added.push_back(slot);
  EXPECT_TRUE(rows.insert(slot).second) << "a second row for slot " << slot;
  if (TPingPage* page = Shown()) page->Hosts[static_cast<std::size_t>(slot)].ListItem = nextHandle_++;
}

void RecordingHopView::HopRowRemoved(int slot, bool wasSelected) {
  TPingPage* page = Shown();
  removed.emplace_back(slot, page ? page->DestinationHop : -1);
  if (wasSelected) removedSelected.push_back(slot);
  if (!page) return;
  THostResult& host = page->Hosts[static_cast<std::size_t>(slot)];
  if (host.ListItem == NoListItem) return;
  host.ListItem = NoListItem;
  rows.erase(slot);
}

TPingPage* RecordingHopView::Shown() const { return HopRunTest::RegistryOf(mode_).CurrentPage(); }

std::vector<std::pair<Mode, int>>& HopRunTest::Finished() {
  static std::vector<std::pair<Mode, int>> finished;
  return finished;
}

TPingRegistry& HopRunTest::RegistryOf(Mode mode) {
  return mode == Mode::Traceroute ? TracerouteRegistry : PathPingRegistry;
}

void HopRunTest::SetUp() {
  EnsureTestApplication();
  OpenHandOffGate();
  ResetRegistries();
  ResetOptions();
  Finished().clear();
  {
    std::lock_guard lock(firstMutex);
    ttlsSeen.clear();
  }
  SetRunFinishActions(&RecordFinish);
  SetEngineIcmp(&icmp_);
  SetEngineResolver(&resolver_);
  SetHopPageView(Mode::Traceroute, &traceView_);
  SetHopPageView(Mode::PathPing, &pathView_);
  UseRoute(FakeRoute::TwoRouters(IpFamily::V4));
  resolver_.hosts["target4"] = {FakeRoute::TwoRouters(IpFamily::V4).target};
  resolver_.hosts["target6"] = {FakeRoute::TwoRouters(IpFamily::V6).target};
}

void HopRunTest::TearDown() {
  // Nothing may stay stuck behind a gate, and no thread may outlive the
  // fakes it uses.
  icmp_.OpenGate();
  resolver_.OpenGate();
  for (Mode mode : {Mode::Traceroute, Mode::PathPing})
    for (auto& page : RegistryOf(mode).Pages)
      if (page->Worker) Stop(*page);
  EXPECT_TRUE(WaitAllEnded());
  SetHopPageView(Mode::Traceroute, nullptr);
  SetHopPageView(Mode::PathPing, nullptr);
  SetEngineIcmp(nullptr);
  SetEngineResolver(nullptr);
  SetRunFinishActions(nullptr);
  ResetRegistries();
  ResetOptions();
}

void HopRunTest::UseRoute(const FakeRoute& route) {
  route_ = route;
  icmp_.answer = [this](const EchoRequest& request) { return route_.Answer(request); };
}

TPingPage& HopRunTest::AddPage(Mode mode, const std::string& host) {
  TPingRegistry& registry = RegistryOf(mode);
  auto page = std::make_unique<TPingPage>();
  page->Id = registry.NextId++;
  page->Name = host;
  page->Host = host;
  page->Retries = 2;
  page->Delay = 0;
  page->TimeOut = 100;
  page->Hops = 6;
  page->ResolveHostName = false;
  registry.Pages.push_back(std::move(page));
  registry.Current = registry.Count() - 1;
  return *registry.Pages.back();
}

void HopRunTest::Start(Mode mode, TPingPage& page) {
  ResetForRun(mode, page);
  EXPECT_TRUE(LaunchHopRun(mode, page, nullptr));
}

void HopRunTest::ResetForRun(Mode mode, TPingPage& page) {
  CutRunOfPage(RegistryOf(mode), page);
  page.RunId = RunIdAfter(page.RunId);
  for (THostResult& host : page.Hosts) {
    host.ListItem = NoListItem;
    host.ResetResult();
  }
  page.HostCount = 0;
  page.ResultState = psPending;
  page.FinishedWorkers = 0;
  page.SelectedHost = 0;
  page.DestinationHop = 0;
  page.StartTime = page.EndTime = LocalTimeNow();
}
