#pragma once

#include <chrono>

// How the program ends while runs may still be active.
//
// The window calls ShutdownRunThreads once, on the user-interface thread,
// after the close was confirmed and before it frees pages, views or platform
// objects. It then guarantees:
//   1. The hand-off gate is closed: no callback of any run thread runs any
//      more, whether it was already queued or comes later, and no thread
//      blocks in a hand-off. Run threads hold no page pointers and reach pages
//      and views only through callbacks, so from here on the window may free
//      them.
//   2. No page of the five registries points at a controller any more (its
//      `Worker` is null), so a later Stop cannot touch a thread that has freed
//      itself. Start no run afterwards.
//   3. Every root thread (each page's controller) is terminated; controllers
//      terminate their workers and workers their lookup threads, as on Stop.
//   4. It returns once no run thread is running or when `bound` has passed,
//      whichever comes first; it never waits longer. Meanwhile only queued
//      hand-offs are delivered (as no-ops), no other events, so no window code
//      re-enters.
// Threads still running after the bound are inside an echo that waits for its
// timeout or inside a name lookup. They touch only their own objects and
// state that lives as long as the process, and end on their own or with it.
// Platform objects such threads use must therefore not be destroyed at exit.
struct ShutdownOutcome {
  bool allEnded = false;  // no run thread was running any more on return
  int stillRunning = 0;   // threads still running when the bound expired
};

// Two seconds lets every thread that is between echoes or polling notice the
// flag (they check it at least every 100 ms, idlers every second) and keeps
// the close of the window from feeling stuck.
inline constexpr std::chrono::milliseconds DefaultShutdownBound{2000};

ShutdownOutcome ShutdownRunThreads(std::chrono::milliseconds bound = DefaultShutdownBound);
