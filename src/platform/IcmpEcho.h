#pragma once

#include <array>
#include <cstdint>
#include <memory>

// Echo requests as the engine sees them: a handle per worker, one blocking
// echo at a time. The socket implementation lives in SocketIcmpEcho; tests and
// the engine's own tests may put a fake behind these two classes.

enum class IpFamily : std::uint8_t { V4, V6 };

// The same shape as the pages' Ipv6Bytes, so values pass between them freely.
using Ipv6Octets = std::array<std::uint8_t, 16>;

inline constexpr int MaxEchoDataBytes = 65500;

struct EchoRequest {
  IpFamily family = IpFamily::V4;
  std::uint32_t ipv4 = 0;  // network order, for V4
  Ipv6Octets ipv6{};       // for V6
  int bytes = 32;          // zero bytes of echo data, 0..65500
  int ttl = 128;           // TTL or hop limit, 1..255
  int timeoutMs = 1000;
};

enum class EchoStatus : std::uint8_t {
  Success,      // the echo reply of this request
  TtlExpired,   // time exceeded in transit (code 0), reported by a router
  OtherStatus,  // any other ICMP error for this request; arrives before the timeout
  TimedOut,     // nothing for this request within the timeout
  SendFailed,   // the request could not be sent (no route, bad address, ...)
};

// Reply fields are filled for Success and TtlExpired only; otherwise they are
// zero and the engine keeps the values of its previous answer.
struct IcmpEchoResult {
  EchoStatus status = EchoStatus::TimedOut;
  std::uint32_t replyIpv4 = 0;  // network order; 0 when the answer came over IPv6
  Ipv6Octets replyIpv6{};
  std::uint32_t roundTripMs = 0;  // whole milliseconds from the send to the kernel's arrival stamp
  int dataSize = 0;               // echoed data; 0 for TtlExpired, as a router echoes none of ours
  int replyTtl = 0;               // TTL of an IPv4 answer; 0 for IPv6
  int systemError = 0;            // errno of a SendFailed
};

// One worker's handle: a single family, used by one thread at a time.
class IcmpEchoHandle {
 public:
  virtual ~IcmpEchoHandle() = default;
  // Sends one echo and blocks until its answer or the timeout.
  virtual IcmpEchoResult Echo(const EchoRequest& request) = 0;
};

// Opens handles; safe to call from any thread.
class IcmpEcho {
 public:
  virtual ~IcmpEcho() = default;
  virtual bool CanPing(IpFamily family) const = 0;
  // Null when no handle can be had (the caller reports "Ping error").
  virtual std::unique_ptr<IcmpEchoHandle> Open(IpFamily family) = 0;
};
