#pragma once

#include <functional>

// The hand-off of results from run threads to the user-interface thread.
//
// Page records, registries and views belong to the user-interface thread (the
// thread of the QCoreApplication). A run thread never touches them itself: it
// hands a function to that thread and blocks until the function has returned,
// so the function may read the thread's own fields without a lock.
//
// The hand-off gate exists for shutdown. While it is open every hand-off runs;
// once closed, a hand-off neither runs its function nor blocks, and hand-offs
// already queued are answered without running. That lets the window end the
// program while threads are still busy, without their results reaching pages
// and views that are about to go away.

// Runs fn on the user-interface thread and returns once it has returned.
// True when fn ran; false when the gate was closed or no application object
// exists. Exceptions thrown by fn are dropped on the user-interface thread, so
// none crosses the event loop. Meant for run threads; called on the
// user-interface thread itself it runs fn directly rather than deadlocking.
bool Synchronize(const std::function<void()>& fn);

// Creates the object that receives hand-offs on the calling thread, which
// must be the user-interface thread. Optional: the first hand-off creates it
// otherwise; calling it early merely moves that cost to start-up.
void InstallHandOff();

// Closes the gate (see above). Any thread may call it; it never blocks.
void CloseHandOffGate();
// Opens the gate again. For tests, and for a program that restarts its runs.
void OpenHandOffGate();

// Hand-offs that have been queued and whose threads are still waiting.
int PendingHandOffs();

// Delivers the queued hand-offs and nothing else. User-interface thread only;
// unlike processEvents it cannot re-enter window code other than the handed
// functions, so it is safe while the window is being torn down.
void ServePendingHandOffs();
