#pragma once

#include <cstdint>

// A local calendar time broken into words, the shape every time stamp of a
// page, a reply and a schedule entry takes.
struct SystemTime {
  std::uint16_t Year = 0;
  std::uint16_t Month = 0;
  std::uint16_t DayOfWeek = 0;  // 0 = Sunday
  std::uint16_t Day = 0;
  std::uint16_t Hour = 0;
  std::uint16_t Minute = 0;
  std::uint16_t Second = 0;
  std::uint16_t Milliseconds = 0;

  friend bool operator==(const SystemTime&, const SystemTime&) = default;
};

SystemTime LocalTimeNow();
