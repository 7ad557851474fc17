#pragma once

#include "engine/HopEcho.h"
#include "engine/RunLifecycle.h"
#include "pages/PageTypes.h"

// The engine's part of starting a Trace route or Path ping page: what
// follows the reset of the page's run state (new run id, rows reset with
// their links, result state, finished workers, selection and destination
// cleared, times stamped, editors stored). User-interface thread only.

// The run's settings (the page's, or a task's count and mode when `task` is
// given), the run's reply capacity, a reply store of that capacity for each
// of the first Hops rows (none when replies are not shown) and HostCount :=
// Hops. Returns the settings.
HopRunSettings PrepareHopRows(TPingPage& page, const TaskRunValues* task);

// PrepareHopRows, then the controller of `mode` (Traceroute or PathPing)
// launched with those settings. False when no thread could be had; the run
// has then failed (FailRunOfPage).
bool LaunchHopRun(Mode mode, TPingPage& page, const TaskRunValues* task);
