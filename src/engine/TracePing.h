#pragma once

#include "engine/HopWorker.h"

// The worker of one hop of a Trace route run: all its echoes go to the
// target with the hop number as TTL, so the router that many hops away
// answers "TTL expired" and the target itself an echo reply. Both count as
// the hop's answer; a hop whose first answer is the target's echo reply
// claims the destination.
class TracePing : public HopWorker {
 public:
  TracePing(RunStamp stamp, int hop, std::uint32_t ipv4, const Ipv6Octets& ipv6,
            const HopRunSettings& settings);

 protected:
  void Probe(IcmpEchoHandle& handle) override;
  int BeyondCheckMs() const override;
};
