#pragma once

#include <cstdint>

#include "engine/EchoRounds.h"
#include "engine/ReplyAccounting.h"
#include "engine/RunCallback.h"
#include "engine/RunThread.h"
#include "platform/IcmpEcho.h"

// The worker of a Ping run: pings one address of the host, by count or for
// minutes, and hands every result to its row. Made by its controller
// (Pinger), suspended and self-freeing; after its echoes it reports its end
// and idles until the controller terminates it, so the controller's pointer
// stays valid until then.
class Ping final : public RunThread {
 public:
  // hostSlot is clamped to a row index; ipv4 0 means the target is ipv6.
  Ping(RunStamp stamp, int hostSlot, std::uint32_t ipv4, const Ipv6Octets& ipv6,
       const EchoRunSettings& settings);

  int HostSlot() const { return hostSlot_; }

 protected:
  void Execute() override;

 private:
  // The echo loop, or the one "Ping error" when no handle can be had.
  void HandOver(const EchoResult& result);

  // User-interface thread, under the callback rule.
  void SyncAddReply();
  void SyncWorkerDone();

  const RunStamp stamp_;
  const int hostSlot_;
  const std::uint32_t ipv4_;
  const Ipv6Octets ipv6_;
  const EchoRunSettings settings_;
  EchoResult reply_;  // the result being handed over; read by SyncAddReply
};
