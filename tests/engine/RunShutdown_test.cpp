#include "engine/RunShutdown.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "EngineTestSupport.h"
#include "engine/HandOff.h"
#include "pages/PageRegistry.h"

namespace {

using namespace std::chrono_literals;

class RunShutdownTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureTestApplication();
    OpenHandOffGate();
    ResetRegistries();
    ASSERT_EQ(RunThread::RunningThreads(), 0);
  }
  void TearDown() override {
    EXPECT_TRUE(WaitUntil([] { return RunThread::RunningThreads() == 0; }, 5s));
    OpenHandOffGate();
    ResetRegistries();
  }

  // Started as the window starts a controller: root, self-freeing.
  static void Start(std::function<void(LambdaThread&)> body) {
    auto* thread = new LambdaThread(std::move(body));
    thread->SetFreeOnTerminate(true);
    thread->Resume();
  }
};

TEST_F(RunShutdownTest, EndsBlockedAndSleepingThreadsWithinTheBound) {
  int callbacksRun = 0;  // user-interface thread only
  auto callback = [&] { ++callbacksRun; };

  // Threads caught in a hand-off that nobody serves yet.
  for (int i = 0; i < 4; ++i)
    Start([&](LambdaThread& self) {
      self.Synchronize(callback);
      IdleUntilTerminated(self);
    });
  // Threads idling as a finished controller does.
  for (int i = 0; i < 4; ++i) Start([](LambdaThread& self) { IdleUntilTerminated(self); });
  // A controller whose workers echo and report every round, polling them
  // the way the run frame does.
  Start([&](LambdaThread& self) {
    std::vector<LambdaThread*> workers;
    for (int i = 0; i < 8; ++i) {
      auto* worker = new LambdaThread([&](LambdaThread& w) {
        while (w.SleepUnlessTerminated(20)) w.Synchronize(callback);
        IdleUntilTerminated(w);
      });
      worker->SetFreeOnTerminate(true);
      workers.push_back(worker);
    }
    for (auto* worker : workers) worker->Resume();
    while (self.Synchronize(callback) && self.SleepUnlessTerminated(100)) {
    }
    for (auto* worker : workers) worker->Terminate();
    IdleUntilTerminated(self);
  });
  ASSERT_TRUE(WaitUntil([] { return PendingHandOffs() >= 4 && RunThread::RunningThreads() == 17; }));
  const int before = callbacksRun;

  const auto start = std::chrono::steady_clock::now();
  const ShutdownOutcome outcome = ShutdownRunThreads(3000ms);
  const auto took = MillisecondsSince(start);

  EXPECT_TRUE(outcome.allEnded);
  EXPECT_EQ(outcome.stillRunning, 0);
  EXPECT_LT(took, 3000);
  EXPECT_EQ(RunThread::RunningThreads(), 0);
  EXPECT_EQ(PendingHandOffs(), 0);
  EXPECT_EQ(callbacksRun, before);
  EXPECT_FALSE(HandOffGateOpen());
}

TEST_F(RunShutdownTest, KeepsItsBoundWhenAThreadCannotStopYet) {
  std::atomic<bool> handOffReturned{false};
  bool ran = false;
  // An echo in progress: it runs to its timeout whatever the flag says, then
  // tries to report.
  Start([&](LambdaThread& self) {
    std::this_thread::sleep_for(3000ms);
    self.Synchronize([&] { ran = true; });
    handOffReturned = true;
  });
  ASSERT_TRUE(WaitUntil([] { return RunThread::RunningThreads() == 1; }));

  const auto start = std::chrono::steady_clock::now();
  const ShutdownOutcome outcome = ShutdownRunThreads(300ms);
  const auto took = MillisecondsSince(start);
  EXPECT_GE(took, 300);
  EXPECT_LT(took, 2000);
  EXPECT_FALSE(outcome.allEnded);
  EXPECT_EQ(outcome.stillRunning, 1);

  // Its late report neither runs nor waits for an event loop that nobody turns.
  EXPECT_TRUE(WaitUntil([&] { return handOffReturned.load(); }, 5s));
  EXPECT_FALSE(ran);
}

TEST_F(RunShutdownTest, PagesForgetTheirControllers) {
  for (int i = 0; i < 3; ++i) {
    PingRegistry.Pages.push_back(std::make_unique<TPingPage>());
    auto* controller = new LambdaThread([](LambdaThread& self) { IdleUntilTerminated(self); });
    controller->SetFreeOnTerminate(true);
    PingRegistry.Pages.back()->Worker = controller;
    controller->Resume();
  }
  RangePingRegistry.Pages.push_back(std::make_unique<TRangePingPage>());
  auto* rangeController = new LambdaThread([](LambdaThread& self) { IdleUntilTerminated(self); });
  rangeController->SetFreeOnTerminate(true);
  RangePingRegistry.Pages.back()->Worker = rangeController;
  rangeController->Resume();

  const ShutdownOutcome outcome = ShutdownRunThreads(2000ms);
  EXPECT_TRUE(outcome.allEnded);
  for (const auto& page : PingRegistry.Pages) EXPECT_EQ(page->Worker, nullptr);
  EXPECT_EQ(RangePingRegistry.Pages.back()->Worker, nullptr);
}

TEST_F(RunShutdownTest, WithoutThreadsReturnsAtOnce) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(ShutdownRunThreads(2000ms).allEnded);
  EXPECT_LT(MillisecondsSince(start), 500);
}

}  // namespace
