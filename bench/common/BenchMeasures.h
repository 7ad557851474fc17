#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

// What the benchmarks measure besides their own counts.

// CPU time of this process so far (user + system, all threads) and its peak
// resident memory.
struct ProcessUsage {
  double cpuSeconds = 0;
  long peakResidentKb = 0;
};
ProcessUsage SelfUsage();

// How late the user-interface thread serves a 10 ms timer: the longest gap
// between two ticks, less the 10 ms. Runs while the event loop turns.
class StallMeter : public QObject {
 public:
  explicit StallMeter(QObject* parent = nullptr);
  void Reset();
  double LongestStallMs() const { return longestMs_; }

 private:
  void Tick();

  QTimer timer_;
  QElapsedTimer clock_;
  qint64 lastNs_ = 0;
  double longestMs_ = 0;
};

// Turns the event loop until `done` holds or `timeout` has passed; returns done().
bool SpinUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

// A reference program run to its end in the calling thread's network
// namespace, with its own wall and CPU time (from its rusage).
struct ChildRun {
  bool ok = false;
  int exitCode = -1;
  double wallSeconds = 0;
  double cpuSeconds = 0;
};
ChildRun RunProgram(const std::vector<std::string>& argv);
