#pragma once

#include "engine/HopWorker.h"

// The worker of one hop of a Path ping run. Phase 1 finds the hop's router:
// up to four echoes to the target with the hop number as TTL, each attempt
// lasting more than a second, until one is answered ("TTL expired" by a
// router, or the target's own echo reply, which claims the destination).
// Phase 2 pings that router directly with TTL 255, by count or for minutes,
// and only these echoes enter the hop's statistics.
class PathPing final : public HopWorker {
 public:
  PathPing(RunStamp stamp, int hop, std::uint32_t ipv4, const Ipv6Octets& ipv6,
           const HopRunSettings& settings);

 protected:
  void Probe(IcmpEchoHandle& handle) override;
  int BeyondCheckMs() const override;

 private:
  // Phase 1; true when the router was found (its answer is LastReply()).
  bool FindRouter(IcmpEchoHandle& handle);
  // Phase 2.
  void PingRouter(IcmpEchoHandle& handle);
};
