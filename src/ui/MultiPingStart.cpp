#include "ui/MultiPingStart.h"

#include "engine/MultiPinger.h"
#include "ui/PageRunOperations.h"
#include "ui/RunStart.h"
#include "ui/SlotGuard.h"
#include "ui/TabViews.h"

void StartMultiPingPage(int index, bool fromTask, std::int32_t retries, std::int32_t minutes,
                        bool byMinutes) {
  CatchAll([&] {
    TPingPage* page = OpenRun(MultiPingRegistry, index);
    if (!page) return;
    // The host list stays, rows included; their results and the shown
    // replies go, as with "Clear result".
    ClearMultiPingPageResult(index, false);
    StampRunStart(*page);
    if (index == MultiPingRegistry.Current) StoreMultiPingFrameToPage();

    const StartArguments arguments{fromTask, retries, minutes, byMinutes};
    const std::optional<TaskRunValues> task = arguments.Task();
    // Reply capacity, fresh stores and the controller; each worker then
    // fills its own row as its host resolves.
    LaunchMultiPingRun(*page, task ? &*task : nullptr);
  });
}
