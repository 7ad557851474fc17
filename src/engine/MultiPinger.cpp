#include "engine/MultiPinger.h"

#include <memory>
#include <system_error>

#include "engine/MultiPing.h"
#include "pages/TextHelpers.h"

namespace {

// The most of a host text a worker gets, in bytes, as the host field keeps it.
constexpr std::size_t MaxHostBytes = 96;

}  // namespace

MultiPinger::MultiPinger(RunStamp stamp, const EchoRunSettings& settings)
    : stamp_(stamp), settings_(settings.Clamped()) {}

MultiPinger::~MultiPinger() = default;

void MultiPinger::EndRun(bool) { EndWorkers(workers_); }

bool MultiPinger::Run() {
  // The host list is read only there, on the user-interface thread; the
  // workers get their host texts by value.
  Synchronize([this] { SyncLoadHosts(); });
  if (Terminated() || hosts_.empty()) return false;
  StartWorkers();
  if (shortfall_.Short()) return false;
  return AwaitWorkers([this] {
    SyncCheckDone();
    return allDone_;
  });
}

void MultiPinger::StartWorkers() {
  // Every worker exists before any starts, in entry order.
  std::vector<std::unique_ptr<MultiPing>> created;
  created.reserve(hosts_.size());
  for (std::size_t i = 0; i < hosts_.size() && i < MaxHosts; ++i)
    created.push_back(std::make_unique<MultiPing>(stamp_, static_cast<int>(i), hosts_[i], settings_));

  workers_ = StartAll(created);
  workerCount_ = static_cast<int>(workers_.size());
  allDone_ = false;
}

void MultiPinger::SyncStart() {
  TPingPage* page = PageForCallback(MultiPingRegistry, *this, stamp_);
  if (!page) return;
  if (PageView* view = ViewIfShown(MultiPingRegistry, *page)) view->SetRunning(true);
}

void MultiPinger::SyncLoadHosts() {
  TPingPage* page = PageForCallback(MultiPingRegistry, *this, stamp_);
  if (!page) return;
  // The failures of a Multi ping run show in its rows; the page itself has
  // nothing to look up, so its state is settled as soon as the list is read.
  page->ResultState = psOk;
  hosts_.clear();
  for (int j = 0; j < page->HostCount && j < MaxHosts; ++j)
    hosts_.push_back(CutUtf8(page->Hosts[static_cast<std::size_t>(j)].Host, MaxHostBytes));
}

void MultiPinger::SyncCheckDone() {
  TPingPage* page = PageOfRun(MultiPingRegistry, stamp_);
  if (page && page->FinishedWorkers >= workerCount_) allDone_ = true;
}

void MultiPinger::SyncFinished() {
  if (TPingPage* page = PageForCallback(MultiPingRegistry, *this, stamp_))
    FinishRunOfPage(MultiPingRegistry, *page);
}

bool LaunchMultiPingRun(TPingPage& page, const TaskRunValues* task) {
  const EchoRunSettings settings = RunSettingsOfPage(page, task);
  page.ReplyCapacity = PingReplyCapacity(settings.ByMinutes, settings.Retries, settings.Minutes,
                                         settings.Delay, page.ShowReplys);
  // The entries keep their host texts; everything a run writes starts over.
  // Each store is reserved here, once, so that no echo allocates.
  for (int i = 0; i < page.HostCount && i < MaxHosts; ++i) {
    THostResult& host = page.Hosts[static_cast<std::size_t>(i)];
    host.ResetResult();
    host.ReplyCapacity = page.ReplyCapacity;
    if (page.ReplyCapacity > 0) host.Replies.reserve(static_cast<std::size_t>(page.ReplyCapacity));
  }
  page.ResultState = psPending;
  page.FinishedWorkers = 0;
  if (page.SelectedHost == -1) page.SelectedHost = 0;
  return LaunchController(MultiPingRegistry, page,
                          std::make_unique<MultiPinger>(RunStamp{page.Id, page.RunId}, settings));
}
