#include "engine/RunLifecycle.h"

#include <algorithm>
#include <system_error>

namespace {

RunFinishActionsHook finishActions = nullptr;  // user-interface thread only

}  // namespace

std::int32_t RunIdAfter(std::int32_t runId) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(runId) + 1u);
}

bool ResumeController(TPageCommon& page, std::unique_ptr<RunThread> controller, std::string& why) {
  controller->SetFreeOnTerminate(true);
  page.Worker = controller.get();
  try {
    controller->Resume();
  } catch (const std::system_error& failure) {
    page.Worker = nullptr;
    why = failure.code().message();
    return false;
  }
  // From here the thread owns itself: it idles until terminated, so the
  // page's pointer stays valid until whoever terminates it forgets it.
  controller.release();
  return true;
}

void MarkUnreachedEntries(TPingPage& page) {
  for (int i = 0; i < page.HostCount && i < MaxHosts; ++i) {
    THostResult& host = page.Hosts[static_cast<std::size_t>(i)];
    if (host.State == -1) host.State = psError;
  }
}

EchoRunSettings RunSettingsOfPage(const TPingPage& page, const TaskRunValues* task) {
  EchoRunSettings settings;
  settings.Retries = page.Retries;
  settings.Minutes = page.Minutes;
  settings.ByMinutes = page.ByMinutes;
  if (task) {
    settings.Retries = std::clamp(task->Retries, 1, 999'999);
    settings.Minutes = std::clamp(task->Minutes, 1, 60'000);
    settings.ByMinutes = task->ByMinutes;
  }
  settings.TimeOut = page.TimeOut;
  settings.Delay = page.Delay;
  settings.Bytes = page.Bytes;
  settings.Ttl = page.Ttl;
  settings.ResolveHostName = page.ResolveHostName;
  return settings.Clamped();
}

void SetRunFinishActions(RunFinishActionsHook actions) { finishActions = actions; }

void RunFinishActions(Mode mode, int pageIndex) {
  if (finishActions && pageIndex >= 0) finishActions(mode, pageIndex);
}
