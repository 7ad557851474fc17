// The user-interface side of a range run's bookkeeping: the dispatch slots
// with unusable workers, the index of answering hosts against the
// front-to-back search it replaces, and the range editors' addresses.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <thread>

#include "engine/RangeHostIndex.h"
#include "engine/RangeRunStart.h"
#include "engine/RangeSlots.h"

namespace {

using Table = RangeSlots::Table;

TEST(RangeSlots, AddressesGoToTheLowestFreeSlotUntilAllAreBusy) {
  RangeSlots slots(3);
  Table dispatch{};
  EXPECT_EQ(slots.HandOut(dispatch, 11), RangeSlots::Outcome::Handed);
  EXPECT_EQ(slots.HandOut(dispatch, 12), RangeSlots::Outcome::Handed);
  dispatch[0] = 0;  // worker 0 is done
  EXPECT_EQ(slots.HandOut(dispatch, 13), RangeSlots::Outcome::Handed);
  EXPECT_EQ(slots.HandOut(dispatch, 14), RangeSlots::Outcome::Handed);
  EXPECT_EQ(slots.HandOut(dispatch, 15), RangeSlots::Outcome::AllBusy);
  EXPECT_EQ((std::vector<std::uint32_t>{dispatch[0], dispatch[1], dispatch[2], dispatch[3]}),
            (std::vector<std::uint32_t>{13, 12, 14, 0}));  // slot 3 is beyond the pool
  EXPECT_FALSE(slots.Drained(dispatch));
  dispatch = {};
  EXPECT_TRUE(slots.Drained(dispatch));
}

TEST(RangeSlots, AnUnusableSlotIsSkippedCountsAsFreeAndGivesBackWhatItNeverTook) {
  RangeSlots slots(3);
  Table dispatch{};
  ASSERT_EQ(slots.HandOut(dispatch, 21), RangeSlots::Outcome::Handed);  // slot 0
  ASSERT_EQ(slots.HandOut(dispatch, 22), RangeSlots::Outcome::Handed);  // slot 1
  // Worker 0 never took 21 (it had no socket); worker 1 failed on 22 itself.
  slots.MarkUnusable(dispatch, 0, 0);
  slots.MarkUnusable(dispatch, 1, 22);
  EXPECT_EQ(slots.UsableSlots(), 1);
  EXPECT_EQ(slots.Waiting(), 1);
  EXPECT_EQ(dispatch[0], 0u);
  EXPECT_EQ(dispatch[1], 0u);
  // The given-back address goes first, to the one slot left.
  EXPECT_EQ(slots.HandOut(dispatch, 23), RangeSlots::Outcome::AllBusy);
  EXPECT_EQ(dispatch[2], 21u);
  EXPECT_FALSE(slots.Drained(dispatch));
  dispatch[2] = 0;
  EXPECT_EQ(slots.HandOut(dispatch, 23), RangeSlots::Outcome::Handed);
  EXPECT_EQ(dispatch[2], 23u);
  dispatch[2] = 0;
  EXPECT_TRUE(slots.Drained(dispatch));
  slots.MarkUnusable(dispatch, 2, 0);
  slots.MarkUnusable(dispatch, 2, 0);  // twice changes nothing
  EXPECT_EQ(slots.UsableSlots(), 0);
  EXPECT_EQ(slots.HandOut(dispatch, 24), RangeSlots::Outcome::NoneUsable);
  EXPECT_TRUE(slots.Drained(dispatch));
}

TEST(RangeSlots, EveryAddressPutIntoASlotRingsItsBell) {
  RangeSlots slots(2);
  Table dispatch{};
  ASSERT_EQ(slots.HandOut(dispatch, 41), RangeSlots::Outcome::Handed);
  EXPECT_EQ(slots.Bell(0).Wait(0), 41u);
  EXPECT_EQ(slots.Bell(0).Wait(0), 0u);  // taken once
  EXPECT_EQ(slots.Bell(1).Wait(0), 0u);
  ASSERT_EQ(slots.HandOut(dispatch, 42), RangeSlots::Outcome::Handed);  // slot 1
  slots.MarkUnusable(dispatch, 1, 0);                                   // never taken: given back
  dispatch[0] = 0;
  EXPECT_FALSE(slots.Drained(dispatch));
  EXPECT_EQ(dispatch[0], 42u);
  EXPECT_EQ(slots.Bell(0).Wait(0), 42u);
  EXPECT_EQ(slots.Bell(1).Wait(0), 42u);  // rung there first, kept until someone takes it

  // A woken bell ends a waiting worker's wait at once, and every later one.
  std::thread worker([&] { EXPECT_EQ(slots.Bell(1).Wait(60'000), 0u); });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  const auto woken = std::chrono::steady_clock::now();
  slots.Bell(1).Wake();
  worker.join();
  EXPECT_LT(std::chrono::steady_clock::now() - woken, std::chrono::seconds(5));
  EXPECT_EQ(slots.Bell(1).Wait(60'000), 0u);
}

TEST(RangeSlots, TheLastUnusableSlotAbandonsWhatWasWaiting) {
  RangeSlots slots(1);
  Table dispatch{};
  ASSERT_EQ(slots.HandOut(dispatch, 31), RangeSlots::Outcome::Handed);
  slots.MarkUnusable(dispatch, 0, 0);
  EXPECT_EQ(slots.Waiting(), 0);
  EXPECT_TRUE(slots.Drained(dispatch));
  EXPECT_EQ(RangeSlots(0).Slots(), 1);
  EXPECT_EQ(RangeSlots(900).Slots(), MaxPoolThreads);
}

// The record a front-to-back search over the page finds, as replies used to
// be matched to hosts.
int LinearFind(const TRangePingPage& page, std::uint32_t ipv4) {
  for (int k = 0; k < page.HostCount; ++k)
    if (page.Hosts[static_cast<std::size_t>(k)]->Ipv4 == ipv4) return k;
  return -1;
}

TRangePingPage RangePage(int capacity, int replies) {
  TRangePingPage page;
  page.HostCapacity = capacity;
  page.Hosts.resize(static_cast<std::size_t>(capacity));
  page.ReplyCapacity = replies;
  return page;
}

TEST(RangeHostIndex, FindsExactlyWhatTheLinearSearchFindsOverALongRun) {
  TRangePingPage page = RangePage(4000, 0);
  RangeHostIndex index;
  std::mt19937 random(5);
  std::uniform_int_distribution<std::uint32_t> address(1, 6000);
  int adds = 0;
  for (int reply = 0; reply < 30000; ++reply) {
    const std::uint32_t ipv4 = address(random);
    const int expected = LinearFind(page, ipv4);
    ASSERT_EQ(index.Find(page, ipv4), expected) << reply;
    if (expected < 0) {
      const int k = index.Add(page, ipv4);
      if (adds < 4000) {
        ASSERT_EQ(k, adds++);
      } else {
        ASSERT_EQ(k, -1);  // the list is full: new hosts are dropped
      }
    }
  }
  EXPECT_EQ(page.HostCount, 4000);
}

TEST(RangeHostIndex, ANewRecordIsWhatTheGridRowNeeds) {
  TRangePingPage page = RangePage(2, 7);
  RangeHostIndex index;
  ASSERT_EQ(index.Add(page, 0x0A00000Au), 0);  // network order of 10.0.0.10
  const THostResult& host = *page.Hosts[0];
  EXPECT_EQ(host.State, 0);
  EXPECT_EQ(host.Address, "10.0.0.10");
  EXPECT_EQ(host.HostName, "");
  EXPECT_EQ(host.ReplyCapacity, 7);
  EXPECT_EQ(host.Replies.capacity(), 7u);
  EXPECT_TRUE(host.FirstReply);
  EXPECT_EQ(host.Sent, 0u);
}

TEST(RangeHostIndex, FollowsAPageWhoseListWasReplacedOrChanged) {
  TRangePingPage page = RangePage(10, 0);
  RangeHostIndex index;
  ASSERT_EQ(index.Add(page, 5), 0);
  ASSERT_EQ(index.Add(page, 6), 1);
  // Clear result and a new Start: a fresh list, other records.
  page = RangePage(10, 0);
  EXPECT_EQ(index.Find(page, 5), -1);
  page.Hosts[0] = std::make_unique<THostResult>();
  page.Hosts[0]->Ipv4 = 6;
  page.HostCount = 1;  // added behind the index's back
  EXPECT_EQ(index.Find(page, 6), 0);
  page.Hosts[0]->Ipv4 = 7;  // changed behind its back
  EXPECT_EQ(index.Find(page, 6), -1);
  EXPECT_EQ(index.Find(page, 7), 0);
}

TEST(RangeAddresses, TheEditorsAddressesBoundARangeUnlessTheyMeanNoAddress) {
  EXPECT_EQ(ParseRangeAddress("192.168.1.10"), 0xC0A8010Au);
  EXPECT_EQ(ParseRangeAddress("10.1"), 0x0A000001u);  // the classic short form
  EXPECT_EQ(ParseRangeAddress("255.255.255.254"), 0xFFFFFFFEu);
  for (const char* bad : {"", " ", "0.0.0.0", "0", "255.255.255.255", "1.2.3.4.5", "256.1.1.1", "1.2.3.4x",
                          "1..2.3", "a.b.c.d"})
    EXPECT_EQ(ParseRangeAddress(bad), std::nullopt) << bad;
}

TEST(RangeAddresses, APagesBoundsComeLowestFirst) {
  TRangePingPage page;
  page.From = "10.0.1.0";
  page.To = "10.0.0.255";
  const std::optional<RangeBounds> bounds = RangeBoundsOfPage(page);
  ASSERT_TRUE(bounds);
  EXPECT_EQ(bounds->From, 0x0A0000FFu);
  EXPECT_EQ(bounds->Addresses(), 2u);
  page.From = "1.0.0.0";
  page.To = "255.255.255.254";
  EXPECT_EQ(RangeBoundsOfPage(page)->Addresses(), 4278190079u);  // beyond 32 bits counts right
}

TEST(RangeAddresses, SettingsAreClampedAndATaskReplacesCountAndMode) {
  TRangePingPage page;
  page.Threads = 900;
  page.TimeOut = 50;
  page.Retries = 0;
  page.Delay = -5;
  page.Bytes = 70000;
  RangeRunSettings settings = RangeRunSettingsOfPage(page, nullptr);
  EXPECT_EQ(settings.Threads, 500);
  EXPECT_EQ(settings.TimeOut, 100);
  EXPECT_EQ(settings.Retries, 1);
  EXPECT_EQ(settings.Delay, 0);
  EXPECT_EQ(settings.Bytes, 65500);
  const TaskRunValues task{5'000'000, 7, true};
  settings = RangeRunSettingsOfPage(page, &task);
  EXPECT_EQ(settings.Retries, 999'999);
  EXPECT_EQ(settings.Minutes, 7);
  EXPECT_TRUE(settings.ByMinutes);
}

}  // namespace
