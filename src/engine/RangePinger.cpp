#include "engine/RangePinger.h"

#include <arpa/inet.h>

#include <algorithm>
#include <chrono>
#include <system_error>
#include <thread>

#include "engine/RangePing.h"

namespace {

using Clock = std::chrono::steady_clock;

// The wait between two tries of a hand-shake.
constexpr int PollMs = 100;
// A pass hands out at most 11 addresses per 10 ms.
constexpr int AddressesPerBurst = 11;
constexpr auto BurstPause = std::chrono::milliseconds(10);
constexpr std::int64_t MsPerMinute = 60'000;

std::int64_t MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

}  // namespace

RangePinger::RangePinger(RunStamp stamp, std::uint32_t from, std::uint32_t to,
                         const RangeRunSettings& settings)
    : stamp_(stamp),
      from_(from),
      to_(to),
      settings_(settings.Clamped()),
      shared_(std::make_shared<RangeRunShared>(settings_.Threads)) {}

RangePinger::~RangePinger() = default;

bool RangePinger::Run() {
  if (from_ > to_) std::swap(from_, to_);
  // 255.255.255.255 is never pinged, and the walk below must end.
  if (to_ == 0xFFFFFFFFu) --to_;
  if (from_ > to_) return false;
  StartWorkers();
  // Without a worker the run fails; with some it goes on, since the slots
  // of those that never started are taken out of the pool before the first
  // address is handed out.
  if (Terminated() || workerCount_ == 0) return false;
  if (shortfall_.Short()) Synchronize([this] { SyncLimitPool(); });
  if (settings_.ByMinutes) {
    // A pass that is running when the time is up is completed.
    const std::int64_t runMs = settings_.Minutes * MsPerMinute;
    const Clock::time_point start = Clock::now();
    while (!Terminated() && MillisecondsSince(start) < runMs)
      if (!Pass()) break;
  } else {
    for (std::int32_t pass = 0; pass < settings_.Retries && !Terminated(); ++pass)
      if (!Pass()) break;
  }
  Drain();
  return !Terminated();
}

void RangePinger::StartWorkers() {
  // Every worker exists before any starts; they start in slot order.
  std::vector<std::unique_ptr<RangePing>> created;
  created.reserve(static_cast<std::size_t>(settings_.Threads));
  for (int slot = 0; slot < settings_.Threads; ++slot)
    created.push_back(std::make_unique<RangePing>(stamp_, slot, settings_.TimeOut, settings_.Bytes,
                                                  settings_.ResolveHostName, shared_));
  workers_ = StartAll(created);
  workerCount_ = static_cast<int>(workers_.size());
}

void RangePinger::EndRun(bool) {
  // The bells belong to the shared state, which outlives the workers; waking
  // them ends the idle workers' waits now rather than at their next timeout.
  EndWorkers(workers_);
  for (int slot = 0; slot < shared_->Slots.Slots(); ++slot) shared_->Slots.Bell(slot).Wake();
}

bool RangePinger::Pass() {
  int burst = 0;
  Clock::time_point burstStart = Clock::now();
  for (std::uint32_t current = from_; !Terminated(); ++current) {
    if (!Dispatch(current)) return !noUsableSlot_;
    if (++burst >= AddressesPerBurst) {
      // The pause caps a sweep at 11 addresses per 10 ms. It ends 10 ms after
      // the burst began, so the time the hand-offs took counts toward it
      // instead of slowing every sweep below that rate.
      std::this_thread::sleep_until(burstStart + BurstPause);
      burst = 0;
      burstStart = Clock::now();
    }
    if (current == to_) break;
  }
  PauseAfterPass();
  return true;
}

bool RangePinger::Dispatch(std::uint32_t address) {
  currentNet_ = htonl(address);
  acknowledged_ = false;
  while (!Terminated()) {
    Synchronize([this] { SyncDispatchAddress(); });
    if (acknowledged_) return true;
    if (noUsableSlot_) return false;
    SleepUnlessTerminated(PollMs);
  }
  return false;
}

void RangePinger::PauseAfterPass() {
  const std::int32_t delay = settings_.Delay;
  if (delay <= 0) return;
  // Steps of 100 ms (of the delay itself below that) until more than the
  // delay has passed since the end of the pass.
  const auto step = std::chrono::milliseconds(std::min(delay, PollMs));
  const Clock::time_point end = Clock::now();
  while (!Terminated() && MillisecondsSince(end) <= delay) std::this_thread::sleep_for(step);
}

void RangePinger::Drain() {
  acknowledged_ = false;
  while (!Terminated() && !acknowledged_) {
    Synchronize([this] { SyncCheckDone(); });
    if (!acknowledged_) SleepUnlessTerminated(PollMs);
  }
}

void RangePinger::SyncStart() {
  TRangePingPage* page = PageForCallback(RangePingRegistry, *this, stamp_);
  if (!page) return;
  if (PageView* view = ViewIfShown(RangePingRegistry, *page)) view->SetRunning(true);
}

void RangePinger::SyncLimitPool() {
  TRangePingPage* page = PageOfRun(RangePingRegistry, stamp_);
  if (!page) return;
  // Workers start in slot order, so the slots from workerCount_ on have none.
  for (int slot = workerCount_; slot < settings_.Threads; ++slot)
    shared_->Slots.MarkUnusable(page->Dispatch, slot, 0);
  if (!Terminated()) TellRunFailure(RunMoment::Start, ThreadShortfallText(Mode::RangePing, page->Name, shortfall_, true));
}

void RangePinger::SyncDispatchAddress() {
  TRangePingPage* page = PageOfRun(RangePingRegistry, stamp_);
  if (!page) return;
  switch (shared_->Slots.HandOut(page->Dispatch, currentNet_)) {
    case RangeSlots::Outcome::Handed:
      acknowledged_ = true;
      break;
    case RangeSlots::Outcome::AllBusy:
      break;
    case RangeSlots::Outcome::NoneUsable:
      noUsableSlot_ = true;
      break;
  }
}

void RangePinger::SyncCheckDone() {
  TRangePingPage* page = PageOfRun(RangePingRegistry, stamp_);
  if (page && shared_->Slots.Drained(page->Dispatch)) acknowledged_ = true;
}

void RangePinger::SyncFinished() {
  TRangePingPage* page = PageForCallback(RangePingRegistry, *this, stamp_);
  if (!page) return;
  if (shortfall_.Short() && shortfall_.started == 0) {
    FailRunOfPage(RangePingRegistry, *page,
                  ThreadShortfallText(Mode::RangePing, page->Name, shortfall_, false));
    return;
  }
  // No worker could ping (no socket, no thread): the range was abandoned, and
  // an empty result must not pass for a range where nobody answered.
  if (shared_->Slots.UsableSlots() == 0) page->ResultState = psError;
  EndRunOfPage(RangePingRegistry, *page);
}
