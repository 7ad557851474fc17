// The hand-off under load: requests that queue up while the user-interface
// thread is busy are served together, and the gate closes between two of
// them and for threads the user-interface thread will never serve.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "EngineTestSupport.h"
#include "engine/HandOff.h"

namespace {

class HandOffBatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureTestApplication();
    OpenHandOffGate();
    InstallHandOff();
  }
  void TearDown() override {
    OpenHandOffGate();
    EXPECT_TRUE(SpinUntil([] { return PendingHandOffs() == 0; }));
  }
};

TEST_F(HandOffBatchTest, RequestsQueuedMeanwhileAreServedInOneGo) {
  constexpr int Threads = 6;
  std::vector<int> order;
  std::atomic<int> returned{0};
  std::vector<std::thread> callers;
  for (int t = 0; t < Threads; ++t)
    callers.emplace_back([&, t] {
      if (Synchronize([&] { order.push_back(t); })) ++returned;
    });
  // Nothing runs until this thread serves, however long the callers wait.
  ASSERT_TRUE(WaitUntil([] { return PendingHandOffs() == Threads; }));
  EXPECT_TRUE(order.empty());
  ServePendingHandOffs();
  EXPECT_EQ(order.size(), static_cast<std::size_t>(Threads));
  for (auto& c : callers) c.join();
  EXPECT_EQ(returned.load(), Threads);
  EXPECT_EQ(PendingHandOffs(), 0);
}

TEST_F(HandOffBatchTest, AGateClosedByOneCallbackStopsTheRestOfTheBatch) {
  // The first callback to run closes the gate, as shutdown does between
  // two callbacks; the others of the same batch must not run.
  constexpr int Threads = 5;
  std::atomic<int> ran{0};
  std::atomic<int> refused{0};
  std::vector<std::thread> callers;
  for (int t = 0; t < Threads; ++t)
    callers.emplace_back([&] {
      const bool served = Synchronize([&] {
        ++ran;
        CloseHandOffGate();
      });
      if (!served) ++refused;
    });
  ASSERT_TRUE(WaitUntil([] { return PendingHandOffs() == Threads; }));
  ServePendingHandOffs();
  for (auto& c : callers) c.join();
  EXPECT_EQ(ran.load(), 1);
  EXPECT_EQ(refused.load(), Threads - 1);
}

TEST_F(HandOffBatchTest, ClosingFreesWaitingThreadsThatNobodyServes) {
  // The user-interface thread never turns its loop here: closing the gate
  // alone must let every waiting thread go.
  std::atomic<int> returned{0};
  std::vector<std::thread> callers;
  for (int i = 0; i < 3; ++i)
    callers.emplace_back([&] {
      if (!Synchronize([] { ADD_FAILURE() << "ran behind a closed gate"; })) ++returned;
    });
  ASSERT_TRUE(WaitUntil([] { return PendingHandOffs() == 3; }));
  CloseHandOffGate();
  EXPECT_TRUE(WaitUntil([&] { return returned.load() == 3; }, std::chrono::seconds(2)));
  for (auto& c : callers) c.join();
  // The wake-up still queued for them finds nothing to run.
  EXPECT_TRUE(SpinUntil([] { return PendingHandOffs() == 0; }));
}

}  // namespace
