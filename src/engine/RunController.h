#pragma once

#include <functional>

#include "engine/RunThread.h"

// The frame every mode's controller follows: the start callback, the run
// itself (targets, workers, waiting for them), ending the workers, then —
// unless the run was stopped — the finish callback, and idling until the
// page, Stop, a new Start or the shutdown terminates it, since the page
// holds the controller's pointer until then. A run that fails half way still
// ends its workers and goes through the finish callback.
class RunController : public RunThread {
 protected:
  void Execute() final;

  // Controller thread. True when every worker reported its end by itself.
  virtual bool Run() = 0;
  // Controller thread, after Run, also when it failed: tells the workers to end.
  virtual void EndRun(bool allEnded) = 0;
  // User-interface thread, under the callback rule.
  virtual void SyncStart() = 0;
  virtual void SyncFinished() = 0;

  // Hands `checkDone` to the user-interface thread every 100 ms until it
  // says that every worker has ended, or this thread is told to stop.
  // True in the first case.
  bool AwaitWorkers(const std::function<bool()>& checkDone);

 private:
  void HandOverGuarded(const std::function<void()>& callback);
};
