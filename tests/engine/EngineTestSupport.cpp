#include "EngineTestSupport.h"

#include "engine/RunLifecycle.h"

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
