#include "engine/RunController.h"

namespace {

// How often a controller asks whether every worker has ended.
constexpr int PollMs = 100;

}  // namespace

void RunController::Execute() {
  // Nothing may leave Execute before the controller is terminated: the
  // thread would free the controller while its page still points at it.
  // So every step is guarded, the hand-offs of this frame included.
  HandOverGuarded([this] { SyncStart(); });
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
  if (!Terminated()) HandOverGuarded([this] { SyncFinished(); });
  IdleUntilTerminated();
}

void RunController::HandOverGuarded(const std::function<void()>& callback) {
  try {
    Synchronize(callback);
  } catch (...) {
    // A failed hand-off loses its callback; a lost finish callback leaves the
    // page running until Stop, with a controller that is still there.
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
