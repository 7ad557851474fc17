#include "engine/HandOff.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace {

// One waiting hand-off. It lives on the stack of the thread that waits for it,
// so it must have left the queue before that thread returns.
struct Request {
  const std::function<void()>* fn = nullptr;
  bool done = false;  // guarded by HandOffState::mutex
  bool ran = false;   // guarded by HandOffState::mutex
};

// The requests travel through our own queue rather than inside Qt's event:
// the event only wakes the user-interface thread. Qt's internal locking is
// invisible to ThreadSanitizer, this mutex is not, so every field a handed
// function reads is ordered by a lock the tools can see.
struct HandOffState {
  std::mutex mutex;
  std::condition_variable served;
  bool gateOpen = true;        // guarded by mutex
  std::deque<Request*> queue;  // guarded by mutex
  int waiting = 0;             // guarded by mutex
};

// Never destroyed: a thread still ending after the program's shutdown bound
// may consult it while static objects are being torn down.
HandOffState& State() {
  static HandOffState* state = new HandOffState;
  return *state;
}

void RunDroppingExceptions(const std::function<void()>& fn) {
  try {
    fn();
  } catch (...) {
    // A failing callback keeps what it wrote so far and says nothing.
  }
}

}  // namespace

// Lives in the user-interface thread for the whole program; it is never
// deleted, so a queued invocation can never meet a dead receiver.
class HandOffTarget : public QObject {
  Q_OBJECT

 public:
  Q_INVOKABLE void ServeQueue() {
    HandOffState& s = State();
    std::unique_lock lock(s.mutex);
    while (!s.queue.empty()) {
      Request* request = s.queue.front();
      s.queue.pop_front();
      if (s.gateOpen) {
        lock.unlock();
        RunDroppingExceptions(*request->fn);
        lock.lock();
        request->ran = true;
      }
      request->done = true;
      s.served.notify_all();
    }
  }
};

namespace {

HandOffTarget* Target() {
  static std::once_flag once;
  static HandOffTarget* target = nullptr;
  std::call_once(once, [] {
    target = new HandOffTarget;
    QCoreApplication* app = QCoreApplication::instance();
    if (app && target->thread() != app->thread()) target->moveToThread(app->thread());
  });
  return target;
}

bool OnUserInterfaceThread(const QCoreApplication* app) { return QThread::currentThread() == app->thread(); }

}  // namespace

bool Synchronize(const std::function<void()>& fn) {
  HandOffState& s = State();
  {
    std::lock_guard lock(s.mutex);
    if (!s.gateOpen || !fn) return false;
  }
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return false;
  if (OnUserInterfaceThread(app)) {
    RunDroppingExceptions(fn);
    return true;
  }

  HandOffTarget* target = Target();
  Request request;
  request.fn = &fn;
  {
    std::lock_guard lock(s.mutex);
    if (!s.gateOpen) return false;
    s.queue.push_back(&request);
    ++s.waiting;
  }
  // Blocks until the user-interface thread has delivered the event, or until
  // Qt drops the event undelivered (the application is going away).
  QMetaObject::invokeMethod(target, "ServeQueue", Qt::BlockingQueuedConnection);

  std::unique_lock lock(s.mutex);
  if (!request.done) {
    // Our event was dropped. Either nobody took the request yet, then take it
    // back, or another event is serving it right now, then wait for that.
    auto it = std::find(s.queue.begin(), s.queue.end(), &request);
    if (it != s.queue.end())
      s.queue.erase(it);
    else
      s.served.wait(lock, [&] { return request.done; });
  }
  --s.waiting;
  s.served.notify_all();
  return request.ran;
}

void InstallHandOff() {
  if (QCoreApplication::instance()) Target();
}

void CloseHandOffGate() {
  std::lock_guard lock(State().mutex);
  State().gateOpen = false;
}

void OpenHandOffGate() {
  std::lock_guard lock(State().mutex);
  State().gateOpen = true;
}

bool HandOffGateOpen() {
  std::lock_guard lock(State().mutex);
  return State().gateOpen;
}

int PendingHandOffs() {
  std::lock_guard lock(State().mutex);
  return State().waiting;
}

void ServePendingHandOffs() {
  if (!QCoreApplication::instance()) return;
  QCoreApplication::sendPostedEvents(Target(), QEvent::MetaCall);
}

#include "HandOff.moc"
