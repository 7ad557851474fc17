#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "pages/PageTypes.h"
#include "platform/NameResolver.h"

// How a host text becomes the addresses a run pings, and how a pinged
// address gets its name. Pure rules over a NameResolver; they run on the
// controller, worker and lookup threads.

// The two global options the rules obey, read once per resolution so that
// one lookup sees one consistent pair.
struct FamilyOptions {
  std::uint8_t IpVersion = 0;   // 0 both families, 1 IPv4 only, 2 IPv6 only
  std::uint8_t IpPriority = 0;  // 1 prefers IPv6 when one address is pinged; else IPv4
};
FamilyOptions CurrentFamilyOptions();

// The Ping mode's targets: every kept IPv4 address in the resolver's order,
// then every kept IPv6 address, together at most MaxHosts; both lists are
// empty unless the state is psOk.
struct HostAddressList {
  std::vector<std::uint32_t> Ipv4List;  // network order
  std::vector<Ipv6Octets> Ipv6List;
  TPageResultState ResolveStatus = psHostNotFound;
};

// With pingForAllIp every address is kept, otherwise the first of each
// family and then the one the priority prefers.
HostAddressList ResolveHostAddresses(NameResolver& resolver, const std::string& host, bool pingForAllIp,
                                     FamilyOptions options);

// The one target of a Multi ping host, a Trace route or a Path ping: the
// first address of each family, then one of them by the options. Ipv4 0
// means the target is Ipv6; both are zero unless the state is psOk.
struct SingleTarget {
  std::uint32_t Ipv4 = 0;
  Ipv6Octets Ipv6{};
  TPageResultState ResolveStatus = psHostNotFound;
};
SingleTarget ResolveSingleTarget(NameResolver& resolver, const std::string& host, FamilyOptions options);

// The reverse lookup of one pinged address (ipv4 0: the IPv6 address). A
// name equal to the address's own numeric text is no name; IPv4 then asks
// the host database as a second way, IPv6 has none. Nullopt: no name.
std::optional<std::string> ReverseLookupName(NameResolver& resolver, std::uint32_t ipv4,
                                             const Ipv6Octets& ipv6);
