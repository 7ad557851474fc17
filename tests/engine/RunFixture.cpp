#include "RunFixture.h"

#include "engine/EchoServices.h"
#include "engine/HandOff.h"
#include "engine/HopRunStart.h"
#include "engine/MultiPinger.h"
#include "engine/Pinger.h"
#include "engine/RangeRunStart.h"
#include "pages/ModePages.h"
#include "pages/Settings.h"

namespace {

// A new page of `registry`, made the shown one: 1 echo, no delay, no names.
template <class Page>
Page& AddTo(TPageRegistry<Page>& registry) {
  Page& page = *registry.Pages.emplace_back(std::make_unique<Page>());
  page.Id = registry.NextId++;
  page.Retries = 1;
  page.Delay = 0;
  page.ResolveHostName = false;
  registry.Current = registry.Count() - 1;
  return page;
}

}  // namespace

std::vector<std::pair<Mode, int>>& RunFixture::Finished() {
  static std::vector<std::pair<Mode, int>> finished;
  return finished;
}

void RunFixture::SetUp() {
  EnsureTestApplication();
  OpenHandOffGate();
  ResetRegistries();
  ResetOptions();
  Finished().clear();
  SetRunFinishActions([](Mode mode, int index) { Finished().emplace_back(mode, index); });
  SetEngineIcmp(&icmp_);
  SetEngineResolver(&resolver_);
  for (Mode mode : AllModes) {
    RecordingView& view = ViewOf(mode) = RecordingView{};
    if (mode == Mode::Traceroute || mode == Mode::PathPing)
      SetHopPageView(mode, &view);
    else
      SetPageView(mode, static_cast<RangePageView*>(&view));
  }
  icmp_.answer = [this](const EchoRequest& request) { return route_.Answer(request); };
  resolver_.hosts["target4"] = {route_.target};
}

void RunFixture::TearDown() {
  // Nothing may stay stuck behind a gate, and no thread may outlive the
  // services it uses.
  icmp_.gate.Open();
  resolver_.gate.Open();
  OpenHandOffGate();
  for (Mode mode : AllModes)
    for (int index = 0; index < ModePageCount(mode); ++index) Stop(*ModePage(mode, index));
  EXPECT_TRUE(WaitAllEnded());
  for (Mode mode : AllModes) SetPageView(mode, nullptr);
  SetEngineIcmp(nullptr);
  SetEngineResolver(nullptr);
  SetRunFinishActions(nullptr);
  ResetRegistries();
  ResetOptions();
}

TPingPage& RunFixture::AddPage(Mode mode, const std::string& host) {
  TPingPage& page = AddTo(*PingModeRegistry(mode));
  page.Name = page.Host = host;
  page.Hops = 3;
  if (mode == Mode::MultiPing) page.Hosts[static_cast<std::size_t>(page.HostCount++)].Host = host;
  return page;
}

TRangePingPage& RunFixture::AddRangePage(const std::string& from, const std::string& to, int threads) {
  TRangePingPage& page = AddTo(RangePingRegistry);
  page.From = from;
  page.To = to;
  page.Threads = threads;
  return page;
}

bool RunFixture::Start(Mode mode, TPageCommon& common, const TaskRunValues* task) {
  common.StartTime = common.EndTime = LocalTimeNow();
  WithModeRegistry(mode, [&](auto& registry) { CutRunOfPage(registry, *registry.FindById(common.Id)); });
  common.RunId = RunIdAfter(common.RunId);
  if (mode == Mode::RangePing) {
    common.ResultState = psPending;
    common.SelectedHost = 0;
    return LaunchRangeRun(static_cast<TRangePingPage&>(common), task);
  }
  auto& page = static_cast<TPingPage&>(common);
  if (mode == Mode::MultiPing) return LaunchMultiPingRun(page, task);
  // "Clear result" of the other modes: every row, whatever HostCount says.
  for (THostResult& host : page.Hosts) host.ResetResult();
  page.HostCount = 0;
  page.ResultState = psPending;
  page.FinishedWorkers = 0;
  page.SelectedHost = 0;
  page.DestinationHop = 0;
  return mode == Mode::Ping ? LaunchPingRun(page, task) : LaunchHopRun(mode, page, task);
}

bool RunFixture::WaitFinished(std::size_t runs) {
  return SpinUntil([&] { return Finished().size() >= runs; }, std::chrono::seconds(20));
}

std::vector<const THostResult*> RunFixture::Rows(Mode mode, const TPageCommon& common) {
  const auto* range = mode == Mode::RangePing ? static_cast<const TRangePingPage*>(&common) : nullptr;
  const auto* page = range ? nullptr : static_cast<const TPingPage*>(&common);
  std::vector<const THostResult*> rows;
  for (std::size_t k = 0; k < static_cast<std::size_t>(range ? range->HostCount : page->HostCount); ++k)
    rows.push_back(range ? range->Hosts[k].get() : &page->Hosts[k]);
  return rows;
}
