#include "ui/DrawingThreads.h"

#include <QDir>
#include <QThreadPool>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace {

int ThreadsOfThisProcess() {
  return static_cast<int>(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

// Each piece holds its thread until every thread that could be started has
// one, so that the pool has to start a thread for every piece.
struct Gathering {
  std::mutex mutex;
  std::condition_variable changed;
  int arrived = 0;        // guarded by mutex
  bool released = false;  // guarded by mutex
};

}  // namespace

Status KeepDrawingThreads() {
  QThreadPool* pool = QThreadPool::globalInstance();
  pool->setExpiryTimeout(-1);
  const int wanted = pool->maxThreadCount();
  // Shared with the pieces, which may run after this returns.
  auto gathering = std::make_shared<Gathering>();
  // A thread the system refuses leaves no trace but a warning, while one it
  // grants shows in the process's task list as soon as it exists. Without a
  // task list (no /proc), every thread is waited for, within a bound.
  const int before = ThreadsOfThisProcess();
  for (int i = 0; i < wanted; ++i)
    pool->start([gathering] {
      std::unique_lock lock(gathering->mutex);
      ++gathering->arrived;
      gathering->changed.notify_all();
      gathering->changed.wait(lock, [&] { return gathering->released; });
    });
  const int started = before > 0 ? ThreadsOfThisProcess() - before : wanted;

  std::unique_lock lock(gathering->mutex);
  // Started threads arrive at once; the bound only keeps a stalled system
  // from holding the start-up forever.
  const bool gathered = gathering->changed.wait_for(lock, std::chrono::seconds(before > 0 ? 60 : 10),
                                                    [&] { return gathering->arrived >= started; });
  gathering->released = true;
  gathering->changed.notify_all();
  if (started >= wanted && gathered) return Status::Success();
  return Status::Failure(Status::Kind::IoError,
                         QStringLiteral("cannot start: only %1 of the %2 threads the window draws with could be started")
                             .arg(gathering->arrived)
                             .arg(wanted)
                             .toStdString());
}
