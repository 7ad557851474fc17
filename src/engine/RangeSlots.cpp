#include "engine/RangeSlots.h"

#include <algorithm>

RangeSlots::RangeSlots(int threads)
    : usable_(static_cast<std::size_t>(std::clamp(threads, 1, MaxPoolThreads)), true),
      usableCount_(static_cast<int>(usable_.size())) {
  bells_.reserve(usable_.size());
  for (std::size_t i = 0; i < usable_.size(); ++i) bells_.push_back(std::make_unique<SlotBell>());
}

SlotBell& RangeSlots::Bell(int slot) const {
  return *bells_[static_cast<std::size_t>(std::clamp(slot, 0, Slots() - 1))];
}

void RangeSlots::Put(Table& dispatch, int slot, std::uint32_t address) {
  dispatch[static_cast<std::size_t>(slot)] = address;
  bells_[static_cast<std::size_t>(slot)]->Ring(address);
}

bool RangeSlots::Usable(int slot) const {
  return slot >= 0 && slot < Slots() && usable_[static_cast<std::size_t>(slot)];
}

int RangeSlots::LowestFree(const Table& dispatch) const {
  // The lowest free slot, so that a small pool fills from slot 0 up.
  for (int i = 0; i < Slots(); ++i)
    if (usable_[static_cast<std::size_t>(i)] && dispatch[static_cast<std::size_t>(i)] == 0) return i;
  return -1;
}

void RangeSlots::Redistribute(Table& dispatch) {
  while (!givenBack_.empty()) {
    const int slot = LowestFree(dispatch);
    if (slot < 0) return;
    Put(dispatch, slot, givenBack_.front());
    givenBack_.pop_front();
  }
}

RangeSlots::Outcome RangeSlots::HandOut(Table& dispatch, std::uint32_t address) {
  if (usableCount_ == 0) return Outcome::NoneUsable;
  Redistribute(dispatch);
  const int slot = LowestFree(dispatch);
  if (slot < 0) return Outcome::AllBusy;
  Put(dispatch, slot, address);
  return Outcome::Handed;
}

bool RangeSlots::Drained(Table& dispatch) {
  if (usableCount_ == 0) return true;
  Redistribute(dispatch);
  if (!givenBack_.empty()) return false;
  // An unusable slot was emptied when it was marked, so it counts as free.
  for (int i = 0; i < Slots(); ++i)
    if (dispatch[static_cast<std::size_t>(i)] != 0) return false;
  return true;
}

void RangeSlots::MarkUnusable(Table& dispatch, int slot, std::uint32_t taken) {
  if (!Usable(slot)) return;
  const auto at = static_cast<std::size_t>(slot);
  usable_[at] = false;
  --usableCount_;
  const std::uint32_t waiting = dispatch[at];
  dispatch[at] = 0;
  if (waiting != 0 && waiting != taken) givenBack_.push_back(waiting);
  if (usableCount_ == 0) givenBack_.clear();
}
