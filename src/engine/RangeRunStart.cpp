#include "engine/RangeRunStart.h"

#include <arpa/inet.h>

#include <algorithm>
#include <memory>

#include "engine/RangePinger.h"
#include "engine/ReplyAccounting.h"
#include "platform/Ipv4Text.h"

namespace {

constexpr std::int32_t MaxRetries = 999'999'999;
constexpr std::int32_t MaxMinutes = 60'000;
constexpr std::int32_t MaxDelay = 999'999'999;

}  // namespace

RangeRunSettings RangeRunSettings::Clamped() const {
  RangeRunSettings s = *this;
  s.Retries = std::clamp(Retries, 1, MaxRetries);
  s.Minutes = std::clamp(Minutes, 1, MaxMinutes);
  s.TimeOut = std::clamp(TimeOut, 100, 60'000);
  s.Delay = std::clamp(Delay, 0, MaxDelay);
  s.Bytes = std::clamp(Bytes, 0, 65'500);
  s.Threads = std::clamp(Threads, 1, MaxPoolThreads);
  return s;
}

RangeRunSettings RangeRunSettingsOfPage(const TRangePingPage& page, const TaskRunValues* task) {
  RangeRunSettings settings;
  settings.Retries = page.Retries;
  settings.Minutes = page.Minutes;
  settings.ByMinutes = page.ByMinutes;
  if (task) {
    settings.Retries = std::clamp(task->Retries, 1, 999'999);
    settings.Minutes = std::clamp(task->Minutes, 1, MaxMinutes);
    settings.ByMinutes = task->ByMinutes;
  }
  settings.TimeOut = page.TimeOut;
  settings.Delay = page.Delay;
  settings.Bytes = page.Bytes;
  settings.Threads = page.Threads;
  settings.ResolveHostName = page.ResolveHostName;
  return settings.Clamped();
}

std::optional<std::uint32_t> ParseRangeAddress(const std::string& text) {
  const std::optional<std::uint32_t> address = ParseIpv4Text(text);
  if (!address) return std::nullopt;
  const std::uint32_t hostOrder = ntohl(*address);
  if (hostOrder == 0 || hostOrder == 0xFFFFFFFFu) return std::nullopt;
  return hostOrder;
}

std::optional<RangeBounds> RangeBoundsOfPage(const TRangePingPage& page) {
  const std::optional<std::uint32_t> from = ParseRangeAddress(page.From);
  const std::optional<std::uint32_t> to = ParseRangeAddress(page.To);
  if (!from || !to) return std::nullopt;
  return RangeBounds{std::min(*from, *to), std::max(*from, *to)};
}

bool LaunchRangeRun(TRangePingPage& page, const TaskRunValues* task) {
  // Swap rather than clear, so that the memory of the last run goes back too.
  std::vector<std::unique_ptr<THostResult>>().swap(page.Hosts);
  page.HostCount = 0;
  page.HostCapacity = 0;
  page.Dispatch.fill(0);
  const std::optional<RangeBounds> bounds = RangeBoundsOfPage(page);
  if (!bounds) return false;
  const RangeRunSettings settings = RangeRunSettingsOfPage(page, task);
  const std::uint64_t addresses = bounds->Addresses();
  page.HostCapacity = RangeHostCapacity(addresses);
  page.Hosts.resize(static_cast<std::size_t>(page.HostCapacity));
  page.ReplyCapacity =
      RangeReplyCapacity(addresses, settings.ByMinutes, settings.Retries, settings.Minutes, settings.TimeOut,
                         settings.Delay, settings.Threads, page.ShowReplys);
  page.ResultState = psOk;
  return LaunchController(
      RangePingRegistry, page,
      std::make_unique<RangePinger>(RunStamp{page.Id, page.RunId}, bounds->From, bounds->To, settings));
}
