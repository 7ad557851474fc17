#include "ui/RangePingStart.h"

#include "engine/RangeRunStart.h"
#include "ui/PageRunOperations.h"
#include "ui/RunStart.h"
#include "ui/SlotGuard.h"
#include "ui/TabViews.h"

void StartRangePingPage(int index, bool fromTask, std::int32_t retries, std::int32_t minutes,
                        bool byMinutes) {
  CatchAll([&] {
    TRangePingPage* page = OpenRun(RangePingRegistry, index);
    if (!page) return;
    // The records, their stores, the grids and the selected host: the same
    // reset as "Clear result".
    ClearRangePingPageResult(index);
    StampRunStart(*page);
    if (index == RangePingRegistry.Current) StoreRangePingFrameToPage();

    const StartArguments arguments{fromTask, retries, minutes, byMinutes};
    const std::optional<TaskRunValues> task = arguments.Task();
    // Slots, capacities and the host list sized to the range, then the
    // controller; hosts get their records as they answer.
    LaunchRangeRun(*page, task ? &*task : nullptr);
  });
}
