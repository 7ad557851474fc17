#include "ui/PingStart.h"

#include "engine/Pinger.h"
#include "ui/PageRunOperations.h"
#include "ui/RunStart.h"
#include "ui/SlotGuard.h"
#include "ui/TabViews.h"

void StartPingPage(int index, bool fromTask, std::int32_t retries, std::int32_t minutes, bool byMinutes) {
  CatchAll([&] {
    TPingPage* page = OpenRun(PingRegistry, index);
    if (!page) return;
    // All 128 rows, the shown list and grid, the result state and the
    // selected host: the same reset as "Clear result".
    ClearPingPageResult(index);
    StampRunStart(*page);
    if (index == PingRegistry.Current) StorePingFrameToPage();

    const StartArguments arguments{fromTask, retries, minutes, byMinutes};
    const std::optional<TaskRunValues> task = arguments.Task();
    // Settings, reply capacity and the controller; the rows come from the
    // controller, once it knows the addresses.
    LaunchPingRun(*page, task ? &*task : nullptr);
  });
}
