#include "engine/EchoRounds.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>

#include "engine/EchoServices.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::int32_t MaxRetries = 999'999'999;
constexpr std::int32_t MaxMinutes = 60'000;
constexpr std::int32_t MinTimeOut = 100;
constexpr std::int32_t MaxTimeOut = 60'000;
constexpr std::int32_t MaxDelay = 999'999'999;
constexpr std::int32_t MaxTtl = 255;
// The longest single sleep, so that a stop is noticed within it.
constexpr std::int32_t DelayStepMs = 100;

std::int64_t MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// The wait after an echo sent at `sent`. At least one step follows every
// echo when there is a delay at all, even one that took longer than the
// delay; then steps go on until more than `delay` ms have passed since the
// send. The steps are the delay itself below 100 ms.
void WaitAfterEcho(const RunThread& thread, std::int32_t delay, Clock::time_point sent) {
  if (delay <= 0) return;
  const auto step = std::chrono::milliseconds(std::min(delay, DelayStepMs));
  std::int64_t elapsed = 0;
  while (elapsed <= delay && !thread.Terminated()) {
    std::this_thread::sleep_for(step);
    elapsed = MillisecondsSince(sent);
  }
}

}  // namespace

EchoRunSettings EchoRunSettings::Clamped() const {
  EchoRunSettings s = *this;
  s.Retries = std::clamp(Retries, 1, MaxRetries);
  s.Minutes = std::clamp(Minutes, 1, MaxMinutes);
  s.TimeOut = std::clamp(TimeOut, MinTimeOut, MaxTimeOut);
  s.Delay = std::clamp(Delay, 0, MaxDelay);
  s.Bytes = std::clamp(Bytes, 0, MaxEchoDataBytes);
  s.Ttl = std::clamp(Ttl, 1, MaxTtl);
  return s;
}

EchoResult ToReplyResult(const IcmpEchoResult& echo, const EchoResult& previous) {
  EchoResult result = previous;
  switch (echo.status) {
    case EchoStatus::Success:
      result.Status = rsSuccess;
      break;
    case EchoStatus::TtlExpired:
      result.Status = rsTtlExpired;
      break;
    case EchoStatus::OtherStatus:
    case EchoStatus::TimedOut:
    case EchoStatus::SendFailed:
      result.Status = rsTimeout;
      return result;
  }
  result.ReplyIpv4 = echo.replyIpv4;
  result.ReplyIpv6 = echo.replyIpv4 != 0 ? Ipv6Bytes{} : echo.replyIpv6;
  result.ReplyBytes = static_cast<std::uint32_t>(std::max(echo.dataSize, 0));
  result.ReplyTtl = static_cast<std::uint32_t>(std::max(echo.replyTtl, 0));
  result.ReplyTime = echo.roundTripMs;
  return result;
}

EchoRequest MakeEchoRequest(std::uint32_t ipv4, const Ipv6Octets& ipv6, const EchoRunSettings& settings) {
  EchoRequest request;
  request.family = ipv4 != 0 ? IpFamily::V4 : IpFamily::V6;
  request.ipv4 = ipv4;
  request.ipv6 = ipv4 != 0 ? Ipv6Octets{} : ipv6;
  request.bytes = settings.Bytes;
  request.ttl = settings.Ttl;
  request.timeoutMs = settings.TimeOut;
  return request;
}

void RunEchoRounds(const RunThread& thread, IcmpEchoHandle& handle, const EchoRequest& request,
                   const EchoRunSettings& settings, const std::function<void(const EchoResult&)>& deliver) {
  // Minutes × 60,000 reaches 3.6e9 ms: 64-bit, like the clock it is compared with.
  const std::int64_t runMs = static_cast<std::int64_t>(settings.Minutes) * 60'000;
  const Clock::time_point loopStart = Clock::now();
  EchoResult last;
  for (std::int64_t round = 0;; ++round) {
    if (thread.Terminated()) return;
    if (settings.ByMinutes ? MillisecondsSince(loopStart) >= runMs : round >= settings.Retries) return;
    const Clock::time_point sent = Clock::now();
    last = ToReplyResult(handle.Echo(request), last);
    deliver(last);
    WaitAfterEcho(thread, settings.Delay, sent);
  }
}

void PingOneTarget(const RunThread& thread, std::uint32_t ipv4, const Ipv6Octets& ipv6,
                   const EchoRunSettings& settings, const std::function<void(const EchoResult&)>& deliver) {
  const EchoRequest request = MakeEchoRequest(ipv4, ipv6, settings);
  std::unique_ptr<IcmpEchoHandle> handle = EngineIcmp().Open(request.family);
  if (!handle) {
    EchoResult error;
    error.Status = rsPingError;
    deliver(error);
    return;
  }
  RunEchoRounds(thread, *handle, request, settings, deliver);
}
