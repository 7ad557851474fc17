#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "platform/IcmpEcho.h"
#include "support/TunPath.h"

class TestNetwork;

// A host of our own on a TUN device that answers echoes with a set delay and
// drops a set share of them: the kernel here has no netem queueing
// discipline, so delay and loss cannot come from `tc`.
//
// The device lives in a namespace the test made; it holds 10.77.0.1/24 and
// fd00:77::1/64, and every echo request sent from that namespace to another
// address of those nets (TargetIpv4(), TargetIpv6(), ...) reaches the
// responder, which answers it from the address it was sent to.
struct TunResponderOptions {
  int delayMs = 0;
  int lossPercent = 0;  // share of requests dropped, by a seeded generator
  unsigned seed = 1;
  bool corruptChecksums = false;  // answer with a wrong ICMP checksum
};

class TunResponder {
 public:
  // One responder per namespace (its device is "vqtun0"). `path` puts
  // virtual routers in front of its hosts (see TunPath).
  TunResponder(TestNetwork& network, const std::string& ns, TunResponderOptions options,
               std::vector<TunHop> path = {});
  ~TunResponder();
  TunResponder(const TunResponder&) = delete;
  TunResponder& operator=(const TunResponder&) = delete;

  bool ok() const { return ok_; }
  static std::uint32_t TargetIpv4(int host = 2);  // 10.77.0.<host>, network order
  static Ipv6Octets TargetIpv6(int host = 2);     // fd00:77::<host>

  std::uint64_t Requests() const { return requests_; }
  std::uint64_t Answered() const { return answered_; }
  std::uint64_t Dropped() const { return dropped_; }

 private:
  void Serve();

  TunResponderOptions options_;
  TunPath path_;  // used by Serve() only
  int tun_ = -1;
  int stop_ = -1;  // eventfd that ends Serve()
  bool ok_ = false;
  std::atomic<std::uint64_t> requests_{0};
  std::atomic<std::uint64_t> answered_{0};
  std::atomic<std::uint64_t> dropped_{0};
  std::thread thread_;
};
