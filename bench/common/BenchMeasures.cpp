#include "common/BenchMeasures.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

extern char** environ;

namespace {

double Seconds(const timeval& t) {
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

constexpr int TickMs = 10;

}  // namespace

ProcessUsage SelfUsage() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return {Seconds(usage.ru_utime) + Seconds(usage.ru_stime), usage.ru_maxrss};
}

StallMeter::StallMeter(QObject* parent) : QObject(parent) {
  timer_.setTimerType(Qt::PreciseTimer);
  timer_.setInterval(TickMs);
  QObject::connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
  clock_.start();
  timer_.start();
}

void StallMeter::Reset() {
  lastNs_ = clock_.nsecsElapsed();
  longestMs_ = 0;
}

void StallMeter::Tick() {
  const qint64 now = clock_.nsecsElapsed();
  const double lateMs = static_cast<double>(now - lastNs_) / 1e6 - TickMs;
  if (lateMs > longestMs_) longestMs_ = lateMs;
  lastNs_ = now;
}

bool SpinUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  QElapsedTimer clock;
  clock.start();
  // The timer only wakes the wait below; processEvents with a time limit
  // never blocks, and spinning would bill its CPU to the program measured.
  QTimer wake;
  wake.start(5);
  while (!done()) {
    if (clock.elapsed() >= timeout.count()) return done();
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  return true;
}

ChildRun RunProgram(const std::vector<std::string>& argv) {
  ChildRun run;
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  QElapsedTimer clock;
  clock.start();
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return run;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return run;
  run.wallSeconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
  run.cpuSeconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.ok = run.exitCode == 0;
  return run;
}
