#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/IcmpEcho.h"

// One address of a forward lookup.
struct ResolvedAddress {
  IpFamily family = IpFamily::V4;
  std::uint32_t ipv4 = 0;  // network order
  Ipv6Octets ipv6{};
};

// The system's name lookups, behind an interface so that the engine's
// resolution rules can be tested without DNS. Calls block until the
// resolver answers; they are made from worker threads, never from the
// user-interface thread, and must be safe to make from several at once.
class NameResolver {
 public:
  virtual ~NameResolver() = default;
  // Every IPv4 and IPv6 address of the host text (a name or an address
  // literal) in the resolver's order; empty when the lookup fails.
  virtual std::vector<ResolvedAddress> LookupHost(const std::string& host) = 0;
  // The name of an address as name information gives it; like that call,
  // it may answer with the numeric text when no name is known. Nullopt when
  // the call fails.
  virtual std::optional<std::string> NameOfAddress(const ResolvedAddress& address) = 0;
  // The official name of an IPv4 address in the host database, the second
  // way for IPv4 when name information gives nothing; nullopt when none.
  virtual std::optional<std::string> HostByAddress(std::uint32_t ipv4) = 0;
};
