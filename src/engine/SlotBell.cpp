#include "engine/SlotBell.h"

#include <chrono>

void SlotBell::Ring(std::uint32_t address) {
  {
    std::lock_guard lock(mutex_);
    address_ = address;
  }
  rung_.notify_one();
}

std::uint32_t SlotBell::Wait(int ms) {
  std::unique_lock lock(mutex_);
  rung_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return address_ != 0 || woken_; });
  const std::uint32_t address = address_;
  address_ = 0;
  return address;
}

void SlotBell::Wake() {
  {
    std::lock_guard lock(mutex_);
    woken_ = true;
  }
  rung_.notify_all();
}
