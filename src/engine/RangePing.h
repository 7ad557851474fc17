#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/RangeHostIndex.h"
#include "engine/RangeSlots.h"
#include "engine/ReplyAccounting.h"
#include "engine/RunCallback.h"
#include "engine/RunThread.h"
#include "platform/IcmpEcho.h"

// What the threads of one range run share: the slot bookkeeping and the
// index of the answering hosts. Made by the controller before its workers;
// touched only inside callbacks, on the user-interface thread.
struct RangeRunShared {
  explicit RangeRunShared(int threads) : Slots(threads) {}
  RangeSlots Slots;
  RangeHostIndex Hosts;
};

// A pool worker of an IP range ping run: takes the address that the
// controller put into its dispatch slot (its bell tells it when), sends one
// echo to it, hands the outcome to the page, looks up the name of a host
// that answered for the first time, and frees its slot for the next
// address. Made by its controller (RangePinger), suspended and self-freeing;
// it serves until the controller terminates it, so the controller's pointer
// stays valid.
class RangePing final : public RunThread {
 public:
  // slot is clamped to 0..MaxPoolThreads-1, timeOut to 100..60,000 and
  // bytes to 0..65,500.
  RangePing(RunStamp stamp, int slot, int timeOut, int bytes, bool resolveHostName,
            std::shared_ptr<RangeRunShared> shared);

  int Slot() const { return slot_; }

 protected:
  void Execute() override;

 private:
  // Worker thread.
  void Serve(IcmpEchoHandle& handle);
  bool TakeAddress();
  void PingAddress(IcmpEchoHandle& handle);
  // After SyncAddReply: a host new to this run whose name is wanted.
  bool NameWanted() const;

  // User-interface thread, under the callback rule.
  TRangePingPage* PageOfThisRun();
  void SyncAddReply();
  void SyncSetHostName();
  void SyncReleaseSlot();
  void SyncSlotUnusable();

  const RunStamp stamp_;
  const int slot_;
  const int timeOut_;
  const int bytes_;
  const bool resolveHostName_;
  const std::shared_ptr<RangeRunShared> shared_;
  // Written by this thread, or by its callbacks while it waits for them.
  std::uint32_t address_ = 0;  // network order; 0 = none taken
  bool newHost_ = false;       // SyncAddReply made the address's record
  bool released_ = false;      // SyncReleaseSlot ran for address_
  EchoResult reply_;           // Status and the last answered echo's fields
  std::string hostName_;
};

// The outcome of one range echo to `address` (network order): answered only
// by a reply of that very address; anything else is a "Timeout" that keeps
// the fields of `previous`, the worker's last answered echo.
EchoResult RangeEchoResult(const IcmpEchoResult& echo, std::uint32_t address, const EchoResult& previous);
