#include "ui/PingStart.h"

#include <memory>

#include "engine/Pinger.h"
#include "engine/ReplyAccounting.h"
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
    const EchoRunSettings settings = RunSettingsOfPage(*page, task ? &*task : nullptr);
    page->ReplyCapacity = PingReplyCapacity(settings.ByMinutes, settings.Retries, settings.Minutes,
                                            settings.Delay, page->ShowReplys);
    // The rows come from the controller, once it knows the addresses.
    LaunchController(*page, std::make_unique<Pinger>(RunStamp{page->Id, page->RunId}, page->Host, settings,
                                                     page->PingForAllIp));
  });
}
