#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/IcmpEcho.h"

// Virtual routers in front of the TUN responder's hosts, for route tests on
// a kernel without netem. Router k (1-based) has the addresses HopIpv4(k)
// and HopIpv6(k). An echo request for any other host of the responder whose
// TTL (hop limit) is k <= the number of routers expires at router k, which
// answers "time exceeded" from its address; a request sent to router k
// itself expires at router TTL when the TTL is below k, and otherwise router
// k answers it. Requests with a larger TTL reach the responder's own hosts.
struct TunHop {
  int delayMs = 0;      // every answer of this router takes this long
  int lossPercent = 0;  // share of echoes sent to the router itself that it drops, spread evenly
  bool silent = false;  // sends no "time exceeded"
};

// What the path does with one packet that the client sent into the device.
struct TunVerdict {
  enum class Kind {
    NotMine,  // the responder's hosts deal with it
    Drop,     // a silent router, or a lost echo
    Reply,    // an echo reply from the router addressed (made by the responder)
    Expired,  // `packet` holds the router's "time exceeded"
  };
  Kind kind = Kind::NotMine;
  std::vector<std::uint8_t> packet;
  int delayMs = 0;
};

class TunPath {
 public:
  explicit TunPath(std::vector<TunHop> hops);

  static std::uint32_t HopIpv4(int hop);  // 10.77.0.(100 + hop), network order
  static Ipv6Octets HopIpv6(int hop);     // fd00:77::(100 + hop) written in decimal digits

  // Not thread-safe: the responder's one serving thread calls it.
  TunVerdict Judge(std::span<const std::uint8_t> packet);

 private:
  // The router a request is addressed to (0: none) and its TTL, for an echo
  // request of either family; false for anything else.
  bool ReadEchoRequest(std::span<const std::uint8_t> packet, int& addressedHop, int& ttl) const;

  std::vector<TunHop> hops_;
  std::vector<std::uint64_t> echoes_;  // per router: echoes sent to it so far
};

// The "time exceeded" that `router` (IPv4 address, or the IPv6 one) sends
// back for `request`: the router's address as source, the request's source
// as destination, the request's header and first 8 bytes quoted.
std::vector<std::uint8_t> TimeExceededFor(std::span<const std::uint8_t> request, std::uint32_t routerIpv4,
                                          const Ipv6Octets& routerIpv6);
