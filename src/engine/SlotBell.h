#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

// How a pool worker of a range run learns that an address waits in its
// dispatch slot. The worker used to look into its slot through a hand-off
// every 100 ms; with 500 idle workers that alone was 5,000 hand-offs a
// second for the user-interface thread, and an address sat up to 100 ms in
// its slot. The dispatch now rings the slot's bell as it writes the
// address, and the worker, waiting on the bell, takes it at once. The slot
// itself (TRangePingPage::Dispatch) stays what says busy or free.
class SlotBell {
 public:
  // User-interface thread, as the dispatch writes `address` (network
  // order, not 0) into the slot.
  void Ring(std::uint32_t address);

  // Worker thread: the address rung since the last call, waiting at most
  // `ms` for one; 0 when none came or the bell was woken.
  std::uint32_t Wait(int ms);

  // Any thread: ends the current wait and every later one at once. The
  // controller wakes its workers' bells right after it terminates them, so
  // an idle worker need not wake up on a short timer to see its flag.
  void Wake();

 private:
  std::mutex mutex_;
  std::condition_variable rung_;
  std::uint32_t address_ = 0;  // guarded by mutex_
  bool woken_ = false;         // guarded by mutex_
};
