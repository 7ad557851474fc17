#include "engine/RunThread.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <unordered_set>

#include "engine/HandOff.h"

namespace {

thread_local RunThread* currentThread = nullptr;

// Every run thread of the process. Never destroyed: a thread that is still
// ending while the process exits reports its end here after static objects
// may already be gone.
struct ThreadRegistry {
  std::mutex mutex;
  std::condition_variable ended;
  std::unordered_set<RunThread*> live;  // guarded by mutex
  int running = 0;                      // guarded by mutex
};

ThreadRegistry& Registry() {
  static ThreadRegistry* registry = new ThreadRegistry;
  return *registry;
}

// The starts LimitStarts still allows; negative: no limit.
std::atomic<int> startsLeft{-1};

bool TakeStart() {
  int left = startsLeft.load();
  while (left > 0)
    if (startsLeft.compare_exchange_weak(left, left - 1)) return true;
  return left < 0;
}

}  // namespace

RunThread::RunThread() : root_(currentThread == nullptr) {
  std::lock_guard lock(Registry().mutex);
  Registry().live.insert(this);
}

RunThread::~RunThread() {
  if (thread_.joinable()) thread_.join();
  Unregister(this);
}

void RunThread::Unregister(RunThread* self) {
  std::lock_guard lock(Registry().mutex);
  if (!self->registered_) return;
  Registry().live.erase(self);
  self->registered_ = false;
}

void RunThread::Resume() {
  if (resumed_) return;
  resumed_ = true;
  {
    std::lock_guard lock(Registry().mutex);
    ++Registry().running;
  }
  try {
    if (!TakeStart())
      throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    // A self-freeing thread may delete itself before the next statement, so
    // its handle is a local and nothing of `this` is touched after the start.
    if (freeOnTerminate_)
      std::thread(&RunThread::Run, this).detach();
    else
      thread_ = std::thread(&RunThread::Run, this);
  } catch (...) {
    resumed_ = false;
    std::lock_guard lock(Registry().mutex);
    --Registry().running;
    throw;
  }
}

void RunThread::Run(RunThread* self) {
  const bool selfFreeing = self->freeOnTerminate_;
  currentThread = self;
  try {
    self->Execute();
  } catch (...) {
    // A thread body that fails ends its thread silently.
  }
  currentThread = nullptr;
  if (selfFreeing) {
    // Leave the registry first so that shutdown can no longer reach the
    // object, then free it; only the registry is touched afterwards.
    Unregister(self);
    delete self;
  }
  ThreadRegistry& registry = Registry();
  {
    std::lock_guard lock(registry.mutex);
    --registry.running;
  }
  registry.ended.notify_all();
}

void RunThread::Terminate() { terminated_.store(true); }

void RunThread::WaitFor() {
  if (thread_.joinable()) thread_.join();
}

RunThread* RunThread::Current() { return currentThread; }

bool RunThread::Synchronize(const std::function<void()>& fn) const { return ::Synchronize(fn); }

void RunThread::IdleUntilTerminated() const {
  while (SleepUnlessTerminated(1000)) {
  }
}

bool RunThread::SleepUnlessTerminated(int ms) const {
  using namespace std::chrono;
  const auto deadline = steady_clock::now() + milliseconds(std::max(ms, 0));
  while (!Terminated()) {
    const auto now = steady_clock::now();
    if (now >= deadline) break;
    std::this_thread::sleep_for(std::min<steady_clock::duration>(deadline - now, milliseconds(100)));
  }
  return !Terminated();
}

int RunThread::LiveThreads() {
  std::lock_guard lock(Registry().mutex);
  return static_cast<int>(Registry().live.size());
}

int RunThread::RunningThreads() {
  std::lock_guard lock(Registry().mutex);
  return Registry().running;
}

void RunThread::TerminateRootThreads() {
  // The flag directly rather than a call: a thread being deleted by its owner
  // is still listed until its base part is destroyed.
  std::lock_guard lock(Registry().mutex);
  for (RunThread* thread : Registry().live)
    if (thread->root_) thread->terminated_.store(true);
}

void RunThread::LimitStarts(int starts) { startsLeft.store(starts < 0 ? -1 : starts); }

bool RunThread::WaitForRunningThreads(std::chrono::milliseconds slice) {
  ThreadRegistry& registry = Registry();
  std::unique_lock lock(registry.mutex);
  return registry.ended.wait_for(lock, slice, [&] { return registry.running == 0; });
}
