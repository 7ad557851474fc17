#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "engine/SlotBell.h"
#include "pages/PageTypes.h"

// The dispatch slots of a range run, seen from the user-interface thread.
//
// The page's Dispatch array holds the address waiting in each slot (0 =
// free); slot i belongs to pool worker i. A worker that cannot open its ICMP
// socket, or whose work ends by a failure, would leave its slot empty or
// busy for ever, and the run would never end: such a slot is marked
// unusable here. The dispatch skips it, the drain counts it as free, and an
// address that was waiting in it without its worker ever taking it goes to
// another slot first, so no address of the range is skipped while any
// worker still works. Once no usable slot is left, the rest of the range is
// abandoned and the run ends normally. Every address written into a slot
// rings that slot's bell, which its worker waits on.
class RangeSlots {
 public:
  using Table = std::array<std::uint32_t, MaxPoolThreads>;

  // Slots 0 .. threads-1, all usable (threads is clamped to 1..MaxPoolThreads).
  explicit RangeSlots(int threads);

  enum class Outcome {
    Handed,      // the address went into the lowest free usable slot
    AllBusy,     // every usable slot holds an address; try again later
    NoneUsable,  // no slot can take addresses any more
  };
  // Hands `address` (network order, not 0) to the lowest free usable slot,
  // after the addresses that unusable slots gave back.
  Outcome HandOut(Table& dispatch, std::uint32_t address);

  // The drain's test: true once no address is waiting to be handed out
  // again and every usable slot is free, or when no usable slot is left.
  // Hands out given-back addresses on the way.
  bool Drained(Table& dispatch);

  // Slot `slot` takes no more addresses. `taken` is the address its worker
  // took last (0: none); a different address waiting in the slot was never
  // pinged and is handed out again.
  void MarkUnusable(Table& dispatch, int slot, std::uint32_t taken);

  int Slots() const { return static_cast<int>(usable_.size()); }
  int UsableSlots() const { return usableCount_; }
  bool Usable(int slot) const;
  // Addresses given back and not yet handed out again.
  int Waiting() const { return static_cast<int>(givenBack_.size()); }

  // The bell of slot `slot` (clamped to the slots); it lives as long as
  // this table, and its worker may wait on it from its own thread.
  SlotBell& Bell(int slot) const;

 private:
  void Put(Table& dispatch, int slot, std::uint32_t address);
  int LowestFree(const Table& dispatch) const;
  // Moves given-back addresses into free slots while both last.
  void Redistribute(Table& dispatch);

  std::vector<std::unique_ptr<SlotBell>> bells_;  // made once, never resized
  std::vector<bool> usable_;
  int usableCount_ = 0;
  std::deque<std::uint32_t> givenBack_;
};
