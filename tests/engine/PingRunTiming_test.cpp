// The delay between echoes, names that arrive late, and shutdown while Ping
// runs are active, against the fake echo.
#include <gtest/gtest.h>

#include <string>

#include "PingRunFixture.h"
#include "engine/HandOff.h"
#include "engine/RunShutdown.h"

namespace {

using Clock = std::chrono::steady_clock;

long long Between(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(b - a).count();
}

class PingTimingTest : public PingRunTest {
 protected:
  // The send-to-send gaps of a count run of `retries` echoes.
  std::vector<long long> Gaps(int retries, int delay) {
    TPingPage& page = AddPage("127.0.0.1");
    page.Retries = retries;
    page.Delay = delay;
    Start(page);
    EXPECT_TRUE(WaitIdle(page));
    const auto log = icmp_.Log();
    std::vector<long long> gaps;
    for (std::size_t i = 1; i < log.size(); ++i) gaps.push_back(Between(log[i - 1].at, log[i].at));
    return gaps;
  }
};

TEST_F(PingTimingTest, WithoutDelayTheNextEchoFollowsAtOnce) {
  for (long long gap : Gaps(5, 0)) EXPECT_LT(gap, 90);  // no sleep step of 100 ms
}

TEST_F(PingTimingTest, AShortDelayIsSleptOnceFromTheSend) {
  for (long long gap : Gaps(3, 50)) {
    EXPECT_GE(gap, 50);
    EXPECT_LT(gap, 400);  // one step of 50 ms, not a 100 ms step or more
  }
}

TEST_F(PingTimingTest, ALongDelayIsSleptInStepsOf100UntilItHasPassed) {
  // 100, 200, 300 ms: the first step count beyond 250 ms.
  for (long long gap : Gaps(2, 250)) {
    EXPECT_GE(gap, 295);
    EXPECT_LT(gap, 700);
  }
}

TEST_F(PingTimingTest, OneRetryStillWaitsTheDelayBeforeTheWorkerEnds) {
  TPingPage& page = AddPage("127.0.0.1");
  page.Retries = 1;
  page.Delay = 150;
  const auto start = Clock::now();
  Start(page);
  ASSERT_TRUE(WaitIdle(page));
  EXPECT_GE(MillisecondsSince(start), 150);
  EXPECT_EQ(icmp_.Echoes(), 1);
  EXPECT_EQ(page.Hosts[0].Sent, 1u);
}

TEST_F(PingTimingTest, AStopIsNoticedDuringALongDelay) {
  TPingPage& page = AddPage("127.0.0.1");
  page.Retries = 10;
  page.Delay = 100000;
  Start(page);
  ASSERT_TRUE(SpinUntil([&] { return page.Hosts[0].Sent == 1; }));
  Stop(page);
  const auto stopped = Clock::now();
  ASSERT_TRUE(WaitAllEnded(std::chrono::seconds(3)));
  // One poll of the controller plus one sleep step of the worker, not the delay.
  EXPECT_LT(MillisecondsSince(stopped), 2000);
}

TEST_F(PingTimingTest, TheNameOfTheAddressFillsInCutTo96Bytes) {
  resolver_.names["127.0.0.1"] = std::string(100, 'n');
  TPingPage& named = AddPage("127.0.0.1");
  TPingPage& numeric = AddPage("::1");
  for (TPingPage* page : {&named, &numeric}) {
    // Echoes that last long enough for the lookup to answer during them.
    page->Retries = 3;
    page->Delay = 100;
    page->ResolveHostName = true;
    Start(*page);
  }
  ASSERT_TRUE(WaitIdle(named));
  ASSERT_TRUE(WaitIdle(numeric));
  EXPECT_EQ(named.Hosts[0].HostName, std::string(96, 'n'));
  // The shown page's row was told; the name of ::1 is only its own text,
  // which is no name.
  EXPECT_NE(std::find(view_.changedRows.begin(), view_.changedRows.end(), 0), view_.changedRows.end());
  EXPECT_EQ(numeric.Hosts[0].HostName, "");
  EXPECT_EQ(resolver_.ReverseLookups(), 2);
}

TEST_F(PingTimingTest, ANameArrivingAfterTheEchoesIsDropped) {
  resolver_.names["127.0.0.1"] = "late.example";
  resolver_.CloseGate();
  TPingPage& page = AddPage("127.0.0.1");
  page.Retries = 1;
  page.Delay = 0;
  page.ResolveHostName = true;
  Start(page);
  ASSERT_TRUE(SpinUntil([&] { return page.HostCount == 1 && page.Hosts[0].Sent == 1; }));
  ASSERT_TRUE(SpinUntil([&] { return resolver_.Waiting() == 1; }));
  // The worker now waits for its lookup, which it has marked terminated.
  SpinUntil([] { return false; }, std::chrono::milliseconds(200));
  EXPECT_NE(page.Worker, nullptr);
  EXPECT_EQ(page.FinishedWorkers, 0);
  resolver_.OpenGate();
  ASSERT_TRUE(WaitIdle(page));
  EXPECT_EQ(page.Hosts[0].HostName, "");
}

TEST_F(PingTimingTest, ShutdownEndsActiveRunsAndFreezesTheirPages) {
  TPingPage& first = AddPage("127.0.0.1");
  first.ByMinutes = true;
  first.Delay = 1000;
  TPingPage& second = AddPage("::1");
  second.ByMinutes = true;
  second.Delay = 0;
  second.ResolveHostName = true;
  Start(first);
  Start(second);
  ASSERT_TRUE(SpinUntil([&] { return first.Hosts[0].Sent >= 1 && second.Hosts[0].Sent >= 5; }));

  const auto start = Clock::now();
  const ShutdownOutcome outcome = ShutdownRunThreads(std::chrono::seconds(3));
  EXPECT_TRUE(outcome.allEnded);
  EXPECT_EQ(outcome.stillRunning, 0);
  EXPECT_LT(MillisecondsSince(start), 2000);
  EXPECT_EQ(first.Worker, nullptr);
  EXPECT_EQ(second.Worker, nullptr);
  EXPECT_EQ(RunThread::LiveThreads(), 0);
  // A run that shutdown ended did not end by itself: no end-of-run actions.
  EXPECT_TRUE(FinishedIndexes().empty());
}

TEST_F(PingTimingTest, ShutdownGivesUpOnAnEchoStuckBeyondTheBound) {
  TPingPage& page = AddPage("127.0.0.1");
  page.Retries = 1;
  icmp_.CloseGate();
  Start(page);
  ASSERT_TRUE(SpinUntil([&] { return icmp_.Waiting() == 1; }));
  const auto start = Clock::now();
  const ShutdownOutcome outcome = ShutdownRunThreads(std::chrono::milliseconds(300));
  const long long took = MillisecondsSince(start);
  EXPECT_FALSE(outcome.allEnded);
  // The worker in its echo; its controller, once terminated, ended at once.
  EXPECT_EQ(outcome.stillRunning, 1);
  EXPECT_GE(took, 300);
  EXPECT_LT(took, 1000);
  // Once the echo returns, the threads end on their own without a page.
  const std::uint32_t sent = page.Hosts[0].Sent;
  icmp_.OpenGate();
  ASSERT_TRUE(WaitAllEnded());
  EXPECT_EQ(page.Hosts[0].Sent, sent);
}

}  // namespace
