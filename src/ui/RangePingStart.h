#pragma once

#include <cstdint>

// Starts a run of page `index` of the IP range ping registry (nothing for
// an index outside it): a run still active on the page is cut first and
// gets its end-of-run actions; the host records of the last run and the
// shown alive-host grid and replies go, the shown page's editors are stored
// into it, and, when From and To make a range (either order; neither
// 0.0.0.0 nor 255.255.255.255 nor a text that is no address), a RangePinger
// is started over it with the page's settings, or with the task's count,
// minutes and mode when fromTask is set. An unusable range starts nothing.
// User-interface thread; never throws.
void StartRangePingPage(int index, bool fromTask, std::int32_t retries, std::int32_t minutes, bool byMinutes);
