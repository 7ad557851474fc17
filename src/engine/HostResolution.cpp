#include "engine/HostResolution.h"

#include <algorithm>

#include "pages/Settings.h"
#include "pages/TextHelpers.h"

namespace {

// The unspecified addresses (0.0.0.0, ::) are never targets: an IPv4 value
// of 0 means "the IPv6 address" to every row and worker, so 0.0.0.0 would
// turn into a ping of ::, and neither is an address anything answers from.
bool IsUsable(const ResolvedAddress& address) {
  if (address.family == IpFamily::V4) return address.ipv4 != 0;
  return std::any_of(address.ipv6.begin(), address.ipv6.end(), [](std::uint8_t b) { return b != 0; });
}

// The state a lookup ends in when the options leave nothing to ping; psOk
// when they do.
TPageResultState Acceptance(bool haveIpv4, bool haveIpv6, std::uint8_t ipVersion) {
  const bool any = haveIpv4 || haveIpv6;
  if ((ipVersion == 0 && any) || (ipVersion == 1 && haveIpv4) || (ipVersion == 2 && haveIpv6)) return psOk;
  if (any && ipVersion == 1) return psNoIpv4Address;
  if (any && ipVersion == 2) return psNoIpv6Address;
  return psHostNotFound;
}

}  // namespace

FamilyOptions CurrentFamilyOptions() {
  return FamilyOptions{GlobalOptions.IpVersion.load(), GlobalOptions.IpPriority.load()};
}

HostAddressList ResolveHostAddresses(NameResolver& resolver, const std::string& host, bool pingForAllIp,
                                     FamilyOptions options) {
  HostAddressList out;
  if (host.empty()) return out;
  for (const ResolvedAddress& address : resolver.LookupHost(host)) {
    if (!IsUsable(address)) continue;
    if (address.family == IpFamily::V4 && out.Ipv4List.size() < MaxHosts)
      out.Ipv4List.push_back(address.ipv4);
    else if (address.family == IpFamily::V6 && out.Ipv6List.size() < MaxHosts)
      out.Ipv6List.push_back(address.ipv6);
  }
  out.ResolveStatus = Acceptance(!out.Ipv4List.empty(), !out.Ipv6List.empty(), options.IpVersion);
  if (out.ResolveStatus != psOk) {
    out.Ipv4List.clear();
    out.Ipv6List.clear();
    return out;
  }
  if (options.IpVersion == 1) out.Ipv6List.clear();
  if (options.IpVersion == 2) out.Ipv4List.clear();
  if (!pingForAllIp) {
    // erase rather than resize: GCC 12 at -O3 warns falsely inside resize.
    if (out.Ipv4List.size() > 1) out.Ipv4List.erase(out.Ipv4List.begin() + 1, out.Ipv4List.end());
    if (out.Ipv6List.size() > 1) out.Ipv6List.erase(out.Ipv6List.begin() + 1, out.Ipv6List.end());
    if (!out.Ipv4List.empty() && !out.Ipv6List.empty()) {
      if (options.IpPriority == 1)
        out.Ipv4List.clear();
      else
        out.Ipv6List.clear();
    }
  }
  // Rows are numbered IPv4 first; the IPv6 addresses fill what is left.
  const std::size_t room = MaxHosts - out.Ipv4List.size();
  if (out.Ipv6List.size() > room) out.Ipv6List.resize(room);
  return out;
}

SingleTarget ResolveSingleTarget(NameResolver& resolver, const std::string& host, FamilyOptions options) {
  SingleTarget out;
  if (host.empty()) return out;
  bool haveIpv4 = false;
  bool haveIpv6 = false;
  for (const ResolvedAddress& address : resolver.LookupHost(host)) {
    if (!IsUsable(address)) continue;
    if (address.family == IpFamily::V4 && !haveIpv4) {
      out.Ipv4 = address.ipv4;
      haveIpv4 = true;
    } else if (address.family == IpFamily::V6 && !haveIpv6) {
      out.Ipv6 = address.ipv6;
      haveIpv6 = true;
    }
    if (haveIpv4 && haveIpv6) break;
  }
  out.ResolveStatus = Acceptance(haveIpv4, haveIpv6, options.IpVersion);
  if (out.ResolveStatus != psOk || options.IpVersion == 2) out.Ipv4 = 0;
  if (out.ResolveStatus != psOk || options.IpVersion == 1) out.Ipv6 = {};
  if (out.Ipv4 != 0 && haveIpv6 && options.IpVersion == 0) {
    if (options.IpPriority == 1)
      out.Ipv4 = 0;
    else
      out.Ipv6 = {};
  }
  return out;
}

std::optional<std::string> ReverseLookupName(NameResolver& resolver, std::uint32_t ipv4,
                                             const Ipv6Octets& ipv6) {
  ResolvedAddress address;
  std::string numeric;
  if (ipv4 != 0) {
    address.ipv4 = ipv4;
    numeric = Ipv4ToString(ipv4);
  } else {
    address.family = IpFamily::V6;
    address.ipv6 = ipv6;
    numeric = Ipv6ToString(&ipv6);
  }
  // Name information answers with the numeric text when it knows no name.
  if (std::optional<std::string> name = resolver.NameOfAddress(address); name && *name != numeric)
    return name;
  if (ipv4 != 0) return resolver.HostByAddress(ipv4);
  return std::nullopt;
}
