#pragma once

#include "pages/PageTypes.h"

// Ending a page's run and clearing its result, per mode. Each takes a page
// index into the mode's registry and does nothing for an index outside it.
// Only when the index is the tab's current page are the tab's controls
// touched; any other page changes in its record alone. UI thread only.

// Tells the page's controller to end (without waiting), forgets it, moves
// the run id on so that late results are dropped, stamps EndTime and, on the
// shown page, resets the run buttons. No end-of-run actions follow.
void StopPingPage(int index);
void StopMultiPingPage(int index);
void StopRangePingPage(int index);
void StopTraceroutePage(int index);
void StopPathPingPage(int index);
void StopPage(Mode mode, int index);

// Frees and resets the page's result rows and empties the shown tab's result
// views. Callers stop the run first, so no late result can reach a freed
// store. Multi ping keeps its host list; with dropRows its list rows go too,
// without it they stay with blank statistics.
void ClearPingPageResult(int index);
void ClearMultiPingPageResult(int index, bool dropRows);
void ClearRangePingPageResult(int index);
void ClearTraceroutePageResult(int index);
void ClearPathPingPageResult(int index);
// Multi ping drops its rows here, as page deletion and destruction need.
void ClearPageResult(Mode mode, int index);
