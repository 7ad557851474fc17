#pragma once

#include <cstdint>
#include <functional>

#include "engine/ReplyAccounting.h"
#include "engine/RunThread.h"
#include "platform/IcmpEcho.h"

// The echo loop of a worker that pings one target again and again (Ping,
// Multi ping): by count or for a number of minutes, with a delay measured
// from the send of one echo to the send of the next.

// A worker's run settings; Clamped() brings each into its range.
struct EchoRunSettings {
  std::int32_t Retries = 4;  // echoes by count, 1..999,999,999
  std::int32_t Minutes = 1;  // run length by minutes, 1..60,000
  bool ByMinutes = false;
  std::int32_t TimeOut = 1000;  // ms, 100..60,000
  std::int32_t Delay = 1000;    // ms from send to send, 0..999,999,999
  std::int32_t Bytes = 32;      // echo data, 0..65,500
  std::int32_t Ttl = 255;       // 1..255
  bool ResolveHostName = true;

  EchoRunSettings Clamped() const;
};

// The result a worker hands over for one echo. A reply and an expired TTL
// carry the answer's fields; every other outcome (no answer, an ICMP error,
// a failed send) is a "Timeout" that keeps the fields of `previous`, the
// worker's last handed result.
EchoResult ToReplyResult(const IcmpEchoResult& echo, const EchoResult& previous);

// The request a worker's settings make for its target.
EchoRequest MakeEchoRequest(std::uint32_t ipv4, const Ipv6Octets& ipv6, const EchoRunSettings& settings);

// Sends the echoes of one worker over `handle` and calls `deliver` after
// each with its result; the caller hands it over. Terminate is checked
// before every echo and during every wait, which sleeps in steps of at most
// 100 ms; an echo in progress runs to its timeout. Runs by minutes are timed
// on the monotonic clock, so neither uptime nor a clock change ends them early.
void RunEchoRounds(const RunThread& thread, IcmpEchoHandle& handle, const EchoRequest& request,
                   const EchoRunSettings& settings, const std::function<void(const EchoResult&)>& deliver);

// The whole echo work of one target: opens an ICMP handle of the target's
// family and runs the echo rounds over it, or, when no handle can be had,
// delivers the single "Ping error" result that ends the worker's row.
void PingOneTarget(const RunThread& thread, std::uint32_t ipv4, const Ipv6Octets& ipv6,
                   const EchoRunSettings& settings, const std::function<void(const EchoResult&)>& deliver);
