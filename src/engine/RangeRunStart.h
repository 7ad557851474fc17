#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/RunLifecycle.h"
#include "pages/PageTypes.h"

// The settings of an IP range ping run and how Start turns a page into one.

struct RangeRunSettings {
  std::int32_t Retries = 1;  // passes by count, 1..999,999,999
  std::int32_t Minutes = 1;  // run length by minutes, 1..60,000
  bool ByMinutes = false;
  std::int32_t TimeOut = 1000;  // ms per echo, 100..60,000
  std::int32_t Delay = 0;       // ms after each pass, 0..999,999,999
  std::int32_t Bytes = 32;      // echo data, 0..65,500
  std::int32_t Threads = 100;   // pool size, 1..500
  bool ResolveHostName = true;

  RangeRunSettings Clamped() const;
};

// The page's settings, with a task's count and mode when `task` is given;
// clamped to their ranges.
RangeRunSettings RangeRunSettingsOfPage(const TRangePingPage& page, const TaskRunValues* task);

// One address of the range editors, read as the window reads it
// (ParseIpv4Text); host byte order. Nullopt for a text that is no address,
// and for 0.0.0.0 and 255.255.255.255, which never bound a range.
std::optional<std::uint32_t> ParseRangeAddress(const std::string& text);

// The range of a page, lowest address first; nullopt when either editor
// text is no range address.
struct RangeBounds {
  std::uint32_t From = 0;  // host byte order
  std::uint32_t To = 0;
  std::uint64_t Addresses() const { return std::uint64_t{To} - From + 1; }
};
std::optional<RangeBounds> RangeBoundsOfPage(const TRangePingPage& page);

// The part of an IP range ping Start that follows the reset of the page's
// run state (new run id, editors stored): the host records and the
// dispatch slots released, the range read from the page, the capacities of
// the run (host records: the range's size, at most 65,536; reply records
// per host), the result state made 0 and the controller launched. False,
// with nothing started, when the range is invalid, and when no thread can
// be had (the run has then failed: FailRunOfPage).
bool LaunchRangeRun(TRangePingPage& page, const TaskRunValues* task);
