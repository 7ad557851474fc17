#pragma once

#include <functional>

#include "engine/RunFailureNotice.h"
#include "engine/RunLifecycle.h"
#include "engine/RunThread.h"

// The frame every mode's controller follows: the start callback, the run
// itself (targets, workers, waiting for them), ending the workers, then —
// unless the run was stopped — the finish callback, and idling until the
// page, Stop, a new Start or the shutdown terminates it, since the page
// holds the controller's pointer until then. A run that fails half way still
// ends its workers and goes through the finish callback. A run that could
// not start all its workers goes no further than their start: the results
// of some of its hosts or hops would pass for the whole.
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

  // Controller thread: starts the workers (ResumeWorkers) and notes in
  // shortfall_ how many of them could be had.
  template <class Worker>
  std::vector<Worker*> StartAll(std::vector<std::unique_ptr<Worker>>& created) {
    return ResumeWorkers(created, shortfall_);
  }

  // User-interface thread, in SyncFinished: the run fails when it could not
  // start all its workers (FailRunOfPage), else it ends as runs end.
  template <class Page>
  void FinishRunOfPage(const TPageRegistry<Page>& registry, Page& page) const {
    if (shortfall_.Short())
      FailRunOfPage(registry, page, ThreadShortfallText(registry.mode, page.Name, shortfall_, false));
    else
      EndRunOfPage(registry, page);
  }

  // Written on the controller thread before the hand-offs that read it.
  ThreadShortfall shortfall_;

 private:
  void HandOverGuarded(const std::function<void()>& callback);
};
