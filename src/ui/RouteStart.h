#pragma once

#include <cstdint>

// Start a run of page `index` of the Trace route or Path ping registry
// (nothing for an index outside it): a run still active on the page is cut
// first and gets its end-of-run actions; the page's result is reset (the hop
// rows come from the run as its workers start), the shown page's editors
// are stored into it, the first Hops rows get reply stores and the mode's
// controller starts with the page's settings, or with the task's count,
// minutes and mode when fromTask is set (retries clamped to 1..999,999,
// minutes to 1..60,000; the page keeps its own values).
// User-interface thread; never throws.
void StartTraceroutePage(int index, bool fromTask, std::int32_t retries, std::int32_t minutes,
                         bool byMinutes);
void StartPathPingPage(int index, bool fromTask, std::int32_t retries, std::int32_t minutes, bool byMinutes);
