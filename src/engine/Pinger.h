#pragma once

#include <string>
#include <vector>

#include "engine/EchoRounds.h"
#include "engine/HostResolution.h"
#include "engine/RunCallback.h"
#include "engine/RunController.h"
#include "engine/RunLifecycle.h"

class Ping;

// The controller of a Ping run: resolves the page's host, publishes one row
// per address it will ping, starts one Ping worker per row, waits until all
// have reported their end and ends the run. Created by StartPingPage through
// LaunchPingRun; it idles after its run until someone terminates it (its own
// finish callback, Stop, a new Start, shutdown).
class Pinger final : public RunController {
 public:
  // The settings are clamped to their ranges.
  Pinger(RunStamp stamp, std::string host, const EchoRunSettings& settings, bool pingForAllIp);
  ~Pinger() override;

 private:
  // Controller thread.
  bool Run() override;
  void EndRun(bool allEnded) override;
  void StartWorkers();

  // User-interface thread, under the callback rule (SyncCheckDone without
  // its Terminated step: it writes only to this controller).
  void SyncStart() override;
  void SyncShowTarget();
  void SyncCheckDone();
  void SyncFinished() override;

  const RunStamp stamp_;
  const std::string host_;
  const EchoRunSettings settings_;
  const bool pingForAllIp_;
  HostAddressList targets_;     // written before SyncShowTarget reads it
  std::vector<Ping*> workers_;  // valid until terminated: workers idle until then
  int workerCount_ = 0;
  bool allDone_ = false;  // written by SyncCheckDone while this thread waits for it
};

// The part of a Ping Start that follows the reset of the page's result (new
// run id, rows and result state cleared, editors stored): the run's settings
// (the page's, or a task's count and mode when `task` is given), the reply
// capacity of the run, and the controller launched; the rows come from the
// controller once the host is resolved. False when no thread could be had;
// the run has then failed (FailRunOfPage).
bool LaunchPingRun(TPingPage& page, const TaskRunValues* task);
