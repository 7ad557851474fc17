#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/RunCallback.h"
#include "engine/RunThread.h"
#include "platform/IcmpEcho.h"

// The reverse lookup of one pinged address, which fills the "Host Name"
// column of one row while the row's worker goes on with its echoes.
//
// Used by the workers of the Ping, Multi ping, Trace route and Path ping
// modes: the mode says which registry the name goes to. A worker starts at
// most one, with Start, and ends it with Finish before it reports its own end.
// The lookup itself cannot be interrupted; Finish therefore first marks the
// thread terminated, so that a name arriving after the worker's echoes is
// dropped, and then waits for the lookup to return.
class ResolveHostThread final : public RunThread {
 public:
  // Created suspended; hostSlot is clamped to a row index (0..MaxHosts-1).
  // ipv4 0 means the address is ipv6. mode must be Ping, MultiPing,
  // Traceroute or PathPing; for RangePing the name goes nowhere.
  ResolveHostThread(RunStamp stamp, Mode mode, int hostSlot, std::uint32_t ipv4, const Ipv6Octets& ipv6);

  // Creates the thread and starts it at once; null when no thread can be had
  // (the row then keeps its blank name). Call from a worker's Execute.
  static std::unique_ptr<ResolveHostThread> Start(RunStamp stamp, Mode mode, int hostSlot, std::uint32_t ipv4,
                                                  const Ipv6Octets& ipv6);
  // Terminate, WaitFor, delete; nothing for null. Blocks until a running
  // lookup has returned and its hand-off, if any, is done.
  static void Finish(std::unique_ptr<ResolveHostThread>& thread);

  Mode TargetMode() const { return mode_; }
  int HostSlot() const { return hostSlot_; }

 protected:
  void Execute() override;

 private:
  // User-interface thread: the name into the row, and into the shown list.
  void SyncSetHostName();

  const RunStamp stamp_;
  const Mode mode_;
  const int hostSlot_;
  const std::uint32_t ipv4_;
  const Ipv6Octets ipv6_;
  std::string hostName_;  // written by Execute before the hand-off that reads it
};
