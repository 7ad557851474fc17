#include "engine/HandOff.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <future>
#include <stdexcept>
#include <thread>
#include <vector>

#include "EngineTestSupport.h"

namespace {

class HandOffTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureTestApplication();
    OpenHandOffGate();
  }
  void TearDown() override {
    OpenHandOffGate();
    EXPECT_EQ(PendingHandOffs(), 0);
  }
};

TEST_F(HandOffTest, RunsOnTheUserInterfaceThreadAndBlocksUntilDone) {
  const std::thread::id uiThread = std::this_thread::get_id();
  std::atomic<bool> returned{false};
  std::atomic<bool> fnRan{false};
  bool ranOnUi = false;
  bool callerWaitedThroughFn = false;
  bool result = false;

  std::thread caller([&] {
    result = Synchronize([&] {
      ranOnUi = std::this_thread::get_id() == uiThread;
      // Had the caller not been blocked it would have returned by now.
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      callerWaitedThroughFn = !returned.load();
      fnRan = true;
    });
    returned = true;
  });

  // Without the user-interface thread turning its loop, nothing runs and the
  // caller stays blocked.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(fnRan.load());
  EXPECT_FALSE(returned.load());

  EXPECT_TRUE(SpinUntil([&] { return returned.load(); }));
  caller.join();
  EXPECT_TRUE(result);
  EXPECT_TRUE(ranOnUi);
  EXPECT_TRUE(callerWaitedThroughFn);
}

TEST_F(HandOffTest, ManyThreadsAreServedOneAtATime) {
  // The counter and the callers' own fields are deliberately plain: handed
  // functions never run at the same time and the callers wait meanwhile.
  constexpr int Threads = 8;
  constexpr int Rounds = 40;
  long counter = 0;
  std::vector<int> own(Threads, 0);
  std::atomic<int> finished{0};
  std::vector<std::thread> callers;
  for (int t = 0; t < Threads; ++t) {
    callers.emplace_back([&, t] {
      for (int r = 0; r < Rounds; ++r) {
        own[t] = r + 1;
        Synchronize([&] { counter += own[t]; });
      }
      ++finished;
    });
  }
  EXPECT_TRUE(SpinUntil([&] { return finished.load() == Threads; }));
  for (auto& c : callers) c.join();
  EXPECT_EQ(counter, Threads * Rounds * (Rounds + 1) / 2);
}

TEST_F(HandOffTest, ExceptionsStayOnTheUserInterfaceThread) {
  std::atomic<bool> returned{false};
  bool result = false;
  std::thread caller([&] {
    result = Synchronize([] { throw std::runtime_error("callback failed"); });
    returned = true;
  });
  EXPECT_TRUE(SpinUntil([&] { return returned.load(); }));
  caller.join();
  EXPECT_TRUE(result);

  // The next hand-off is served as usual.
  int value = 0;
  std::thread next([&] { Synchronize([&] { value = 7; }); });
  EXPECT_TRUE(SpinUntil([&] { return value == 7; }));
  next.join();
}

TEST_F(HandOffTest, OnTheUserInterfaceThreadRunsDirectly) {
  int value = 0;
  EXPECT_TRUE(Synchronize([&] { value = 1; }));
  EXPECT_EQ(value, 1);
}

TEST_F(HandOffTest, ClosedGateNeitherRunsNorBlocks) {
  CloseHandOffGate();
  EXPECT_FALSE(HandOffGateOpen());
  bool ran = false;
  // The user-interface thread serves nothing while it waits here, so a
  // blocking hand-off would time the future out.
  auto result = std::async(std::launch::async, [&] { return Synchronize([&] { ran = true; }); });
  ASSERT_EQ(result.wait_for(std::chrono::seconds(2)), std::future_status::ready);
  EXPECT_FALSE(result.get());
  EXPECT_FALSE(ran);
  EXPECT_FALSE(Synchronize([&] { ran = true; }));
  EXPECT_FALSE(ran);
}

TEST_F(HandOffTest, ClosingReleasesQueuedHandOffsWithoutRunningThem) {
  std::atomic<int> returned{0};
  std::atomic<int> ran{0};
  std::vector<std::thread> callers;
  for (int i = 0; i < 4; ++i)
    callers.emplace_back([&] {
      if (!Synchronize([&] { ++ran; })) ++returned;
    });
  ASSERT_TRUE(WaitUntil([&] { return PendingHandOffs() == 4; }));

  CloseHandOffGate();
  const auto start = std::chrono::steady_clock::now();
  while (returned.load() < 4 && MillisecondsSince(start) < 2000) {
    ServePendingHandOffs();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  for (auto& c : callers) c.join();
  EXPECT_EQ(returned.load(), 4);
  EXPECT_EQ(ran.load(), 0);
}

}  // namespace
