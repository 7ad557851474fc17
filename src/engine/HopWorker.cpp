#include "engine/HopWorker.h"

#include <algorithm>

#include "engine/EchoServices.h"
#include "engine/HopPageView.h"
#include "engine/ResolveHostThread.h"
#include "pages/ModePages.h"

HopWorker::HopWorker(Mode mode, RunStamp stamp, int hop, std::uint32_t ipv4, const Ipv6Octets& ipv6,
                     const HopRunSettings& settings)
    : mode_(mode),
      stamp_(stamp),
      hop_(std::clamp(hop, 1, MaxHosts)),
      hostSlot_(hop_ - 1),
      ipv4_(ipv4),
      ipv6_(ipv4 != 0 ? Ipv6Octets{} : ipv6),
      settings_(settings.Clamped()),
      registry_(*PingModeRegistry(mode)) {}

// Here, where the lookup thread's class is complete.
HopWorker::~HopWorker() = default;

void HopWorker::Execute() {
  const std::unique_ptr<IcmpEchoHandle> handle = OpenHandle();
  // After the row: a run that fails for want of sockets fails once every
  // hop's row shows whether it got one. Noted also when the row failed, so
  // that the controller still learns of the hop.
  bool noted = false;
  const auto note = [&] {
    if (sockets_ && !noted) sockets_->Note(handle != nullptr);
    noted = true;
  };
  try {
    UpdateHop(handle ? HopUpdate::Waiting : HopUpdate::NoHandle);
    note();
    if (handle) {
      CheckBeyondDestination();
      Probe(*handle);
    }
  } catch (...) {
    // A failing hop still ends its lookup and reports its end, so that the
    // controller never waits for it.
  }
  note();
  Finish();
}

std::unique_ptr<IcmpEchoHandle> HopWorker::OpenHandle() {
  try {
    return EngineIcmp().Open(ipv4_ != 0 ? IpFamily::V4 : IpFamily::V6);
  } catch (...) {
    // An open that throws leaves the hop without a socket, as one that fails.
    return nullptr;
  }
}

void HopWorker::Finish() {
  try {
    ResolveHostThread::Finish(lookup_);
    if (!Terminated()) Synchronize([this] { SyncWorkerDone(); });
    // A hop that is done may still come to lie beyond a destination that a
    // slower, lower hop finds later; it then still drops its row.
    while (!Terminated() && !beyondDestination_) {
      CheckBeyondDestination();
      if (!beyondDestination_) SleepUnlessTerminated(BeyondCheckMs());
    }
  } catch (...) {
  }
  IdleUntilTerminated();
}

void HopWorker::UpdateHop(HopUpdate update) {
  update_ = update;
  if (!Terminated()) Synchronize([this] { SyncUpdateHop(); });
}

void HopWorker::CheckBeyondDestination() {
  if (!Terminated()) Synchronize([this] { SyncCheckBeyondDestination(); });
}

void HopWorker::DestinationReached() {
  if (!Terminated()) Synchronize([this] { SyncDestinationReached(); });
}

void HopWorker::AddReply(const EchoResult& result) {
  reply_ = result;
  if (!Terminated()) Synchronize([this] { SyncAddReply(); });
}

void HopWorker::NoteFirstAnswer(const EchoResult& answer) {
  reply_ = answer;
  replyAddressText_ = AnswerAddressText(answer);
  if (settings_.ResolveHostName && !lookup_)
    lookup_ = ResolveHostThread::Start(stamp_, mode_, hostSlot_, answer.ReplyIpv4, answer.ReplyIpv6);
}

TPingPage* HopWorker::PageOfThisRun() const {
  TPingPage* page = PageForCallback(registry_, *this, stamp_);
  return page && hostSlot_ < page->HostCount ? page : nullptr;
}

void HopWorker::SyncUpdateHop() {
  TPingPage* page = PageOfThisRun();
  if (!page) return;
  THostResult& host = page->Hosts[static_cast<std::size_t>(hostSlot_)];
  HopPageView* view = HopViewIfShown(registry_, *page);
  switch (update_) {
    case HopUpdate::Waiting:
    case HopUpdate::NoHandle:
      host.State = update_ == HopUpdate::Waiting ? 1 : 2;
      if (view) view->HopRowAdded(hostSlot_);
      break;
    case HopUpdate::RouterFound:
      host.State = 0;
      host.Ipv4 = reply_.ReplyIpv4;
      host.Ipv6 = reply_.ReplyIpv6;
      host.Address = replyAddressText_;
      if (view) view->HostRowChanged(hostSlot_);
      break;
  }
}

void HopWorker::SyncCheckBeyondDestination() {
  TPingPage* page = PageOfThisRun();
  if (!page || page->DestinationHop == 0 || page->DestinationHop >= hop_) return;
  beyondDestination_ = true;
  page->Hosts[static_cast<std::size_t>(hostSlot_)].State = -1;
  const bool wasSelected = page->SelectedHost == hostSlot_;
  if (wasSelected) page->SelectedHost = 0;
  if (HopPageView* view = HopViewIfShown(registry_, *page)) view->HopRowRemoved(hostSlot_, wasSelected);
}

void HopWorker::SyncDestinationReached() {
  TPingPage* page = PageOfThisRun();
  if (!page) return;
  // Hops answer in any order; the lowest one that reached the target wins.
  if (page->DestinationHop == 0 || page->DestinationHop > hop_) page->DestinationHop = hop_;
}

void HopWorker::SyncAddReply() {
  TPingPage* page = PageOfThisRun();
  if (!page) return;
  THostResult& host = page->Hosts[static_cast<std::size_t>(hostSlot_)];
  // The hop's first received echo names its row; the row is counted below.
  if (IsReceivedStatus(reply_.Status) && host.FirstReply) {
    host.Address = replyAddressText_;
    host.Ipv4 = reply_.ReplyIpv4;
    host.Ipv6 = reply_.ReplyIpv6;
    host.State = 0;
  }
  AddReplyToPage(registry_, *page, hostSlot_, reply_, LocalTimeNow());
}

void HopWorker::SyncWorkerDone() {
  if (TPingPage* page = PageForCallback(registry_, *this, stamp_)) ++page->FinishedWorkers;
}
