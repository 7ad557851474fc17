#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/HopEcho.h"
#include "engine/HopWorker.h"
#include "engine/HostResolution.h"
#include "engine/RunCallback.h"
#include "engine/RunController.h"

// The controller of a Trace route or Path ping run: resolves the page's host
// to one target, starts one worker per hop 1..Hops at once, waits until all
// have reported their end, drops the hops beyond the destination and ends
// the run. Created by the mode's Start, which hands it to LaunchController;
// it idles after its run until someone terminates it (its own finish
// callback, Stop, a new Start, shutdown). A terminated controller ends its
// workers and skips the trim and the finish callback.
//
// A hop without an echo socket fails the run as soon as every hop has tried
// for one, as a run short of threads fails: a report would show the hop as
// a router that did not answer.
class HopController : public RunController {
 public:
  ~HopController() override;

 protected:
  // mode is Traceroute or PathPing; the settings are clamped.
  HopController(Mode mode, RunStamp stamp, std::string host, const HopRunSettings& settings);

  // The suspended worker of hop `hop` for the resolved target (ipv4 0: ipv6).
  virtual std::unique_ptr<HopWorker> MakeWorker(int hop, std::uint32_t ipv4,
                                                const Ipv6Octets& ipv6) const = 0;

  const RunStamp stamp_;
  const HopRunSettings settings_;

 private:
  // Controller thread. Run is true when every worker has reported its end.
  bool Run() override;
  void EndRun(bool allEnded) override;
  void StartWorkers();

  // User-interface thread, under the callback rule (SyncCheckDone without
  // its Terminated step: it writes only to this controller).
  void SyncStart() override;
  void SyncShowTarget();
  void SyncCheckDone();
  void SyncTrimHops();
  void SyncFinished() override;

  TPingRegistry& registry_;
  const std::string host_;
  const std::shared_ptr<HopSocketTally> sockets_;
  SingleTarget target_;              // written before SyncShowTarget reads it
  std::vector<HopWorker*> workers_;  // valid until terminated: workers idle until then
  int workerCount_ = 0;
  // Written by SyncCheckDone while this thread waits for it.
  bool allDone_ = false;
  int withoutSocket_ = 0;  // hops that got no socket, once every hop has tried
};
