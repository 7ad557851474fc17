#pragma once

#include "platform/NameResolver.h"

// NameResolver over glibc: getaddrinfo, getnameinfo and gethostbyaddr_r,
// all safe to call from many threads at once.
class SystemResolver final : public NameResolver {
 public:
  std::vector<ResolvedAddress> LookupHost(const std::string& host) override;
  std::optional<std::string> NameOfAddress(const ResolvedAddress& address) override;
  std::optional<std::string> HostByAddress(std::uint32_t ipv4) override;
};
