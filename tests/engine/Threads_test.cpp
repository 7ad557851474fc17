// The thread frame under every run: run threads, the hand-off and its gate, the shutdown bound,
// and the controller frame when a hand-off itself fails.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <new>
#include <stdexcept>
#include <thread>
#include <vector>

#include "RunFixture.h"
#include "engine/HandOff.h"
#include "engine/RunCallback.h"
#include "engine/RunController.h"
#include "engine/RunShutdown.h"

namespace {

using namespace std::chrono_literals;

using ThreadsTest = RunFixture;

// Threads that hand `fn` over; `refused` counts the hand-offs that did not run.
std::vector<std::thread> Callers(int count, std::atomic<int>& refused, std::function<void()> fn) {
  std::vector<std::thread> callers;
  for (int i = 0; i < count; ++i) callers.emplace_back([&refused, fn] { refused += !Synchronize(fn); });
  return callers;
}

TEST_F(ThreadsTest, AHandOffRunsOnTheUserInterfaceThreadWhileItsCallerWaits) {
  const std::thread::id ui = std::this_thread::get_id();
  std::atomic<bool> returned{false};
  bool ranOnUi = false;
  bool callerWaited = false;
  std::thread caller([&] {
    EXPECT_TRUE(Synchronize([&] {
      ranOnUi = std::this_thread::get_id() == ui;
      std::this_thread::sleep_for(20ms);
      callerWaited = !returned.load();
      throw std::runtime_error("a failing callback stays on its thread");
    }));
    returned = true;
  });
  std::this_thread::sleep_for(50ms);
  EXPECT_FALSE(returned.load());  // nothing runs until this thread serves
  EXPECT_TRUE(SpinUntil([&] { return returned.load(); }));
  caller.join();
  EXPECT_TRUE(ranOnUi && callerWaited);
  bool ranAtOnce = false;  // on this thread a hand-off runs at once
  EXPECT_TRUE(Synchronize([&] { ranAtOnce = true; }) && ranAtOnce);
}

TEST_F(ThreadsTest, AClosedGateNeitherRunsNorBlocksEvenWhenItClosesMidBatch) {
  std::atomic<int> refused{0};
  std::atomic<int> ran{0};
  auto callers = Callers(5, refused, [&] {
    ++ran;
    CloseHandOffGate();  // as shutdown does between two callbacks
  });
  ASSERT_TRUE(WaitUntil([] { return PendingHandOffs() == 5; }));
  ServePendingHandOffs();  // all five in one batch: the first closes the gate
  for (auto& c : callers) c.join();
  EXPECT_EQ(ran.load(), 1);
  EXPECT_EQ(refused.load(), 4);
  OpenHandOffGate();
  auto waiting = Callers(3, refused, [] { ADD_FAILURE() << "ran behind a closed gate"; });
  ASSERT_TRUE(WaitUntil([] { return PendingHandOffs() == 3; }));
  CloseHandOffGate();  // nobody serves: closing alone lets them go
  EXPECT_TRUE(WaitUntil([&] { return refused.load() == 7; }));
  ServePendingHandOffs();  // lets them go even if closing did not
  for (auto& c : waiting) c.join();
  auto late = std::async(std::launch::async, [] { return Synchronize([] { ADD_FAILURE(); }); });
  ASSERT_EQ(late.wait_for(2s), std::future_status::ready);
  EXPECT_FALSE(late.get());
}

TEST_F(ThreadsTest, ShutdownEndsBlockedSleepingAndFailingThreadsWithinItsBound) {
  int callbacks = 0;  // user-interface thread only
  std::atomic<bool> sleptToTheEnd{false};
  std::vector<LambdaThread*> threads;  // root and self-freeing, as the window starts controllers
  for (int i = 0; i < 7; ++i) {
    threads.push_back(new LambdaThread([&, i](LambdaThread& self) {
      if (i == 6) {
        sleptToTheEnd = self.SleepUnlessTerminated(60'000);
        throw std::runtime_error("a failing body still ends and frees its thread");
      }
      if (i % 2) self.Synchronize([&] { ++callbacks; });  // caught in a hand-off nobody serves yet
      self.IdleUntilTerminated();                         // or idling as workers do
    }));
    threads.back()->SetFreeOnTerminate(true);
  }
  EXPECT_EQ(RunThread::RunningThreads(), 0);  // suspended until resumed
  for (LambdaThread* thread : threads) thread->Resume();
  ASSERT_TRUE(WaitUntil([] { return PendingHandOffs() == 3 && RunThread::RunningThreads() == 7; }));
  const auto start = std::chrono::steady_clock::now();
  const ShutdownOutcome outcome = ShutdownRunThreads(3000ms);
  EXPECT_LT(MillisecondsSince(start), 3000);
  EXPECT_TRUE(outcome.allEnded);
  EXPECT_FALSE(sleptToTheEnd.load());
  EXPECT_EQ(PendingHandOffs(), 0);
  EXPECT_EQ(callbacks, 0);
}

// The controller frame whose hand-off number `failAt` throws (0: the start
// callback's, 1: the finish callback's), as one may when memory runs out.
class FailingHandOffController final : public RunController {
 public:
  FailingHandOffController(RunStamp stamp, int failAt) : stamp_(stamp), failAt_(failAt) {}
  static inline std::atomic<int> failures{0};

 private:
  bool Synchronize(const std::function<void()>& fn) const override {
    if (calls_++ != failAt_) return RunController::Synchronize(fn);
    ++failures;
    throw std::bad_alloc();
  }
  bool Run() override { return true; }
  void EndRun(bool) override {}
  void SyncStart() override {}
  void SyncFinished() override {
    if (TPingPage* page = PageForCallback(PingRegistry, *this, stamp_)) EndRunOfPage(PingRegistry, *page);
  }
  const RunStamp stamp_;
  const int failAt_;
  mutable int calls_ = 0;  // this thread only
};

TEST_F(ThreadsTest, AControllerWhoseHandOffFailsLeavesNoDanglingController) {
  for (int failAt : {0, 1}) {
    SCOPED_TRACE(failAt);
    FailingHandOffController::failures = 0;
    TPingPage& page = AddPage(Mode::Ping, "");
    ASSERT_TRUE(LaunchController(PingRegistry, page,
                                 std::make_unique<FailingHandOffController>(RunStamp{page.Id, 0}, failAt)));
    ASSERT_TRUE(SpinUntil([] { return FailingHandOffController::failures == 1; }));
    // A controller that gave up would be gone while the page still points at it.
    SpinUntil([] { return RunThread::LiveThreads() == 0; }, 300ms);
    if (failAt == 0) {  // only the start callback was lost: the run ends by itself
      EXPECT_TRUE(WaitFinished());
    } else {  // the page keeps running, with a controller that Stop may touch
      ASSERT_NE(page.Worker, nullptr);
      ASSERT_EQ(RunThread::LiveThreads(), 1);
      Stop(page);
    }
    EXPECT_TRUE(WaitAllEnded());
  }
}

}  // namespace
