#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/RangeRunStart.h"
#include "engine/RunCallback.h"
#include "engine/RunController.h"

class RangePing;
struct RangeRunShared;

// The controller of an IP range ping run: starts a pool of RangePing
// workers, walks the range once per pass and hands every address to the
// lowest free slot (after every 11 addresses it pauses 10 ms, which bounds
// the load the hand-shake puts on the user-interface thread), waits until
// every slot is free again and ends the run. Created by StartRangePingPage
// through LaunchRangeRun; it idles after its run until someone terminates it
// (its own finish callback, Stop, a new Start, shutdown). A run that ends
// without any worker able to ping leaves the page in psError. A pool the
// system gives fewer threads than asked for serves the range with those and
// says so; one that gets none fails (FailRunOfPage).
class RangePinger final : public RunController {
 public:
  // from and to in host byte order, in either order; the settings are
  // clamped to their ranges.
  RangePinger(RunStamp stamp, std::uint32_t from, std::uint32_t to, const RangeRunSettings& settings);
  ~RangePinger() override;

 private:
  // Controller thread.
  bool Run() override;
  void StartWorkers();
  void EndRun(bool allEnded) override;
  // One walk over the range; false once no worker can take addresses.
  bool Pass();
  bool Dispatch(std::uint32_t address);
  void PauseAfterPass();
  void Drain();

  // User-interface thread, under the callback rule (SyncDispatchAddress and
  // SyncCheckDone without its Terminated step: they write only to the slots
  // and to this controller).
  void SyncStart() override;
  void SyncLimitPool();
  void SyncDispatchAddress();
  void SyncCheckDone();
  void SyncFinished() override;

  const RunStamp stamp_;
  std::uint32_t from_;
  std::uint32_t to_;
  const RangeRunSettings settings_;
  const std::shared_ptr<RangeRunShared> shared_;
  std::vector<RangePing*> workers_;  // valid until terminated: workers idle until then
  int workerCount_ = 0;
  // The hand-shake with the callbacks, written by them while this thread waits.
  std::uint32_t currentNet_ = 0;
  bool acknowledged_ = false;
  bool noUsableSlot_ = false;
};
