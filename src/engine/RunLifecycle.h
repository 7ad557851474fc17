#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/EchoRounds.h"
#include "engine/RunCallback.h"
#include "engine/RunFailureNotice.h"
#include "engine/RunThread.h"
#include "pages/PageRegistry.h"
#include "platform/SystemTime.h"

// The beginning and the end of a run as every mode's controller has them.
// User-interface thread only.

// The run id after `runId`; wraps instead of overflowing.
std::int32_t RunIdAfter(std::int32_t runId);

// Starts the controller's thread, which frees itself when it ends; the page
// points at it until the run ends or is stopped. False when no thread can be
// had: the controller is deleted, the page stays idle and `why` gets the
// system's reason.
bool ResumeController(TPageCommon& page, std::unique_ptr<RunThread> controller, std::string& why);

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

// What every end of a run does to its page: the controller told to end and
// forgotten, the shown page's Start and Stop buttons back to idle (the view
// reads the idle page), the run id moved on, so that no late result of the
// run can change the page, and the end time stamped. The shown page's view,
// if any.
template <class Page>
PageView* CloseRunOfPage(const TPageRegistry<Page>& registry, Page& page) {
  if (page.Worker) {
    page.Worker->Terminate();
    page.Worker = nullptr;
  }
  PageView* view = ViewIfShown(registry, page);
  if (view) view->SetRunning(false);
  page.RunId = RunIdAfter(page.RunId);
  page.EndTime = LocalTimeNow();
  return view;
}

// What a controller's finish callback does to its page once the callback
// rule let it through: the run closed (CloseRunOfPage; the controller is the
// caller itself), and last the end-of-run actions, which thus see the
// finished run.
template <class Page>
void EndRunOfPage(const TPageRegistry<Page>& registry, Page& page) {
  CloseRunOfPage(registry, page);
  RunFinishActions(registry.mode, registry.IndexOfId(page.Id));
}

// Multi ping entries that a failed run never reached show "Ping error"
// rather than look as if they still waited for their echoes.
void MarkUnreachedEntries(TPingPage& page);
inline void MarkUnreachedEntries(TRangePingPage&) {}

// What a run that cannot have the threads it needs does to its page, once
// the callback rule let it through (or at once, for a controller that never
// started): the result failed (psError, and on Multi ping the entries it
// never reached), the run closed (CloseRunOfPage) with the shown page's rows
// rebuilt to show the failure, then `failure` told (TellRunFailure). No
// end-of-run actions: the run covered less than the page asks for, and
// neither a report nor the user's program may take it for a finished run.
template <class Page>
void FailRunOfPage(const TPageRegistry<Page>& registry, Page& page, const std::string& failure) {
  page.ResultState = psError;
  if (registry.mode == Mode::MultiPing) MarkUnreachedEntries(page);
  if (PageView* view = CloseRunOfPage(registry, page)) view->ResultRowsChanged();
  TellRunFailure(RunMoment::Start, failure);
}

// Gives the page its new controller and starts it (ResumeController). When
// no thread can be had, the run fails at once (FailRunOfPage) and the result
// is false.
template <class Page>
bool LaunchController(const TPageRegistry<Page>& registry, Page& page,
                      std::unique_ptr<RunThread> controller) {
  if (!controller) return false;
  ThreadShortfall shortfall{1, 0, {}};
  if (ResumeController(page, std::move(controller), shortfall.why)) return true;
  FailRunOfPage(registry, page, ThreadShortfallText(registry.mode, page.Name, shortfall, false));
  return false;
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
