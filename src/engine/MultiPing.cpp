#include "engine/MultiPing.h"

#include <algorithm>
#include <memory>

#include "engine/EchoServices.h"
#include "engine/HostResolution.h"
#include "engine/ResolveHostThread.h"
#include "pages/TextHelpers.h"

namespace {

// The most the "IP Address" field keeps of an address text, in bytes.
constexpr std::size_t MaxAddressBytes = 64;

}  // namespace

MultiPing::MultiPing(RunStamp stamp, int hostSlot, std::string host, const EchoRunSettings& settings)
    : stamp_(stamp),
      hostSlot_(std::clamp(hostSlot, 0, MaxHosts - 1)),
      host_(std::move(host)),
      settings_(settings.Clamped()) {}

void MultiPing::Execute() {
  // The lookup thread lives on this stack so that every way out of the
  // work, a failure included, ends it before the worker reports its end.
  std::unique_ptr<ResolveHostThread> lookup;
  try {
    if (!Terminated()) Work(lookup);
  } catch (...) {
    // A failing body still ends its lookup and reports its end.
  }
  try {
    ResolveHostThread::Finish(lookup);
    if (!Terminated()) Synchronize([this] { SyncWorkerDone(); });
  } catch (...) {
  }
  IdleUntilTerminated();
}

void MultiPing::Work(std::unique_ptr<ResolveHostThread>& lookup) {
  // An empty host text is "Host not found" without a lookup.
  const SingleTarget target = ResolveSingleTarget(EngineResolver(), host_, CurrentFamilyOptions());
  lookupState_ = target.ResolveStatus;
  // A stop during the lookup takes the failure road, silently.
  if (Terminated() && lookupState_ == psOk) lookupState_ = psHostNotFound;
  if (lookupState_ != psOk) {
    if (!Terminated()) Synchronize([this] { SyncAddReply(); });
    return;
  }
  ipv4_ = target.Ipv4;
  ipv6_ = target.Ipv4 != 0 ? Ipv6Octets{} : target.Ipv6;
  address_ = ipv4_ != 0 ? Ipv4ToString(ipv4_) : Ipv6ToString(&ipv6_);
  // Handed over even when terminated meanwhile; the callback then does nothing.
  Synchronize([this] { SyncShowTarget(); });
  if (settings_.ResolveHostName)
    lookup = ResolveHostThread::Start(stamp_, Mode::MultiPing, hostSlot_, ipv4_, ipv6_);
  PingOneTarget(*this, ipv4_, ipv6_, settings_, [this](const EchoResult& result) { HandOver(result); });
}

void MultiPing::HandOver(const EchoResult& result) {
  reply_ = result;
  if (!Terminated()) Synchronize([this] { SyncAddReply(); });
}

TPingPage* MultiPing::PageWithEntry() {
  TPingPage* page = PageForCallback(MultiPingRegistry, *this, stamp_);
  return page && hostSlot_ < page->HostCount ? page : nullptr;
}

void MultiPing::SyncShowTarget() {
  TPingPage* page = PageWithEntry();
  if (!page) return;
  THostResult& host = page->Hosts[static_cast<std::size_t>(hostSlot_)];
  host.State = 0;
  host.Address = CutUtf8(address_, MaxAddressBytes);
  host.Ipv4 = ipv4_;
  host.Ipv6 = ipv6_;
  if (PageView* view = ViewIfShown(MultiPingRegistry, *page)) view->HostRowChanged(hostSlot_);
}

void MultiPing::SyncAddReply() {
  TPingPage* page = PageWithEntry();
  if (!page) return;
  if (lookupState_ == psOk) {
    AddReplyToPage(MultiPingRegistry, *page, hostSlot_, reply_, LocalTimeNow());
    return;
  }
  // A failed lookup shows in the entry's row only: no statistics, no store.
  page->Hosts[static_cast<std::size_t>(hostSlot_)].State = static_cast<std::int16_t>(lookupState_);
  if (PageView* view = ViewIfShown(MultiPingRegistry, *page)) view->HostRowChanged(hostSlot_);
}

void MultiPing::SyncWorkerDone() {
  if (TPingPage* page = PageForCallback(MultiPingRegistry, *this, stamp_)) ++page->FinishedWorkers;
}
