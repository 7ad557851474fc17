#pragma once

#include "platform/Status.h"

// The two places where the main window's life cycle meets the echo engine.
// Until the engine lands they do nothing of substance.

// Binds the ICMP and resolver entry points at start-up. A failure ends the
// program before its window appears; the status says why.
Status BindEchoEntryPoints();

// Called by the window's destruction after every run was told to stop and
// before the pages are freed: waits, with a bound and while the event loop
// keeps turning, until no run thread can still reach a page or sit inside an
// echo or a lookup. Must never block forever.
void StopRunThreadsForShutdown();
