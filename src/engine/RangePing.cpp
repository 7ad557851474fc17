#include "engine/RangePing.h"

#include <algorithm>
#include <optional>

#include "engine/EchoServices.h"
#include "engine/HostResolution.h"
#include "engine/RangePageView.h"
#include "pages/TextHelpers.h"

namespace {

// The most the "Host Name" field keeps of a name, in bytes.
constexpr std::size_t MaxHostNameBytes = 96;
// How long an idle worker waits on its bell before it looks at its
// Terminated flag again. The controller wakes the bell when it terminates
// the worker, so this is only the fallback: a pool of 500 workers waking
// ten times a second each cost the sweep a tenth of its speed.
constexpr int PollMs = 1000;
// Range echoes always go out with the largest TTL.
constexpr int RangeTtl = 255;

}  // namespace

EchoResult RangeEchoResult(const IcmpEchoResult& echo, std::uint32_t address, const EchoResult& previous) {
  EchoResult result = previous;
  if (echo.status != EchoStatus::Success || echo.replyIpv4 != address) {
    result.Status = rsTimeout;
    return result;
  }
  result.Status = rsSuccess;
  result.ReplyIpv4 = echo.replyIpv4;
  result.ReplyIpv6 = {};
  result.ReplyBytes = static_cast<std::uint32_t>(std::max(echo.dataSize, 0));
  result.ReplyTtl = static_cast<std::uint32_t>(std::max(echo.replyTtl, 0));
  result.ReplyTime = echo.roundTripMs;
  return result;
}

RangePing::RangePing(RunStamp stamp, int slot, int timeOut, int bytes, bool resolveHostName,
                     std::shared_ptr<RangeRunShared> shared)
    : stamp_(stamp),
      slot_(std::clamp(slot, 0, MaxPoolThreads - 1)),
      timeOut_(std::clamp(timeOut, 100, 60'000)),
      bytes_(std::clamp(bytes, 0, MaxEchoDataBytes)),
      resolveHostName_(resolveHostName),
      shared_(std::move(shared)) {}

void RangePing::Execute() {
  try {
    std::unique_ptr<IcmpEchoHandle> handle = EngineIcmp().Open(IpFamily::V4);
    if (handle) Serve(*handle);
  } catch (...) {
    // Falls through to the report below, like a worker without a socket.
  }
  // Whatever ended the work before the controller asked for it, the slot
  // must not hold up the run: it is marked unusable and its waiting
  // address, if never taken, goes to another worker.
  if (!Terminated()) {
    try {
      Synchronize([this] { SyncSlotUnusable(); });
    } catch (...) {
    }
  }
  IdleUntilTerminated();
}

void RangePing::Serve(IcmpEchoHandle& handle) {
  while (!Terminated()) {
    if (!TakeAddress()) continue;
    try {
      PingAddress(handle);
    } catch (...) {
      // This address is lost; the slot is released below and the worker
      // goes on with the next one.
    }
    if (!released_ && !Terminated()) Synchronize([this] { SyncReleaseSlot(); });
  }
}

bool RangePing::TakeAddress() {
  newHost_ = false;
  released_ = false;
  address_ = 0;
  SlotBell& bell = shared_->Slots.Bell(slot_);
  while (!Terminated()) {
    address_ = bell.Wait(PollMs);
    if (address_ != 0) return true;
  }
  return false;
}

bool RangePing::NameWanted() const { return reply_.Status == rsSuccess && newHost_ && resolveHostName_; }

void RangePing::PingAddress(IcmpEchoHandle& handle) {
  EchoRequest request;
  request.family = IpFamily::V4;
  request.ipv4 = address_;
  request.bytes = bytes_;
  request.ttl = RangeTtl;
  request.timeoutMs = timeOut_;
  reply_ = RangeEchoResult(handle.Echo(request), address_, reply_);
  if (Terminated()) return;
  // The outcome and, unless a name is to be looked up first, the slot's
  // release in one hand-off: the same order of effects as two, at half the
  // load on the user-interface thread.
  Synchronize([this] {
    SyncAddReply();
    if (!NameWanted()) SyncReleaseSlot();
  });
  if (!NameWanted()) return;
  // Only a host new to this run is looked up, on this thread: the slot stays
  // busy meanwhile, which bounds the lookups to the pool's size.
  std::optional<std::string> name = ReverseLookupName(EngineResolver(), address_, Ipv6Octets{});
  if (!name) return;
  hostName_ = std::move(*name);
  if (!Terminated()) Synchronize([this] { SyncSetHostName(); });
}

TRangePingPage* RangePing::PageOfThisRun() { return PageForCallback(RangePingRegistry, *this, stamp_); }

void RangePing::SyncReleaseSlot() {
  released_ = true;
  if (TRangePingPage* page = PageOfThisRun()) page->Dispatch[static_cast<std::size_t>(slot_)] = 0;
}

void RangePing::SyncSlotUnusable() {
  if (TRangePingPage* page = PageOfThisRun()) shared_->Slots.MarkUnusable(page->Dispatch, slot_, address_);
}

void RangePing::SyncAddReply() {
  TRangePingPage* page = PageOfThisRun();
  if (!page) return;
  int k = shared_->Hosts.Find(*page, address_);
  const bool added = k < 0;
  if (added) {
    // Only an answer makes a record; a host list that is full drops new hosts.
    if (reply_.Status != rsSuccess) return;
    k = shared_->Hosts.Add(*page, address_);
    if (k < 0) return;
    newHost_ = true;
  }
  THostResult& host = *page->Hosts[static_cast<std::size_t>(k)];
  const TReplyRecord record = AccountEchoResult(host, reply_, LocalTimeNow());

  RangePageView* view = RangeViewIfShown(RangePingRegistry, *page);
  if (!view) return;
  if (page->SelectedHost == k && page->ReplyCapacity > 0) view->AppendReplyRow(record, host.Sent);
  // A new row is made from the record as it stands, statistics included.
  if (added)
    view->AliveHostAdded(k);
  else
    view->HostRowChanged(k);
}

void RangePing::SyncSetHostName() {
  TRangePingPage* page = PageOfThisRun();
  if (!page) return;
  const int k = shared_->Hosts.Find(*page, address_);
  if (k < 0) return;
  page->Hosts[static_cast<std::size_t>(k)]->HostName = CutUtf8(hostName_, MaxHostNameBytes);
  if (PageView* view = ViewIfShown(RangePingRegistry, *page)) view->HostRowChanged(k);
}
