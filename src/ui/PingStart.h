#pragma once

#include <cstdint>

// Starts a run of page `index` of the Ping registry (nothing for an index
// outside it): a run still active on the page is cut first and gets its
// end-of-run actions; the page's result is reset (its rows come from the run
// once the host is resolved), the shown page's editors are stored into it,
// and a Pinger is started with the page's settings, or with the task's
// count, minutes and mode when fromTask is set (retries clamped to
// 1..999,999, minutes to 1..60,000; the page keeps its own values).
// User-interface thread; never throws.
void StartPingPage(int index, bool fromTask, std::int32_t retries, std::int32_t minutes, bool byMinutes);
