#include "engine/RunShutdown.h"

#include "engine/HandOff.h"
#include "engine/RunThread.h"
#include "pages/PageRegistry.h"

namespace {

template <class Page>
void ForgetControllers(TPageRegistry<Page>& registry) {
  for (auto& page : registry.Pages) page->Worker = nullptr;
}

}  // namespace

ShutdownOutcome ShutdownRunThreads(std::chrono::milliseconds bound) {
  using namespace std::chrono;
  const auto deadline = steady_clock::now() + bound;

  // The gate first: whatever the threads do from now on reaches no page.
  CloseHandOffGate();
  ForgetControllers(PingRegistry);
  ForgetControllers(MultiPingRegistry);
  ForgetControllers(RangePingRegistry);
  ForgetControllers(TracerouteRegistry);
  ForgetControllers(PathPingRegistry);
  RunThread::TerminateRootThreads();

  // A thread blocked in a hand-off cannot notice its flag, so the queued
  // hand-offs are answered on every round until the threads are gone.
  for (;;) {
    ServePendingHandOffs();
    if (RunThread::RunningThreads() == 0 && PendingHandOffs() == 0) break;
    const auto now = steady_clock::now();
    if (now >= deadline) break;
    RunThread::WaitForRunningThreads(std::min(duration_cast<milliseconds>(deadline - now), milliseconds(5)));
  }
  ServePendingHandOffs();

  ShutdownOutcome outcome;
  outcome.stillRunning = RunThread::RunningThreads();
  outcome.allEnded = outcome.stillRunning == 0;
  return outcome;
}
