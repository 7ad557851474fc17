#pragma once

#include <cstdint>
#include <memory>

#include "engine/EchoRounds.h"
#include "engine/RunCallback.h"
#include "engine/RunThread.h"
#include "pages/PageRegistry.h"
#include "platform/SystemTime.h"

// The beginning and the end of a run as every mode's controller has them.
// User-interface thread only.

// The run id after `runId`; wraps instead of overflowing.
std::int32_t RunIdAfter(std::int32_t runId);

// Gives the page its new controller and starts it: the controller frees
// itself when its thread ends, and the page points at it until the run ends
// or is stopped. False when no thread can be had; the controller is then
// deleted and the page stays idle.
bool LaunchController(TPageCommon& page, std::unique_ptr<RunThread> controller);

// The count and mode a scheduled task gives a run in place of the page's
// own (the page keeps its values).
struct TaskRunValues {
  std::int32_t Retries = 1;  // clamped to 1..999,999
  std::int32_t Minutes = 1;  // clamped to 1..60,000
  bool ByMinutes = false;
};

// The settings a Ping page's run uses: the page's, with a task's count and
// mode when `task` is given; clamped to their ranges.
EchoRunSettings RunSettingsOfPage(const TPingPage& page, const TaskRunValues* task);

// The end-of-run actions of a page (its report and its user program). They
// belong to the automation layer, which installs them; until it does, a run
// that ends runs none. Called with the page's index in the mode's registry
// when a run ends by itself and when Start cuts a running run.
using RunFinishActionsHook = void (*)(Mode mode, int pageIndex);
void SetRunFinishActions(RunFinishActionsHook actions);
void RunFinishActions(Mode mode, int pageIndex);

// What a controller's finish callback does to its page once the callback
// rule let it through: the controller (the caller itself) told to end and
// forgotten, the shown page's Start and Stop buttons back to idle (the view
// reads the idle page), the run id moved on, so that no late result of this
// run can change the page, the end time stamped, and last the end-of-run
// actions, which thus see the finished run.
template <class Page>
void EndRunOfPage(const TPageRegistry<Page>& registry, Page& page) {
  if (page.Worker) {
    page.Worker->Terminate();
    page.Worker = nullptr;
  }
  if (PageView* view = ViewIfShown(registry, page)) view->SetRunning(false);
  page.RunId = RunIdAfter(page.RunId);
  page.EndTime = LocalTimeNow();
  RunFinishActions(registry.mode, registry.IndexOfId(page.Id));
}

// What Start does first to a page whose run is still active: the run is told
// to end, forgotten and its results frozen (the run id moves on), and it gets
// its end-of-run actions as if it had ended, so a report of the partial
// result is written when the page asks for one. Nothing for an idle page.
template <class Page>
void CutRunOfPage(const TPageRegistry<Page>& registry, Page& page) {
  if (!page.Worker) return;
  page.Worker->Terminate();
  page.Worker = nullptr;
  page.RunId = RunIdAfter(page.RunId);
  page.EndTime = LocalTimeNow();
  RunFinishActions(registry.mode, registry.IndexOfId(page.Id));
}
