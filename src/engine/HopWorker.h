#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/HopEcho.h"
#include "engine/ReplyAccounting.h"
#include "engine/RunCallback.h"
#include "engine/RunThread.h"
#include "platform/IcmpEcho.h"

class ResolveHostThread;

// What a hop's row learns from its worker before any statistics.
enum class HopUpdate : std::uint8_t {
  Waiting,      // the worker has its ICMP handle; the row shows "*"
  RouterFound,  // Path ping: the router answered; the row shows its address
  NoHandle,     // no ICMP handle for the target's family; the row shows "Error"
};

// Whether the hops of one run got their echo sockets. The controller and its
// workers share it: a worker that was told to end may still reach its open
// after its controller is gone.
class HopSocketTally {
 public:
  // Worker thread, once per hop, after its open and its row.
  void Note(bool opened) {
    // The missing count first, so that whoever sees every hop tried also
    // sees every hop that failed.
    if (!opened) ++missing_;
    ++tried_;
  }
  // Any thread: how many of the run's `hops` got no socket, once all of them
  // have tried for one; -1 before.
  int MissingOnceTried(int hops) const { return tried_.load() < hops ? -1 : missing_.load(); }

 private:
  std::atomic<int> tried_{0};
  std::atomic<int> missing_{0};
};

// The worker of one hop of a Trace route or Path ping run: the frame both
// modes share, their callbacks and the destination rule. Hop h works on row
// h - 1 of the page. Made suspended and self-freeing by its controller;
// after its echoes it reports its end, then keeps asking whether its hop has
// come to lie beyond the destination, and idles until the controller
// terminates it, so the controller's pointer stays valid until then.
//
// The destination is the lowest hop whose first answer was the target's own
// echo reply. A worker whose hop lies beyond it stops its echoes and drops
// its row; its reply store goes when the controller trims the run.
class HopWorker : public RunThread {
 public:
  ~HopWorker() override;

  int HostSlot() const { return hostSlot_; }
  int Hop() const { return hop_; }
  // Before Resume: the tally of the run, told whether this hop got its socket.
  void CountSocketIn(std::shared_ptr<HopSocketTally> tally) { sockets_ = std::move(tally); }

 protected:
  // hop is clamped to 1..MaxHosts and the row is hop - 1; ipv4 0 means the
  // target is ipv6. mode is Traceroute or PathPing.
  HopWorker(Mode mode, RunStamp stamp, int hop, std::uint32_t ipv4, const Ipv6Octets& ipv6,
            const HopRunSettings& settings);

  void Execute() final;

  // The mode's echoes over the worker's handle. Returns when they are done,
  // the worker is terminated or its hop lies beyond the destination.
  virtual void Probe(IcmpEchoHandle& handle) = 0;
  // How often a worker that has finished its echoes checks its hop.
  virtual int BeyondCheckMs() const = 0;

  // Worker thread. Each hands its callback over unless terminated.
  void UpdateHop(HopUpdate update);
  void CheckBeyondDestination();
  void DestinationReached();
  // Hands `result` over as the hop's next echo.
  void AddReply(const EchoResult& result);
  // Notes the first answer that named an address: its text for the row, and
  // the lookup of its name when names are wanted.
  void NoteFirstAnswer(const EchoResult& answer);

  bool BeyondDestination() const { return beyondDestination_; }
  const EchoResult& LastReply() const { return reply_; }

  const Mode mode_;
  const RunStamp stamp_;
  const int hop_;
  const int hostSlot_;
  const std::uint32_t ipv4_;
  const Ipv6Octets ipv6_;
  const HopRunSettings settings_;

 private:
  // The hop's echo handle, null when it has none.
  std::unique_ptr<IcmpEchoHandle> OpenHandle();
  // Ends the echoes' part of the run: the lookup, the end report, the
  // destination checks, the idling.
  void Finish();

  // User-interface thread, under the callback rule.
  void SyncUpdateHop();
  void SyncCheckBeyondDestination();
  void SyncDestinationReached();
  void SyncAddReply();
  void SyncWorkerDone();
  TPingPage* PageOfThisRun() const;

  TPingRegistry& registry_;
  // Read by the callbacks while this thread waits for them.
  HopUpdate update_ = HopUpdate::Waiting;
  EchoResult reply_;
  std::string replyAddressText_;
  // Written by a callback; read by this thread after the hand-off returned.
  bool beyondDestination_ = false;
  std::unique_ptr<ResolveHostThread> lookup_;
  std::shared_ptr<HopSocketTally> sockets_;
};
