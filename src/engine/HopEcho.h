#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "engine/ReplyAccounting.h"
#include "engine/RunLifecycle.h"
#include "engine/RunThread.h"
#include "platform/IcmpEcho.h"

// What the Trace route and Path ping runs share below their threads: their
// settings, the echo of one hop, how an answer becomes a worker's reply
// fields, and the waits between echoes. Worker threads only, except
// HopSettingsOfPage.

using HopClock = std::chrono::steady_clock;

// A hop run's settings; Clamped() brings each into its range.
struct HopRunSettings {
  std::int32_t Retries = 4;  // echoes per hop by count, 1..999,999
  std::int32_t Minutes = 1;  // run length by minutes, 1..60,000
  bool ByMinutes = false;
  std::int32_t TimeOut = 1000;  // ms, 100..60,000
  std::int32_t Delay = 1000;    // ms from send to send, 0..999,999,999
  std::int32_t Bytes = 32;      // echo data, 0..65,500
  std::int32_t Hops = 32;       // hops probed, 1..MaxHosts
  bool ResolveHostName = true;

  HopRunSettings Clamped() const;
};

// The settings a Trace route or Path ping page's run uses: the page's, with
// a task's count and mode when `task` is given; clamped.
HopRunSettings HopSettingsOfPage(const TPingPage& page, const TaskRunValues* task);

// The TTL with which Path ping reaches a router it has found.
inline constexpr int RouterTtl = 255;

// One echo to `ipv4` (or, when it is 0, `ipv6`) with the given TTL.
EchoRequest HopEchoRequest(std::uint32_t ipv4, const Ipv6Octets& ipv6, int ttl,
                           const HopRunSettings& settings);

// An echo reply or a router's "time exceeded": both name the address that
// answered for the hop.
bool NamesAnAddress(const IcmpEchoResult& echo);

// The reply fields of such an answer, handed over as "Success": a router's
// expired TTL is the answer a hop is asked for.
EchoResult AnswerOf(const IcmpEchoResult& echo);

// The lost echo that follows `previous`: "Timeout" with the fields of the
// last answer, which reply records keep for lost echoes.
EchoResult LostAfter(const EchoResult& previous);

// The answering address as a row shows it, cut to the bytes a row keeps.
std::string AnswerAddressText(const EchoResult& answer);

// Sleeps until more than `ms` milliseconds have passed since `since`, in
// steps of at most 100 ms (the wait itself below 100 ms), or until the
// thread is terminated. An echo that already took longer is not waited for.
void WaitSince(const RunThread& thread, HopClock::time_point since, std::int64_t ms);

// Whether another echo round may start: by count while fewer than Retries
// rounds have run, by minutes while fewer than Minutes × 60,000 ms have
// passed since the limit was made. The clock is monotonic and 64-bit, so
// neither a clock change nor the wrap of a 32-bit tick count ends a run.
class RoundLimit {
 public:
  explicit RoundLimit(const HopRunSettings& settings);
  bool Allows(std::int64_t round) const;

 private:
  const HopRunSettings settings_;
  const HopClock::time_point start_;
};
