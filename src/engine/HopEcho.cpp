#include "engine/HopEcho.h"

#include <algorithm>
#include <thread>

#include "pages/TextHelpers.h"

namespace {

constexpr std::int32_t MaxHopRetries = 999'999;
constexpr std::int32_t MaxMinutes = 60'000;
constexpr std::int32_t MinTimeOut = 100;
constexpr std::int32_t MaxTimeOut = 60'000;
constexpr std::int32_t MaxDelay = 999'999'999;
constexpr std::int64_t MsPerMinute = 60'000;
// The longest single sleep, so that a stop is noticed within it.
constexpr std::int64_t WaitStepMs = 100;
// The most the "IP Address" field keeps of an address text, in bytes.
constexpr std::size_t MaxAddressBytes = 64;

std::int64_t MillisecondsSince(HopClock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(HopClock::now() - start).count();
}

}  // namespace

HopRunSettings HopRunSettings::Clamped() const {
  HopRunSettings s = *this;
  s.Retries = std::clamp(Retries, 1, MaxHopRetries);
  s.Minutes = std::clamp(Minutes, 1, MaxMinutes);
  s.TimeOut = std::clamp(TimeOut, MinTimeOut, MaxTimeOut);
  s.Delay = std::clamp(Delay, 0, MaxDelay);
  s.Bytes = std::clamp(Bytes, 0, MaxEchoDataBytes);
  s.Hops = std::clamp(Hops, 1, MaxHosts);
  return s;
}

HopRunSettings HopSettingsOfPage(const TPingPage& page, const TaskRunValues* task) {
  HopRunSettings settings;
  settings.Retries = task ? task->Retries : page.Retries;
  settings.Minutes = task ? task->Minutes : page.Minutes;
  settings.ByMinutes = task ? task->ByMinutes : page.ByMinutes;
  settings.TimeOut = page.TimeOut;
  settings.Delay = page.Delay;
  settings.Bytes = page.Bytes;
  settings.Hops = page.Hops;
  settings.ResolveHostName = page.ResolveHostName;
  return settings.Clamped();
}

EchoRequest HopEchoRequest(std::uint32_t ipv4, const Ipv6Octets& ipv6, int ttl,
                           const HopRunSettings& settings) {
  EchoRequest request;
  request.family = ipv4 != 0 ? IpFamily::V4 : IpFamily::V6;
  request.ipv4 = ipv4;
  request.ipv6 = ipv4 != 0 ? Ipv6Octets{} : ipv6;
  request.bytes = settings.Bytes;
  request.ttl = std::clamp(ttl, 1, RouterTtl);
  request.timeoutMs = settings.TimeOut;
  return request;
}

bool NamesAnAddress(const IcmpEchoResult& echo) {
  return echo.status == EchoStatus::Success || echo.status == EchoStatus::TtlExpired;
}

EchoResult AnswerOf(const IcmpEchoResult& echo) {
  EchoResult answer;
  answer.Status = rsSuccess;
  answer.ReplyIpv4 = echo.replyIpv4;
  answer.ReplyIpv6 = echo.replyIpv4 != 0 ? Ipv6Octets{} : echo.replyIpv6;
  answer.ReplyBytes = static_cast<std::uint32_t>(std::max(echo.dataSize, 0));
  answer.ReplyTtl = static_cast<std::uint32_t>(std::max(echo.replyTtl, 0));
  answer.ReplyTime = echo.roundTripMs;
  return answer;
}

EchoResult LostAfter(const EchoResult& previous) {
  EchoResult lost = previous;
  lost.Status = rsTimeout;
  return lost;
}

std::string AnswerAddressText(const EchoResult& answer) {
  return CutUtf8(answer.ReplyIpv4 != 0 ? Ipv4ToString(answer.ReplyIpv4) : Ipv6ToString(&answer.ReplyIpv6),
                 MaxAddressBytes);
}

void WaitSince(const RunThread& thread, HopClock::time_point since, std::int64_t ms) {
  if (ms <= 0) return;
  const auto step = std::chrono::milliseconds(std::min(ms, WaitStepMs));
  while (MillisecondsSince(since) <= ms && !thread.Terminated()) std::this_thread::sleep_for(step);
}

RoundLimit::RoundLimit(const HopRunSettings& settings) : settings_(settings), start_(HopClock::now()) {}

bool RoundLimit::Allows(std::int64_t round) const {
  if (settings_.ByMinutes) return MillisecondsSince(start_) < std::int64_t{settings_.Minutes} * MsPerMinute;
  return round < settings_.Retries;
}
