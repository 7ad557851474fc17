#include "engine/ReplyAccounting.h"

#include <gtest/gtest.h>

#include <vector>

#include "pages/RowTexts.h"

namespace {

EchoResult Reply(std::uint32_t time, TReplyStatus status = rsSuccess) {
  EchoResult r;
  r.Status = status;
  r.ReplyIpv4 = 0x0100007F;  // 127.0.0.1
  r.ReplyBytes = 32;
  r.ReplyTtl = 64;
  r.ReplyTime = time;
  return r;
}

EchoResult Lost(TReplyStatus status = rsTimeout) { return Reply(0, status); }

SystemTime Stamp(std::uint16_t year = 2024) {
  SystemTime t;
  t.Year = year;
  t.Month = 3;
  t.Day = 9;
  t.Hour = 7;
  t.Minute = 5;
  t.Second = 59;
  return t;
}

THostResult RowWithStore(int capacity) {
  THostResult host;
  host.ReplyCapacity = capacity;
  host.Replies.reserve(static_cast<std::size_t>(capacity));
  return host;
}

// Each echo's time is its number in the run, so the kept records name themselves.
void Echo(THostResult& host, int count) {
  for (int i = 0; i < count; ++i) AccountEchoResult(host, Reply(host.Sent + 1), Stamp());
}

std::vector<std::uint16_t> StoredNumbers(const THostResult& host) {
  std::vector<std::uint16_t> numbers;
  for (const auto& r : host.Replies) numbers.push_back(r.Time);
  return numbers;
}

std::vector<std::uint16_t> Range(int first, int last) {
  std::vector<std::uint16_t> v;
  for (int i = first; i <= last; ++i) v.push_back(static_cast<std::uint16_t>(i));
  return v;
}

TEST(ReplyStatistics, FirstReplyAfterTwoTimeouts) {
  THostResult host;
  CountEchoResult(host, Lost());
  CountEchoResult(host, Lost());
  EXPECT_EQ(host.CurTime, 0xFFFF);
  CountEchoResult(host, Reply(23));
  EXPECT_EQ(host.Sent, 3u);
  EXPECT_EQ(host.Received, 1u);
  EXPECT_EQ(host.Lost, 2u);
  EXPECT_EQ(host.MinTime, 23);
  EXPECT_EQ(host.MaxTime, 23);
  EXPECT_EQ(host.AvgTime, 23);
  EXPECT_EQ(host.CurTime, 23);
  EXPECT_FALSE(host.FirstReply);
  EXPECT_EQ(LostText(host.Lost, host.Sent), "2 (66%)");
}

TEST(ReplyStatistics, AverageIsExactAndShownCut) {
  THostResult host;
  CountEchoResult(host, Reply(10));
  CountEchoResult(host, Reply(15));
  EXPECT_DOUBLE_EQ(host.AvgExact, 12.5);
  EXPECT_EQ(host.AvgTime, 12);
  CountEchoResult(host, Reply(1));
  CountEchoResult(host, Reply(40));
  EXPECT_DOUBLE_EQ(host.AvgExact, 16.5);
  EXPECT_EQ(host.MinTime, 1);
  EXPECT_EQ(host.MaxTime, 40);
}

TEST(ReplyStatistics, FirstReplyOfZeroMillisecondsSetsTheMinimum) {
  THostResult host;
  CountEchoResult(host, Reply(0));
  CountEchoResult(host, Reply(5));
  EXPECT_EQ(host.MinTime, 0);
  EXPECT_EQ(host.MaxTime, 5);
}

TEST(ReplyStatistics, LossAfterRepliesKeepsTheTimes) {
  THostResult host;
  CountEchoResult(host, Reply(10));
  CountEchoResult(host, Reply(20));
  CountEchoResult(host, Lost(rsPingError));
  EXPECT_EQ(host.CurTime, 0xFFFF);
  EXPECT_EQ(host.MinTime, 10);
  EXPECT_EQ(host.MaxTime, 20);
  EXPECT_EQ(host.AvgTime, 15);
  EXPECT_DOUBLE_EQ(host.AvgExact, 15.0);
  EXPECT_EQ(host.Lost, 1u);
  EXPECT_EQ(host.Received, 2u);
}

TEST(ReplyStatistics, TtlExpiredCountsAsReceived) {
  THostResult host;
  CountEchoResult(host, Reply(4, rsTtlExpired));
  CountEchoResult(host, Reply(8));
  EXPECT_EQ(host.Received, 2u);
  EXPECT_EQ(host.Lost, 0u);
  EXPECT_EQ(host.MinTime, 4);
  EXPECT_EQ(host.AvgTime, 6);
}

TEST(ReplyStatistics, LossPercentageOfLongRunsDoesNotWrap) {
  // Lost × 100 passes 2^32 from 42,949,673 losses on, which a run of
  // 999,999,999 echoes to a dead host reaches.
  THostResult host;
  host.Sent = host.Lost = 49999999;
  CountEchoResult(host, Lost());
  EXPECT_EQ(LostText(host.Lost, host.Sent), "50000000 (100%)");
  CountEchoResult(host, Reply(1));
  EXPECT_EQ(LostText(host.Lost, host.Sent), "50000000 (99%)");
  EXPECT_EQ(LostText(4000000000u, 4200000000u), "4000000000 (95%)");
  EXPECT_EQ(LostText(0, 0), "0 (0%)");
}

TEST(ReplyRecords, TakeTheStampAndTheReply) {
  EchoResult r = Reply(17);
  r.ReplyIpv4 = 0;
  r.ReplyIpv6[15] = 1;
  r.ReplyTtl = 0;
  const TReplyRecord rec = MakeReplyRecord(r, Stamp(2024));
  EXPECT_EQ(rec.Year, 24);
  EXPECT_EQ(rec.Month, 3);
  EXPECT_EQ(rec.Day, 9);
  EXPECT_EQ(rec.Hour, 7);
  EXPECT_EQ(rec.Minute, 5);
  EXPECT_EQ(rec.Second, 59);
  EXPECT_EQ(rec.Ipv4, 0u);
  EXPECT_EQ(rec.Ipv6, r.ReplyIpv6);
  EXPECT_EQ(rec.Bytes, 32);
  EXPECT_EQ(rec.Ttl, 0);
  EXPECT_EQ(rec.Time, 17);
  EXPECT_EQ(rec.Status, rsSuccess);
  EXPECT_EQ(MakeReplyRecord(r, Stamp(2100)).Year, 0);
}

TEST(ReplyRecords, LostEchoKeepsTheLastReplyFields) {
  THostResult host = RowWithStore(4);
  EchoResult lost = Reply(9, rsTimeout);  // the worker's last reply, unchanged
  AccountEchoResult(host, lost, Stamp());
  ASSERT_EQ(host.ReplyCount(), 1);
  EXPECT_EQ(host.Replies[0].Status, rsTimeout);
  EXPECT_EQ(host.Replies[0].Time, 9);
  EXPECT_EQ(host.Replies[0].Ipv4, 0x0100007Fu);
  EXPECT_EQ(host.CurTime, 0xFFFF);
}

TEST(ReplyStore, CapacityOneHoldsTheLatestEcho) {
  THostResult host = RowWithStore(1);
  for (int i = 1; i <= 5; ++i) {
    Echo(host, 1);
    EXPECT_EQ(StoredNumbers(host), Range(i, i));
    EXPECT_EQ(ReplyNumber(host, 0), static_cast<std::uint32_t>(i));
  }
}

TEST(ReplyStore, FullStoreOfTwentyFiveDropsTheTwoOldest) {
  THostResult host = RowWithStore(25);
  Echo(host, 25);
  EXPECT_EQ(host.ReplyCount(), 25);
  Echo(host, 1);
  EXPECT_EQ(host.ReplyCount(), 24);
  EXPECT_EQ(StoredNumbers(host), Range(3, 26));
  EXPECT_EQ(host.Replies[23].Time, 26);
  for (int i = 0; i < host.ReplyCount(); ++i) EXPECT_EQ(ReplyNumber(host, i), host.Replies[i].Time);
}

TEST(ReplyStore, SmallStoreDropsAtLeastOne) {
  THostResult host = RowWithStore(9);
  Echo(host, 10);
  EXPECT_EQ(StoredNumbers(host), Range(2, 10));
}

TEST(ReplyStore, LongRunKeepsTheNewestAndNumbersThem) {
  THostResult host = RowWithStore(100);
  Echo(host, 1234);
  // Full at 100, then 10 dropped per 10 added: 1234 leaves 94 records.
  EXPECT_EQ(StoredNumbers(host), Range(1141, 1234));
  for (int i = 0; i < host.ReplyCount(); ++i) EXPECT_EQ(ReplyNumber(host, i), host.Replies[i].Time);
  EXPECT_LE(host.Replies.capacity(), 100u);
}

TEST(ReplyStore, RowWithoutStoreStillCounts) {
  THostResult host;
  Echo(host, 3);
  EXPECT_EQ(host.ReplyCount(), 0);
  EXPECT_EQ(host.Sent, 3u);
  EXPECT_EQ(host.Received, 3u);
}

TEST(ReplyCapacity, PingModes) {
  EXPECT_EQ(PingReplyCapacity(true, 4, 1, 0, true), 10000);
  EXPECT_EQ(PingReplyCapacity(true, 4, 1, 1000, true), 61);
  EXPECT_EQ(PingReplyCapacity(false, 4, 1, 1000, true), 4);
  EXPECT_EQ(PingReplyCapacity(false, 999999, 1, 1000, true), 10000);
  EXPECT_EQ(PingReplyCapacity(false, 4, 1, 1000, false), 0);
  EXPECT_EQ(PingReplyCapacity(true, 4, 60000, 1000, true), 10000);
  // 60,000 minutes are 3.6e9 ms: a 32-bit product would turn negative.
  EXPECT_EQ(PingReplyCapacity(true, 4, 60000, 999999999, true), 4);
}

TEST(ReplyCapacity, RangeBaseSharesOutOneGibibyte) {
  EXPECT_EQ(RangeReplyCapacity(1, false, 999999, 1, 1000, 0, 1, true), 10000);
  EXPECT_EQ(RangeReplyCapacity(2982, false, 999999, 1, 1000, 0, 1, true), 10000);
  EXPECT_EQ(RangeReplyCapacity(2983, false, 999999, 1, 1000, 0, 1, true), 9998);
  EXPECT_EQ(RangeReplyCapacity(59652, false, 999999, 1, 1000, 0, 1, true), 500);
  EXPECT_EQ(RangeReplyCapacity(16777216, false, 999999, 1, 1000, 0, 1, true), 500);
  EXPECT_EQ(RangeHostCapacity(16777216), 65536);
  EXPECT_EQ(RangeHostCapacity(11), 11);
  EXPECT_EQ(RangeReplyCapacity(11, false, 4, 1, 1000, 0, 1, true), 4);
  EXPECT_EQ(RangeReplyCapacity(11, false, 4, 1, 1000, 0, 1, false), 0);
}

TEST(ReplyCapacity, RangeByMinutesCountsPasses) {
  // 256 addresses, 100 slots, timeout 1000, delay 500: a pass takes
  // 2,560 + 500 ms, so 10 minutes make 196 passes, plus one.
  EXPECT_EQ(RangeReplyCapacity(256, true, 4, 10, 1000, 500, 100, true), 197);
  // Timeout × addresses = 60,000 × 65,536 passes 2^32; one slot, 1 minute:
  // at most one pass.
  EXPECT_EQ(RangeReplyCapacity(65536, true, 4, 1, 60000, 0, 1, true), 1);
  // A zero pass time counts as 1 ms.
  EXPECT_EQ(RangeReplyCapacity(1, true, 4, 1, 0, 0, 500, true), 10000);
}

}  // namespace
