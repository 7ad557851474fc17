#include "engine/RunThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "EngineTestSupport.h"

namespace {

// What a self-freeing thread leaves behind for the test to look at.
struct EndProbe {
  std::mutex mutex;
  bool destroyed = false;        // guarded by mutex
  bool executeReturned = false;  // guarded by mutex
  std::thread::id destroyedOn;   // guarded by mutex
  std::thread::id executedOn;    // guarded by mutex
};

class ProbeThread : public RunThread {
 public:
  explicit ProbeThread(EndProbe& probe) : probe_(probe) {}
  ~ProbeThread() override {
    std::lock_guard lock(probe_.mutex);
    probe_.destroyed = true;
    probe_.destroyedOn = std::this_thread::get_id();
  }

 protected:
  void Execute() override {
    {
      std::lock_guard lock(probe_.mutex);
      probe_.executedOn = std::this_thread::get_id();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::lock_guard lock(probe_.mutex);
    probe_.executeReturned = true;
  }

 private:
  EndProbe& probe_;
};

class RunThreadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    baseline_ = RunThread::LiveThreads();
    ASSERT_EQ(RunThread::RunningThreads(), 0);
  }
  void TearDown() override {
    EXPECT_TRUE(WaitUntil([] { return RunThread::RunningThreads() == 0; }));
    EXPECT_EQ(RunThread::LiveThreads(), baseline_);
  }
  int baseline_ = 0;
};

TEST_F(RunThreadTest, CreatedSuspendedAndStartedByResume) {
  std::atomic<bool> ran{false};
  auto* thread = new LambdaThread([&](LambdaThread&) { ran = true; });
  EXPECT_EQ(RunThread::LiveThreads(), baseline_ + 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(ran.load());
  EXPECT_EQ(RunThread::RunningThreads(), 0);

  thread->Resume();
  thread->Resume();  // a second resume starts nothing
  thread->WaitFor();
  EXPECT_TRUE(ran.load());
  delete thread;
}

TEST_F(RunThreadTest, NeverResumedThreadIsDeletedByItsOwner) {
  auto* thread = new LambdaThread([](LambdaThread&) { FAIL() << "never resumed"; });
  thread->Terminate();
  thread->WaitFor();  // returns at once: there is nothing to wait for
  delete thread;
}

TEST_F(RunThreadTest, SelfFreeingThreadDeletesItselfOnItsOwnThreadAfterExecute) {
  EndProbe probe;
  auto* thread = new ProbeThread(probe);
  thread->SetFreeOnTerminate(true);
  thread->Resume();
  // The pointer is dead from here on; only the probe tells what happened.
  ASSERT_TRUE(WaitUntil([&] {
    std::lock_guard lock(probe.mutex);
    return probe.destroyed;
  }));
  std::lock_guard lock(probe.mutex);
  EXPECT_TRUE(probe.executeReturned);
  EXPECT_EQ(probe.destroyedOn, probe.executedOn);
  EXPECT_NE(probe.destroyedOn, std::this_thread::get_id());
}

TEST_F(RunThreadTest, TerminateEndsASleepWithinOneSlice) {
  bool sleptToTheEnd = true;
  LambdaThread thread([&](LambdaThread& self) { sleptToTheEnd = self.SleepUnlessTerminated(10000); });
  thread.Resume();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  const auto start = std::chrono::steady_clock::now();
  thread.Terminate();
  thread.WaitFor();
  EXPECT_LT(MillisecondsSince(start), 1000);  // far below the 10 s asked for
  EXPECT_FALSE(sleptToTheEnd);
  EXPECT_TRUE(thread.Terminated());
}

TEST_F(RunThreadTest, SleepLastsItsTimeWhenNotTerminated) {
  bool result = false;
  long long slept = 0;
  LambdaThread thread([&](LambdaThread& self) {
    const auto start = std::chrono::steady_clock::now();
    result = self.SleepUnlessTerminated(250);
    slept = MillisecondsSince(start);
  });
  thread.Resume();
  thread.WaitFor();
  EXPECT_TRUE(result);
  EXPECT_GE(slept, 250);
  EXPECT_LT(slept, 5000);
}

TEST_F(RunThreadTest, ThreadsBuiltInsideARunThreadBelongToIt) {
  // A controller and its worker as the run frame has them: the worker idles
  // until the controller terminates it, the controller until somebody
  // terminates it. Terminating the roots must end both.
  std::atomic<bool> controllerIsRoot{false};
  std::atomic<bool> workerIsRoot{true};
  std::atomic<bool> currentWasSelf{false};
  auto* controller = new LambdaThread([&](LambdaThread& self) {
    currentWasSelf = RunThread::Current() == &self;
    controllerIsRoot = self.IsRoot();
    auto* worker = new LambdaThread([](LambdaThread& w) { IdleUntilTerminated(w); });
    workerIsRoot = worker->IsRoot();
    worker->SetFreeOnTerminate(true);
    worker->Resume();
    IdleUntilTerminated(self);
    worker->Terminate();
  });
  controller->SetFreeOnTerminate(true);
  controller->Resume();
  ASSERT_TRUE(WaitUntil([] { return RunThread::RunningThreads() == 2; }));
  EXPECT_EQ(RunThread::Current(), nullptr);

  RunThread::TerminateRootThreads();
  EXPECT_TRUE(WaitUntil([] { return RunThread::RunningThreads() == 0; }, std::chrono::seconds(3)));
  EXPECT_TRUE(controllerIsRoot.load());
  EXPECT_FALSE(workerIsRoot.load());
  EXPECT_TRUE(currentWasSelf.load());
}

TEST_F(RunThreadTest, ExceptionEndsTheThreadAndItStillFreesItself) {
  auto* thread = new LambdaThread([](LambdaThread&) { throw std::runtime_error("body failed"); });
  thread->SetFreeOnTerminate(true);
  thread->Resume();
  EXPECT_TRUE(WaitUntil([] { return RunThread::RunningThreads() == 0; }));
}

}  // namespace
