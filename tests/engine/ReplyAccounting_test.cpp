// What one echo result does to its row, how many replies a run keeps, and where a result goes:
// to the page of its run only, to the view only when shown.
#include "engine/ReplyAccounting.h"

#include <gtest/gtest.h>

#include "RunFixture.h"
#include "engine/RunCallback.h"
#include "pages/RowTexts.h"

namespace {

EchoResult Reply(std::uint32_t time, TReplyStatus status = rsSuccess) {
  EchoResult r;
  r.Status = status;
  r.ReplyIpv4 = 0x0100007F;
  r.ReplyTtl = 64;
  r.ReplyTime = time;
  return r;
}

TEST(ReplyAccounting, CountsTimesTheExactAverageAndStoresALostEchoWithTheLastReply) {
  THostResult host;
  host.ReplyCapacity = 10;
  for (const EchoResult& result :
       {Reply(9, rsTimeout), Reply(0), Reply(15, rsTtlExpired), Reply(40), Reply(0, rsPingError)})
    AccountEchoResult(host, result, LocalTimeNow());
  EXPECT_EQ(host.Sent, 5u);
  EXPECT_EQ(host.Received, 3u);
  EXPECT_EQ(host.Lost, 2u);
  EXPECT_EQ(host.MinTime, 0);  // a first reply of 0 ms is the minimum
  EXPECT_EQ(host.MaxTime, 40);
  EXPECT_DOUBLE_EQ(host.AvgExact, 55.0 / 3);
  EXPECT_EQ(host.AvgTime, 18);            // shown cut
  EXPECT_EQ(host.CurTime, LostEchoTime);  // after a loss
  const TReplyRecord& lost = host.Replies[0];
  EXPECT_EQ(lost.Status, rsTimeout);
  EXPECT_EQ(lost.Time, 9);  // the fields the worker's last answer left
  EXPECT_EQ(lost.Ipv4, 0x0100007Fu);
}

TEST(ReplyAccounting, AFullStoreDropsItsOldestTenthAndKeepsTheNumbering) {
  struct Case {
    int capacity, echoes, firstKept;
  };
  // Full at 100, then 10 dropped per 10 added: 1234 echoes leave 1141..1234.
  for (const Case c :
       {Case{1, 5, 5}, Case{9, 10, 2}, Case{25, 26, 3}, Case{100, 1234, 1141}, Case{0, 3, 4}}) {
    SCOPED_TRACE(c.capacity);
    THostResult host;
    host.ReplyCapacity = c.capacity;
    host.Replies.reserve(static_cast<std::size_t>(c.capacity));
    for (int i = 0; i < c.echoes; ++i) AccountEchoResult(host, Reply(host.Sent + 1), LocalTimeNow());
    ASSERT_EQ(host.ReplyCount(), c.echoes - c.firstKept + 1);
    for (int i = 0; i < host.ReplyCount(); ++i) {
      EXPECT_EQ(host.Replies[static_cast<std::size_t>(i)].Time, c.firstKept + i);
      EXPECT_EQ(ReplyNumber(host, i), static_cast<std::uint32_t>(c.firstKept + i));
    }
    EXPECT_LE(host.Replies.capacity(), static_cast<std::size_t>(c.capacity));
  }
}

TEST(ReplyAccounting, TheCapacityFollowsTheRunWithoutWrappingItsProducts) {
  EXPECT_EQ(PingReplyCapacity(true, 4, 1, 0, true), 10000);
  EXPECT_EQ(PingReplyCapacity(true, 4, 1, 1000, true), 61);
  EXPECT_EQ(PingReplyCapacity(false, 4, 1, 1000, true), 4);
  EXPECT_EQ(PingReplyCapacity(false, 999999, 1, 1000, true), 10000);
  EXPECT_EQ(PingReplyCapacity(false, 4, 1, 1000, false), 0);
  EXPECT_EQ(PingReplyCapacity(true, 4, 60000, 999999999, true), 4);  // 3.6e9 ms in 64 bits
  // A range shares out 1 GiB of records, 500..10,000 per host, at most 65,536 hosts.
  EXPECT_EQ(RangeReplyCapacity(2982, false, 999999, 1, 1000, 0, 1, true), 10000);
  EXPECT_EQ(RangeReplyCapacity(2983, false, 999999, 1, 1000, 0, 1, true), 9998);
  EXPECT_EQ(RangeReplyCapacity(16777216, false, 999999, 1, 1000, 0, 1, true), 500);
  EXPECT_EQ(RangeHostCapacity(16777216), 65536);
  EXPECT_EQ(RangeReplyCapacity(11, false, 4, 1, 1000, 0, 1, true), 4);
  EXPECT_EQ(RangeReplyCapacity(11, false, 4, 1, 1000, 0, 1, false), 0);
  // By minutes, the passes: 2,560 + 500 ms each make 196 in 10 minutes, plus one.
  EXPECT_EQ(RangeReplyCapacity(256, true, 4, 10, 1000, 500, 100, true), 197);
  EXPECT_EQ(RangeReplyCapacity(65536, true, 4, 1, 60000, 0, 1, true), 1);  // 60,000 × 65,536 in 64 bits
  EXPECT_EQ(RangeReplyCapacity(1, true, 4, 1, 0, 0, 500, true), 10000);    // a pass of 0 ms counts 1
}

using ReplyRouting = RunFixture;

TEST_F(ReplyRouting, AResultReachesOnlyThePageOfItsRunAndTheViewOnlyWhenShown) {
  for (int capacity : {10, 0}) {  // pages 0 and 1; page 1 keeps no replies
    TPingPage& page = AddPage(Mode::Ping, "");
    page.HostCount = 2;
    page.SelectedHost = 0;
    page.ReplyCapacity = page.Hosts[0].ReplyCapacity = capacity;
  }
  LambdaThread worker([](LambdaThread&) {});
  for (int shown : {0, 1}) {
    PingRegistry.Current = shown;
    for (int row : {0, 1}) EXPECT_TRUE(AddReplyOfRun(PingRegistry, worker, {0, 0}, row, Reply(5)));
    EXPECT_TRUE(AddReplyOfRun(PingRegistry, worker, {1, 0}, 0, Reply(7)));
    EXPECT_FALSE(AddReplyOfRun(PingRegistry, worker, {0, -1}, 0, Reply(8)));  // an earlier run
    EXPECT_FALSE(AddReplyOfRun(PingRegistry, worker, {2, 0}, 0, Reply(8)));   // a deleted page
  }
  worker.Terminate();
  EXPECT_FALSE(AddReplyOfRun(PingRegistry, worker, {0, 0}, 0, Reply(9)));
  EXPECT_EQ(PingRegistry.Pages[0]->Hosts[0].Sent, 2u);
  const RecordingView& view = ViewOf(Mode::Ping);
  EXPECT_EQ(view.changed, (std::vector<int>{0, 1, 0}));  // the shown page's rows
  ASSERT_EQ(view.gridLines.size(), 1u);                  // the selected row's, when kept
  EXPECT_EQ(view.gridLines[0].first, 1u);
}

}  // namespace
