#pragma once

#include <cstdint>

#include "pages/PageTypes.h"
#include "pages/TextHelpers.h"
#include "platform/SystemTime.h"

// What one echo result does to its row: the statistics, the bounded reply
// store and the reply record. Pure data work; the callbacks that call it run
// on the user-interface thread.

// One echo's outcome as a worker hands it over. For a lost echo ("Timeout",
// "Ping error") the reply fields still hold the worker's last received reply,
// zero before the first, and are stored as such.
struct EchoResult {
  TReplyStatus Status = rsTimeout;
  std::uint32_t ReplyIpv4 = 0;  // network order; 0 = the address is in ReplyIpv6
  Ipv6Bytes ReplyIpv6{};
  std::uint32_t ReplyBytes = 0;
  std::uint32_t ReplyTtl = 0;
  std::uint32_t ReplyTime = 0;  // ms
};

// "Success" and "TTL expired" count as received; they carry a time.
bool IsReceivedStatus(std::uint8_t status);

// The record stored for a result handed over at `stamp` (local time, taken on
// the user-interface thread when the result arrives). Fields narrower than
// the result keep their low bits.
TReplyRecord MakeReplyRecord(const EchoResult& result, const SystemTime& stamp);

// Appends to the row's store; a full store first drops its oldest tenth, at
// least one record. Rows without a store (ReplyCapacity 0) are left alone.
void StoreReply(THostResult& host, const TReplyRecord& record);

// Sent, Received, Lost and the times of the row; a lost echo sets CurTime to
// LostEchoTime (pages/RowTexts.h), which the list shows as "Timeout".
void CountEchoResult(THostResult& host, const EchoResult& result);

// Both of the above, in the order readers rely on: the store first, then the
// counters, so entry i of the store is echo Sent - ReplyCount + 1 + i.
// Returns the record, which the replies grid shows as echo number Sent.
TReplyRecord AccountEchoResult(THostResult& host, const EchoResult& result, const SystemTime& stamp);

// The run's echo number of store entry `index`.
std::uint32_t ReplyNumber(const THostResult& host, int index);

// Reply records kept per row for a run of the Ping, Multi ping, Trace route
// and Path ping modes: by minutes one per delay period plus one (a delay of 0
// counts as 1 ms), by count the echo count; within 1..MaxReplies, and 0 when
// replies are not shown. Minutes × 60,000 reaches 3.6e9, so it is 64-bit.
std::int32_t PingReplyCapacity(bool byMinutes, std::int32_t retries, std::int32_t minutes, std::int32_t delay,
                               bool showReplys);

// Host records a range run can hold: the number of addresses, at most MaxRangeHosts.
std::int32_t RangeHostCapacity(std::uint64_t addresses);

// Reply records kept per answering host of a range run: 1 GiB of records
// shared out among the range (500..MaxReplies per host), lowered to the
// passes the run can make; at least 1, and 0 when replies are not shown.
std::int32_t RangeReplyCapacity(std::uint64_t addresses, bool byMinutes, std::int32_t retries,
                                std::int32_t minutes, std::int32_t timeOut, std::int32_t delay,
                                std::int32_t threads, bool showReplys);
