#pragma once

#include "platform/Status.h"

// The two places where the main window's life cycle meets the echo engine.

// Start-up, on the user-interface thread before any run: prepares the
// hand-off of run results to this thread, raises the open-file limit and
// probes which ICMP socket road each address family can take. A failure
// (IPv4 cannot be pinged at all) ends the program before its window
// appears; the status says why. Without IPv6, IPv6 targets get "Ping error".
Status BindEchoEntryPoints();

// Called by the window's destruction after every run was told to stop and
// before the pages are freed: closes the hand-off gate, so no run callback
// reaches a page any more, and waits at most two seconds, answering queued
// hand-offs meanwhile, until no run thread is left. Threads still inside an
// echo or a lookup then end on their own; they no longer reach any page.
void StopRunThreadsForShutdown();
