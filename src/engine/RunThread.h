#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "pages/PageTypes.h"

// The base of every controller, worker and lookup thread of a run.
//
// A thread is created suspended and starts with Resume. Terminate only raises
// a flag; the thread's Execute notices it at its next check. With
// FreeOnTerminate set, the thread deletes itself on its own thread as soon as
// Execute has returned, so whoever keeps a pointer to such a thread must know
// that it is still alive: the run frame guarantees that by letting every
// controller and worker idle until it is terminated, and by having the one who
// terminates it forget the pointer at once. Without FreeOnTerminate the owner
// ends the thread with Terminate, WaitFor and delete.
//
// Every thread is counted from construction to destruction so that the
// program can end its runs at shutdown (see RunShutdown.h). A thread built on
// a thread that is no RunThread (the window, a test) is a root; one built
// inside another RunThread's Execute belongs to that thread, which has to
// terminate it before it ends itself.
class RunThread : public PageWorker {
 public:
  RunThread(const RunThread&) = delete;
  RunThread& operator=(const RunThread&) = delete;
  // Delete a thread only before Resume or after WaitFor; a self-freeing
  // thread is never deleted by anyone else.
  virtual ~RunThread();

  // Starts Execute on a new thread; later calls do nothing. A self-freeing
  // thread may be gone as soon as this returns unless its Execute waits for
  // Terminate. Throws std::system_error when no thread can be had; the
  // object then stays suspended and its creator deletes it.
  void Resume();
  // Atomic; safe from any thread while the object exists. It does not start a
  // suspended thread: resume it so that it ends (and frees itself), or delete it.
  void Terminate() final;
  bool Terminated() const { return terminated_.load(); }

  // Set before Resume.
  void SetFreeOnTerminate(bool on) { freeOnTerminate_ = on; }
  bool FreeOnTerminate() const { return freeOnTerminate_; }

  // Blocks until Execute has returned; at once when it was never resumed.
  // Not for self-freeing threads, which may be gone by the time it returns.
  void WaitFor();

  // The RunThread whose Execute runs on the calling thread, or null.
  static RunThread* Current();

  // The process-wide count, used by shutdown and by tests.
  // Threads constructed and not yet destroyed.
  static int LiveThreads();
  // Threads resumed whose Execute has not returned yet (self-freeing ones
  // count until they are deleted).
  static int RunningThreads();
  // Terminates every root thread, suspended ones included.
  static void TerminateRootThreads();
  // Waits at most `slice` for RunningThreads() to fall to 0; true when it has.
  static bool WaitForRunningThreads(std::chrono::milliseconds slice);

  // For tests, which cannot take threads from the system one by one: once
  // `starts` more threads have started, every Resume fails as it fails when
  // the system has no thread left. Negative (the default) lifts the limit.
  // Any thread may call it.
  static void LimitStarts(int starts);

 protected:
  RunThread();

  virtual void Execute() = 0;

  // The hand-off to the user-interface thread (HandOff.h). Callbacks still
  // check Terminated themselves: the flag may rise while the hand-off waits.
  // The hand-off itself may throw (it allocates); virtual so that such a
  // failure can be staged against the code that must survive it.
  virtual bool Synchronize(const std::function<void()>& fn) const;

  // Sleeps for ms milliseconds in slices of at most 100 ms, returning early
  // once the thread is terminated. Returns !Terminated().
  bool SleepUnlessTerminated(int ms) const;
  // Waits, however long it takes, until the thread is terminated: whoever
  // holds its pointer (a worker's controller, a controller's window) may use
  // it until then.
  void IdleUntilTerminated() const;

 private:
  static void Run(RunThread* self);
  static void Unregister(RunThread* self);

  std::atomic<bool> terminated_{false};
  bool freeOnTerminate_ = false;
  bool resumed_ = false;  // touched only by the thread that resumes it
  const bool root_;
  bool registered_ = true;  // guarded by the registry's mutex
  std::thread thread_;      // joinable only for a resumed thread that is not self-freeing
};

// How many of the threads a run needs it could start, and why no more.
struct ThreadShortfall {
  int wanted = 0;
  int started = 0;
  std::string why;  // the system's reason for the first that could not start
  bool Short() const { return started < wanted; }
};

// Starts the workers a controller created, in order, each freeing itself when
// it ends, and returns those that started. Every worker exists before any
// starts, so that they begin together. When the system has no thread left,
// the rest (still owned by `created`) are deleted with it; `shortfall` says
// how many started and why the next did not, and the caller decides whether
// its run can go on with those.
template <class Worker>
std::vector<Worker*> ResumeWorkers(std::vector<std::unique_ptr<Worker>>& created,
                                   ThreadShortfall& shortfall) {
  std::vector<Worker*> started;
  started.reserve(created.size());
  shortfall = ThreadShortfall{static_cast<int>(created.size()), 0, {}};
  for (auto& worker : created) {
    worker->SetFreeOnTerminate(true);
    try {
      worker->Resume();
    } catch (const std::system_error& failure) {
      shortfall.why = failure.code().message();
      break;
    }
    started.push_back(worker.release());
  }
  shortfall.started = static_cast<int>(started.size());
  return started;
}

// Tells every started worker to end. Each idles until then and may free
// itself at any moment afterwards, so the pointers are forgotten at once.
template <class Worker>
void EndWorkers(std::vector<Worker*>& workers) {
  for (Worker* worker : workers) worker->Terminate();
  workers.clear();
}
