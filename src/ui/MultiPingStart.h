#pragma once

#include <cstdint>

// Starts a run of page `index` of the Multi ping registry (nothing for an
// index outside it): a run still active on the page is cut first and gets
// its end-of-run actions; every host entry keeps its host text and starts
// over (the shown rows go blank), the shown page's editors are stored into
// it, and a MultiPinger is started with the page's settings, or with the
// task's count, minutes and mode when fromTask is set (retries clamped to
// 1..999,999, minutes to 1..60,000; the page keeps its own values).
// User-interface thread; never throws.
void StartMultiPingPage(int index, bool fromTask, std::int32_t retries, std::int32_t minutes, bool byMinutes);
