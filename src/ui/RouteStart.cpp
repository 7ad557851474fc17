#include "ui/RouteStart.h"

#include "engine/HopRunStart.h"
#include "ui/PageRunOperations.h"
#include "ui/RunStart.h"
#include "ui/SlotGuard.h"
#include "ui/TabViews.h"

namespace {

void StartHopPage(Mode mode, int index, const StartArguments& arguments) {
  CatchAll([&] {
    TPingRegistry& registry = mode == Mode::Traceroute ? TracerouteRegistry : PathPingRegistry;
    TPingPage* page = OpenRun(registry, index);
    if (!page) return;
    // All 128 rows, the shown hop list and grid, the result state, the
    // selected hop and the destination: the same reset as "Clear result".
    if (mode == Mode::Traceroute)
      ClearTraceroutePageResult(index);
    else
      ClearPathPingPageResult(index);
    StampRunStart(*page);
    if (index == registry.Current) {
      if (mode == Mode::Traceroute)
        StoreTracerouteFrameToPage();
      else
        StorePathPingFrameToPage();
    }
    const std::optional<TaskRunValues> task = arguments.Task();
    LaunchHopRun(mode, *page, task ? &*task : nullptr);
  });
}

}  // namespace

void StartTraceroutePage(int index, bool fromTask, std::int32_t retries, std::int32_t minutes,
                         bool byMinutes) {
  StartHopPage(Mode::Traceroute, index, {fromTask, retries, minutes, byMinutes});
}

void StartPathPingPage(int index, bool fromTask, std::int32_t retries, std::int32_t minutes, bool byMinutes) {
  StartHopPage(Mode::PathPing, index, {fromTask, retries, minutes, byMinutes});
}
