#include "engine/RunController.h"

namespace {

// How often a controller asks whether every worker has ended, and how long
// it sleeps while it waits to be terminated.
constexpr int PollMs = 100;
constexpr int IdleMs = 1000;

}  // namespace

void RunController::Execute() {
  Synchronize([this] { SyncStart(); });
  bool allEnded = false;
  try {
    if (!Terminated()) allEnded = Run();
  } catch (...) {
    // The run still ends its workers and goes through the finish callback.
  }
  try {
    EndRun(allEnded);
  } catch (...) {
  }
  if (!Terminated()) Synchronize([this] { SyncFinished(); });
  while (SleepUnlessTerminated(IdleMs)) {
  }
}

bool RunController::AwaitWorkers(const std::function<bool()>& checkDone) {
  while (!Terminated()) {
    bool done = false;
    Synchronize([&] { done = checkDone(); });
    if (done) return true;
    SleepUnlessTerminated(PollMs);
  }
  return false;
}
