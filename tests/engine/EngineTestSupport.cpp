#include "EngineTestSupport.h"

#include <QCoreApplication>
#include <QTest>

#include "engine/RunLifecycle.h"

void EnsureTestApplication() {
  if (QCoreApplication::instance()) return;
  static int argc = 1;
  static char name[] = "test_engine";
  static char* argv[] = {name, nullptr};
  new QCoreApplication(argc, argv);
}

bool SpinUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return done();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QTest::qSleep(1);
  }
  return true;
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return done();
    QTest::qSleep(1);
  }
  return true;
}

long long MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
      .count();
}

void IdleUntilTerminated(const LambdaThread& thread) {
  while (thread.SleepUnlessTerminated(1000)) {
  }
}

void Stop(TPageCommon& page) {
  if (page.Worker) page.Worker->Terminate();
  page.Worker = nullptr;
  page.RunId = RunIdAfter(page.RunId);
  page.EndTime = LocalTimeNow();
}

bool WaitIdle(const TPageCommon& page, std::chrono::milliseconds timeout) {
  return SpinUntil([&] { return page.Worker == nullptr; }, timeout);
}

bool WaitAllEnded(std::chrono::milliseconds timeout) {
  return SpinUntil([] { return RunThread::RunningThreads() == 0 && RunThread::LiveThreads() == 0; }, timeout);
}
