#include "engine/HandOff.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

namespace {

// One waiting hand-off. It lives on the stack of the thread that waits for it,
// so it must have left the queue, and been told so, before that thread returns.
struct Request {
  const std::function<void()>* fn = nullptr;
  std::condition_variable answered;  // the waiting thread sleeps on this one alone
  bool done = false;                 // guarded by HandOffState::mutex
  bool ran = false;                  // guarded by HandOffState::mutex
};

// The requests travel through our own queue, and their threads wait on their
// own condition variables; Qt only wakes the user-interface thread, with one
// queued call for however many requests arrive before it serves them. That
// keeps a hand-off to a queue push, one wake-up and one notification, which
// matters at thousands of echoes a second. Qt's internal locking is also
// invisible to ThreadSanitizer, this mutex is not, so every field a handed
// function reads is ordered by a lock the tools can see.
struct HandOffState {
  std::mutex mutex;
  // Written under mutex; read under it, or alone where a stale value is
  // harmless (the user-interface thread between callbacks).
  std::atomic<bool> gateOpen{true};
  std::deque<Request*> queue;  // guarded by mutex
  int waiting = 0;             // guarded by mutex
  bool wakePosted = false;     // guarded by mutex: a wake-up event is on its way
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

// Tells a request's thread that it may return. Under the mutex: the thread
// may destroy the request as soon as it sees `done`.
void Answer(Request* request, bool ran) {
  request->ran = ran;
  request->done = true;
  request->answered.notify_one();
}

}  // namespace

// Lives in the user-interface thread for the whole program; it is never
// deleted, so a posted wake-up can never meet a dead receiver.
class HandOffTarget : public QObject {
  Q_OBJECT

 public:
  // The wake-up a run thread posts: a plain event of our own type, the
  // cheapest thing Qt delivers. Qt routes it to customEvent, and nothing
  // else is ever posted to this object, so the event itself is not read.
  static QEvent::Type WakeType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
  }

  // Serves every request queued by now, and those that arrive meanwhile.
  // Requests are taken and answered in batches, so that many threads waiting
  // at once cost two turns of the lock per batch rather than per request.
  void ServeQueue() {
    HandOffState& s = State();
    std::vector<Request*> batch;
    std::unique_lock lock(s.mutex);
    while (!s.queue.empty()) {
      batch.assign(s.queue.begin(), s.queue.end());
      s.queue.clear();
      lock.unlock();
      std::size_t served = 0;
      // The gate may close during the batch (shutdown closes it from this
      // thread, between two callbacks): from then on nothing runs.
      for (; served < batch.size() && s.gateOpen.load(); ++served) RunDroppingExceptions(*batch[served]->fn);
      lock.lock();
      for (std::size_t i = 0; i < batch.size(); ++i) Answer(batch[i], i < served);
    }
    // Requests queued from here on post a new call.
    s.wakePosted = false;
  }

 protected:
  void customEvent(QEvent*) override { ServeQueue(); }
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
  std::unique_lock lock(s.mutex);
  if (!s.gateOpen) return false;
  s.queue.push_back(&request);
  ++s.waiting;
  const bool post = !s.wakePosted;
  s.wakePosted = true;
  if (post) {
    // Posting only queues an event; it never waits for the user-interface
    // thread, so doing it under our lock cannot deadlock, and it keeps
    // `wakePosted` true exactly while a call is on its way.
    QCoreApplication::postEvent(target, new QEvent(HandOffTarget::WakeType()));
  }
  // Answered by ServeQueue, or, once the gate closes, by CloseHandOffGate.
  request.answered.wait(lock, [&] { return request.done; });
  --s.waiting;
  return request.ran;
}

void InstallHandOff() {
  if (QCoreApplication::instance()) Target();
}

void CloseHandOffGate() {
  HandOffState& s = State();
  std::lock_guard lock(s.mutex);
  s.gateOpen = false;
  // Nobody waits behind a closed gate, even when the user-interface thread
  // never turns its event loop again.
  for (Request* request : s.queue) Answer(request, false);
  s.queue.clear();
}

void OpenHandOffGate() {
  std::lock_guard lock(State().mutex);
  State().gateOpen = true;
}

int PendingHandOffs() {
  std::lock_guard lock(State().mutex);
  return State().waiting;
}

void ServePendingHandOffs() {
  if (!QCoreApplication::instance()) return;
  // The queue directly: the posted call may still be on its way.
  Target()->ServeQueue();
}

#include "HandOff.moc"
