#pragma once

#include <atomic>
#include <span>
#include <thread>

#include "support/TestNetwork.h"

// Routers and a target of our own behind a TUN device, with set delays and
// losses: the kernel here has no netem queueing discipline, so they cannot
// come from `tc`. Hop k (1-based; the last hop is the target) has the
// addresses HopIpv4(k) and HopIpv6(k). An echo request to hop k whose TTL
// (hop limit) t is below k expires at router t, which answers "time
// exceeded" from its own address; otherwise hop k answers it.
struct TunHop {
  int delayMs = 0;           // every answer of this hop takes this long
  int lossPercent = 0;       // share of the echoes sent to this hop that it drops, evenly: 3 of any 10 at 30
  bool badChecksum = false;  // answers echoes with a wrong ICMP checksum
};

class TunPath {
 public:
  // One path per namespace: the device "vqtun0" in `ns`, holding
  // 10.77.0.1/24 and fd00:77::1/64.
  TunPath(TestNetwork& network, const std::string& ns, std::vector<TunHop> hops);
  ~TunPath();

  bool ok() const { return ok_; }
  static std::uint32_t HopIpv4(int hop);  // 10.77.0.(100 + hop), network order
  static Ipv6Octets HopIpv6(int hop);     // fd00:77::(100 + hop)
  std::uint32_t TargetIpv4() const { return HopIpv4(static_cast<int>(hops_.size())); }
  // Answers handed to the kernel so far; each has reached the client's
  // socket by the time it is counted.
  std::uint64_t Answered() const { return answered_; }

 private:
  void Serve();
  // The answer to a packet the client sent into the device, and its hop's
  // delay; empty for anything that goes unanswered.
  std::vector<std::uint8_t> Judge(std::span<const std::uint8_t> packet, int& delayMs);

  const std::vector<TunHop> hops_;
  std::vector<std::uint64_t> echoes_;  // per hop: echoes that reached it; Serve() only
  int tun_ = -1;
  bool ok_ = false;
  std::atomic<bool> stop_{false};
  std::atomic<std::uint64_t> answered_{0};
  std::thread thread_;
};
