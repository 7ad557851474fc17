#pragma once

#include <functional>

// On Wayland the toolkit ends the process itself, at once and without the
// exit handlers (status 1), once its connection to the compositor is lost:
// the compositor ended first (a log-out often ends it before its programs),
// crashed, or broke the connection off. It says so in a warning just
// before, on whichever thread found the loss: the UI thread, or one of the
// toolkit's threads that read the compositor's events, which never touch the
// window. This watch turns that warning into one call of `lost` on the UI
// thread, before the toolkit goes on to end the process:
// - on the UI thread, at once, inside the warning;
// - on another thread, the warning is held there while the UI thread is
//   asked, through its event loop, to make the call; it goes on once the
//   call has returned, or after `waitMs` without it (a UI thread that never
//   turns its loop must not keep the process, and its lock, from ending).
// Meanwhile the UI thread usually meets the loss itself, and makes the call
// there. Every warning goes on to the handler that came before the watch.
//
// Make it on the UI thread once the application object exists, and end it
// before the handler that came before it, and before whatever `lost` uses.
class WaylandConnectionWatch {
 public:
  // Below the wait of a later start for this copy (SingleInstance::WaitMs):
  // a copy whose UI thread is stuck has ended before the next start gives
  // up on it. A large save takes a few seconds.
  static constexpr int WaitMs = 20000;

  explicit WaylandConnectionWatch(std::function<void()> lost, int waitMs = WaitMs);
  ~WaylandConnectionWatch();
  WaylandConnectionWatch(const WaylandConnectionWatch&) = delete;
  WaylandConnectionWatch& operator=(const WaylandConnectionWatch&) = delete;
};
