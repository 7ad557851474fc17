#include "engine/HopController.h"

#include <algorithm>
#include <system_error>

#include "engine/EchoServices.h"
#include "engine/HopPageView.h"
#include "engine/HopWorker.h"
#include "engine/ResolveHostThread.h"
#include "engine/RunLifecycle.h"
#include "pages/ModePages.h"

namespace {

// The pause between terminating the workers and trimming: workers that are
// still handing a destination check over get through it first.
constexpr int SettleMs = 1000;

}  // namespace

HopController::HopController(Mode mode, RunStamp stamp, std::string host, const HopRunSettings& settings)
    : stamp_(stamp),
      settings_(settings.Clamped()),
      registry_(*PingModeRegistry(mode)),
      host_(std::move(host)),
      sockets_(std::make_shared<HopSocketTally>()) {}

HopController::~HopController() = default;

void HopController::EndRun(bool allEnded) {
  EndWorkers(workers_);
  // A run that failed or was stopped ends without a trim.
  if (allEnded && SleepUnlessTerminated(SettleMs)) Synchronize([this] { SyncTrimHops(); });
}

bool HopController::Run() {
  target_ = ResolveSingleTarget(EngineResolver(), host_, CurrentFamilyOptions());
  if (Terminated()) return false;
  Synchronize([this] { SyncShowTarget(); });
  if (target_.ResolveStatus != psOk) return false;
  StartWorkers();
  if (shortfall_.Short()) return false;
  const bool allEnded = AwaitWorkers([this] {
    SyncCheckDone();
    return allDone_ || withoutSocket_ > 0;
  });
  return allEnded && withoutSocket_ == 0;
}

void HopController::StartWorkers() {
  // Every worker exists before any starts, so that all hops begin together.
  std::vector<std::unique_ptr<HopWorker>> created;
  for (int hop = 1; hop <= settings_.Hops; ++hop) {
    created.push_back(MakeWorker(hop, target_.Ipv4, target_.Ipv6));
    created.back()->CountSocketIn(sockets_);
  }

  workers_ = StartAll(created);
  workerCount_ = static_cast<int>(workers_.size());
  allDone_ = false;
}

void HopController::SyncStart() {
  TPingPage* page = PageForCallback(registry_, *this, stamp_);
  if (!page) return;
  if (PageView* view = ViewIfShown(registry_, *page)) view->SetRunning(true);
}

void HopController::SyncShowTarget() {
  TPingPage* page = PageForCallback(registry_, *this, stamp_);
  if (!page) return;
  page->ResultState = target_.ResolveStatus;
  // On success the list stays empty: the hop rows come from the workers.
  if (PageView* view = ViewIfShown(registry_, *page)) view->ResultRowsChanged();
}

void HopController::SyncCheckDone() {
  // A worker notes its open before it reports its end, so a run whose
  // workers have all ended has its count of hops without a socket.
  withoutSocket_ = std::max(sockets_->MissingOnceTried(workerCount_), 0);
  TPingPage* page = PageOfRun(registry_, stamp_);
  if (page && page->FinishedWorkers >= workerCount_) allDone_ = true;
}

void HopController::SyncTrimHops() {
  TPingPage* page = PageForCallback(registry_, *this, stamp_);
  if (!page || page->DestinationHop <= 0) return;
  const int first = page->DestinationHop;  // the slot after the destination's
  const int end = std::min(page->HostCount, MaxHosts);
  for (int slot = first; slot < end; ++slot) {
    THostResult& host = page->Hosts[static_cast<std::size_t>(slot)];
    host.ReleaseReplies();
    host.State = -1;
  }
  // The hop whose replies the grid showed is gone: the grid follows hop 1,
  // as when a hop finds itself beyond the destination during the run.
  const int selected = page->SelectedHost;
  if (selected >= first && selected < end) page->SelectedHost = 0;
  if (HopPageView* view = HopViewIfShown(registry_, *page))
    for (int slot = first; slot < end; ++slot) view->HopRowRemoved(slot, slot == selected);
}

void HopController::SyncFinished() {
  TPingPage* page = PageForCallback(registry_, *this, stamp_);
  if (!page) return;
  if (withoutSocket_ > 0)
    FailRunOfPage(registry_, *page,
                  HopSocketShortfallText(registry_.mode, page->Name, withoutSocket_, workerCount_));
  else
    FinishRunOfPage(registry_, *page);
}
