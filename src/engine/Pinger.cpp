#include "engine/Pinger.h"

#include <memory>
#include <system_error>

#include "engine/EchoServices.h"
#include "engine/Ping.h"
#include "engine/ReplyAccounting.h"
#include "engine/RunLifecycle.h"
#include "pages/TextHelpers.h"

namespace {

// The most the "IP Address" field keeps of an address text, in bytes.
constexpr std::size_t MaxAddressBytes = 64;

}  // namespace

Pinger::Pinger(RunStamp stamp, std::string host, const EchoRunSettings& settings, bool pingForAllIp)
    : stamp_(stamp), host_(std::move(host)), settings_(settings.Clamped()), pingForAllIp_(pingForAllIp) {}

Pinger::~Pinger() = default;

void Pinger::EndRun(bool) { EndWorkers(workers_); }

bool Pinger::Run() {
  targets_ = ResolveHostAddresses(EngineResolver(), host_, pingForAllIp_, CurrentFamilyOptions());
  if (!Terminated()) Synchronize([this] { SyncShowTarget(); });
  if (targets_.ResolveStatus != psOk) return false;
  StartWorkers();
  if (shortfall_.Short()) return false;
  return AwaitWorkers([this] {
    SyncCheckDone();
    return allDone_;
  });
}

void Pinger::StartWorkers() {
  // Every worker exists before any starts, in row order: IPv4 first.
  std::vector<std::unique_ptr<Ping>> created;
  int row = 0;
  for (std::uint32_t ipv4 : targets_.Ipv4List)
    if (row < MaxHosts)
      created.push_back(std::make_unique<Ping>(stamp_, row++, ipv4, Ipv6Octets{}, settings_));
  for (const Ipv6Octets& ipv6 : targets_.Ipv6List)
    if (row < MaxHosts) created.push_back(std::make_unique<Ping>(stamp_, row++, 0, ipv6, settings_));

  workers_ = StartAll(created);
  workerCount_ = static_cast<int>(workers_.size());
  allDone_ = false;
}

void Pinger::SyncStart() {
  TPingPage* page = PageForCallback(PingRegistry, *this, stamp_);
  if (!page) return;
  if (PageView* view = ViewIfShown(PingRegistry, *page)) view->SetRunning(true);
}

void Pinger::SyncShowTarget() {
  TPingPage* page = PageForCallback(PingRegistry, *this, stamp_);
  if (!page) return;
  if (targets_.ResolveStatus != psOk) {
    page->ResultState = targets_.ResolveStatus;
  } else {
    page->ResultState = psOk;
    int row = 0;
    auto addRow = [&](std::uint32_t ipv4, const Ipv6Octets& ipv6) {
      if (row >= MaxHosts) return;
      THostResult& host = page->Hosts[static_cast<std::size_t>(row++)];
      // The store is reserved once here so that no echo allocates.
      host.Replies.clear();
      if (page->ReplyCapacity > 0) host.Replies.reserve(static_cast<std::size_t>(page->ReplyCapacity));
      host.ReplyCapacity = page->ReplyCapacity;
      host.Ipv4 = ipv4;
      host.Ipv6 = ipv4 != 0 ? Ipv6Octets{} : ipv6;
      host.Address = CutUtf8(ipv4 != 0 ? Ipv4ToString(ipv4) : Ipv6ToString(&ipv6), MaxAddressBytes);
      host.State = 0;
    };
    for (std::uint32_t ipv4 : targets_.Ipv4List) addRow(ipv4, Ipv6Octets{});
    for (const Ipv6Octets& ipv6 : targets_.Ipv6List) addRow(0, ipv6);
    page->HostCount = row;
  }
  if (PageView* view = ViewIfShown(PingRegistry, *page)) view->ResultRowsChanged();
}

void Pinger::SyncCheckDone() {
  TPingPage* page = PageOfRun(PingRegistry, stamp_);
  if (page && page->FinishedWorkers >= workerCount_) allDone_ = true;
}

void Pinger::SyncFinished() {
  if (TPingPage* page = PageForCallback(PingRegistry, *this, stamp_)) FinishRunOfPage(PingRegistry, *page);
}

bool LaunchPingRun(TPingPage& page, const TaskRunValues* task) {
  const EchoRunSettings settings = RunSettingsOfPage(page, task);
  page.ReplyCapacity = PingReplyCapacity(settings.ByMinutes, settings.Retries, settings.Minutes,
                                         settings.Delay, page.ShowReplys);
  return LaunchController(
      PingRegistry, page,
      std::make_unique<Pinger>(RunStamp{page.Id, page.RunId}, page.Host, settings, page.PingForAllIp));
}
