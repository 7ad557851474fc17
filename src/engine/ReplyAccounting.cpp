#include "engine/ReplyAccounting.h"

#include <algorithm>

#include "pages/RowTexts.h"

namespace {

// 1 GiB of 36-byte reply records: the memory a range run may spend on
// replies, whatever the size of the range.
constexpr std::uint64_t RangeReplyBudget = 1073741824ULL / 36;
constexpr std::int32_t MinRangeReplies = 500;
constexpr std::uint64_t MsPerMinute = 60000;

std::int32_t ClampCapacity(std::uint64_t value, std::int32_t low, std::int32_t high) {
  return static_cast<std::int32_t>(
      std::clamp<std::uint64_t>(value, static_cast<std::uint64_t>(low), static_cast<std::uint64_t>(high)));
}

std::uint64_t NonNegative(std::int32_t value) { return value > 0 ? static_cast<std::uint64_t>(value) : 0; }

}  // namespace

bool IsReceivedStatus(std::uint8_t status) { return status == rsSuccess || status == rsTtlExpired; }

TReplyRecord MakeReplyRecord(const EchoResult& result, const SystemTime& stamp) {
  TReplyRecord record;
  record.Status = result.Status;
  record.Year = static_cast<std::uint8_t>(stamp.Year % 100);
  record.Month = static_cast<std::uint8_t>(stamp.Month);
  record.Day = static_cast<std::uint8_t>(stamp.Day);
  record.Hour = static_cast<std::uint8_t>(stamp.Hour);
  record.Minute = static_cast<std::uint8_t>(stamp.Minute);
  record.Second = static_cast<std::uint8_t>(stamp.Second);
  record.Ipv4 = result.ReplyIpv4;
  record.Ipv6 = result.ReplyIpv6;
  record.Bytes = static_cast<std::uint16_t>(result.ReplyBytes);
  record.Ttl = static_cast<std::uint8_t>(result.ReplyTtl);
  record.Time = static_cast<std::uint16_t>(result.ReplyTime);
  return record;
}

void StoreReply(THostResult& host, const TReplyRecord& record) {
  if (host.ReplyCapacity <= 0) return;
  const auto capacity = static_cast<std::size_t>(host.ReplyCapacity);
  if (host.Replies.size() >= capacity) {
    // Dropping a tenth at a time keeps the move of the kept records rare:
    // once per capacity / 10 echoes rather than on every echo.
    const std::size_t drop = std::min(std::max<std::size_t>(capacity / 10, 1), host.Replies.size());
    host.Replies.erase(host.Replies.begin(), host.Replies.begin() + static_cast<std::ptrdiff_t>(drop));
  }
  if (host.Replies.size() < capacity) {
    // The run reserved the whole store, so this never allocates per echo.
    if (host.Replies.capacity() < capacity) host.Replies.reserve(capacity);
    host.Replies.push_back(record);
  }
}

void CountEchoResult(THostResult& host, const EchoResult& result) {
  host.Sent += 1;
  if (!IsReceivedStatus(result.Status)) {
    host.CurTime = LostEchoTime;
    host.Lost += 1;
    return;
  }
  const auto t = static_cast<std::uint16_t>(result.ReplyTime);
  host.Received += 1;
  if (host.FirstReply) {
    host.FirstReply = false;
    host.MinTime = t;
    host.MaxTime = t;
  }
  host.MinTime = std::min(host.MinTime, t);
  host.MaxTime = std::max(host.MaxTime, t);
  // The running mean over the received echoes; the shown average is cut, not rounded.
  const double received = host.Received;
  host.AvgExact = (t + (received - 1) * host.AvgExact) / received;
  host.AvgTime = static_cast<std::uint16_t>(host.AvgExact);
  host.CurTime = t;
}

TReplyRecord AccountEchoResult(THostResult& host, const EchoResult& result, const SystemTime& stamp) {
  const TReplyRecord record = MakeReplyRecord(result, stamp);
  StoreReply(host, record);
  CountEchoResult(host, result);
  return record;
}

std::uint32_t ReplyNumber(const THostResult& host, int index) {
  return host.Sent - static_cast<std::uint32_t>(host.ReplyCount()) + 1 + static_cast<std::uint32_t>(index);
}

std::int32_t PingReplyCapacity(bool byMinutes, std::int32_t retries, std::int32_t minutes, std::int32_t delay,
                               bool showReplys) {
  if (!showReplys) return 0;
  std::uint64_t wanted = NonNegative(retries);
  if (byMinutes) {
    const std::uint64_t span = NonNegative(minutes) * MsPerMinute;
    wanted = (delay > 0 ? span / NonNegative(delay) : span) + 1;
  }
  return ClampCapacity(wanted, 1, MaxReplies);
}

std::int32_t RangeHostCapacity(std::uint64_t addresses) { return ClampCapacity(addresses, 1, MaxRangeHosts); }

std::int32_t RangeReplyCapacity(std::uint64_t addresses, bool byMinutes, std::int32_t retries,
                                std::int32_t minutes, std::int32_t timeOut, std::int32_t delay,
                                std::int32_t threads, bool showReplys) {
  if (!showReplys) return 0;
  const auto hosts = static_cast<std::uint64_t>(RangeHostCapacity(addresses));
  const std::uint64_t base = ClampCapacity(RangeReplyBudget / hosts, MinRangeReplies, MaxReplies);
  std::uint64_t wanted = NonNegative(retries);
  if (byMinutes) {
    // One pass hands every address of the range to the pool once; each slot
    // spends at most the timeout on it, then the delay.
    const std::uint64_t pool = std::max<std::uint64_t>(NonNegative(threads), 1);
    std::uint64_t pass =
        NonNegative(timeOut) * std::max<std::uint64_t>(addresses, 1) / pool + NonNegative(delay);
    if (pass == 0) pass = 1;
    wanted = NonNegative(minutes) * MsPerMinute / pass + 1;
  }
  return ClampCapacity(std::min(base, wanted), 1, MaxReplies);
}
