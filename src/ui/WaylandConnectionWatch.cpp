#include "ui/WaylandConnectionWatch.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

namespace {

// How the toolkit words the loss: a connection that broke (the compositor
// went away), or any other fatal error of the connection, its reason after
// the colon.
constexpr QLatin1StringView Broke("The Wayland connection broke");
constexpr QLatin1StringView Failed("The Wayland connection experienced a fatal error");

// Shared with the toolkit's threads, which may still be in a warning when
// the watch ends: never destroyed.
struct Hold {
  std::mutex mutex;
  std::condition_variable changed;
  bool called = false;  // guarded by mutex
};
Hold& hold = *new Hold;

std::atomic<bool> watching{false};
// Which watch a call asked for belongs to: one asked for under a watch that
// has ended since is not made.
std::atomic<int> generation{0};
std::atomic<QtMessageHandler> passOn{nullptr};
// Set on the UI thread while the watch is made, before it watches.
std::thread::id uiThread;
int waitMs = WaylandConnectionWatch::WaitMs;
// UI thread only: what to call, and whether the call was made or begun.
std::function<void()> lost;
bool claimed = false;

void MarkCalled() {
  {
    const std::lock_guard<std::mutex> locked(hold.mutex);
    hold.called = true;
  }
  hold.changed.notify_all();
}

// UI thread. A loss that both the UI thread and another thread meet makes
// one call.
void CallOnce() {
  if (!watching.load() || claimed) return;
  claimed = true;
  try {
    lost();
  } catch (...) {
  }
  MarkCalled();
}

void WatchForLoss(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  // Said first: the toolkit's line explains whatever the call adds.
  if (const QtMessageHandler next = passOn.load()) next(type, context, message);
  // Before the watch is seen to watch: a call asked for once it has ended
  // belongs to no watch.
  const int asked = generation.load();
  if (!watching.load() || !(message.startsWith(Broke) || message.startsWith(Failed))) return;
  if (std::this_thread::get_id() == uiThread) {
    CallOnce();
    return;
  }
  // This thread must not touch the window, and the toolkit ends the process
  // as soon as the warning returns: it waits here for the UI thread.
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [asked] {
        if (asked == generation.load()) CallOnce();
      },
      Qt::QueuedConnection);
  std::unique_lock<std::mutex> locked(hold.mutex);
  hold.changed.wait_for(locked, std::chrono::milliseconds(waitMs),
                        [] { return hold.called || !watching.load(); });
}

}  // namespace

WaylandConnectionWatch::WaylandConnectionWatch(std::function<void()> onLoss, int wait) {
  lost = std::move(onLoss);
  uiThread = std::this_thread::get_id();
  waitMs = wait;
  claimed = false;
  {
    const std::lock_guard<std::mutex> locked(hold.mutex);
    hold.called = false;
  }
  passOn = qInstallMessageHandler(WatchForLoss);
  watching = true;
}

WaylandConnectionWatch::~WaylandConnectionWatch() {
  {
    // Under the lock, so that a thread about to wait sees it.
    const std::lock_guard<std::mutex> locked(hold.mutex);
    watching = false;
    ++generation;
  }
  // A thread held in a warning goes on: nobody is left to make the call.
  hold.changed.notify_all();
  qInstallMessageHandler(passOn.load());
  lost = nullptr;
}
