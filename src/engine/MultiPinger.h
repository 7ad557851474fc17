#pragma once

#include <string>
#include <vector>

#include "engine/EchoRounds.h"
#include "engine/RunCallback.h"
#include "engine/RunController.h"
#include "engine/RunLifecycle.h"

class MultiPing;

// The controller of a Multi ping run: copies the page's host texts, starts
// one MultiPing worker per host entry, waits until all have reported their
// end and ends the run. A page without hosts ends at once. Created by
// StartMultiPingPage, which hands it to LaunchController; it idles after its
// run until someone terminates it (its own finish callback, Stop, a new
// Start, shutdown).
class MultiPinger final : public RunController {
 public:
  // The settings are clamped to their ranges.
  MultiPinger(RunStamp stamp, const EchoRunSettings& settings);
  ~MultiPinger() override;

 private:
  // Controller thread.
  bool Run() override;
  void EndRun(bool allEnded) override;
  void StartWorkers();

  // User-interface thread, under the callback rule (SyncCheckDone without
  // its Terminated step: it writes only to this controller).
  void SyncStart() override;
  void SyncLoadHosts();
  void SyncCheckDone();
  void SyncFinished() override;

  const RunStamp stamp_;
  const EchoRunSettings settings_;
  std::vector<std::string> hosts_;   // filled by SyncLoadHosts, entry i = the page's host i
  std::vector<MultiPing*> workers_;  // valid until terminated: workers idle until then
  int workerCount_ = 0;
  bool allDone_ = false;  // written by SyncCheckDone while this thread waits for it
};

// The part of a Multi ping Start that follows the reset of the page's run
// state (new run id, editors stored): every host entry back to "not yet
// pinged" with a fresh reply store, the reply capacity of the run, and the
// controller launched. `task` replaces the page's count and mode for a
// scheduled start. False when no thread could be had; the run has then
// failed (FailRunOfPage).
bool LaunchMultiPingRun(TPingPage& page, const TaskRunValues* task);
