#include "platform/SystemResolver.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <memory>

std::vector<ResolvedAddress> SystemResolver::LookupHost(const std::string& host) {
  std::vector<ResolvedAddress> found;
  // One answer per address: a stream socket over TCP, as a connection to
  // the host would ask for it.
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* list = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &list) != 0 || !list) return found;
  std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> owner(list, &freeaddrinfo);
  // An entry is read only when its socket address reaches past the address
  // field, so a short entry is never read beyond its end.
  constexpr std::size_t ipv4End = offsetof(sockaddr_in, sin_addr) + sizeof(in_addr);
  constexpr std::size_t ipv6End = offsetof(sockaddr_in6, sin6_addr) + sizeof(in6_addr);
  for (const addrinfo* entry = list; entry; entry = entry->ai_next) {
    if (!entry->ai_addr) continue;
    ResolvedAddress address;
    if (entry->ai_family == AF_INET && entry->ai_addrlen >= ipv4End) {
      address.family = IpFamily::V4;
      address.ipv4 = reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr.s_addr;
    } else if (entry->ai_family == AF_INET6 && entry->ai_addrlen >= ipv6End) {
      address.family = IpFamily::V6;
      std::memcpy(address.ipv6.data(), &reinterpret_cast<const sockaddr_in6*>(entry->ai_addr)->sin6_addr, 16);
    } else {
      continue;
    }
    found.push_back(address);
  }
  return found;
}

std::optional<std::string> SystemResolver::NameOfAddress(const ResolvedAddress& address) {
  sockaddr_storage socketAddress{};
  socklen_t length = 0;
  if (address.family == IpFamily::V4) {
    auto* v4 = reinterpret_cast<sockaddr_in*>(&socketAddress);
    v4->sin_family = AF_INET;
    v4->sin_addr.s_addr = address.ipv4;
    length = sizeof(sockaddr_in);
  } else {
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&socketAddress);
    v6->sin6_family = AF_INET6;
    std::memcpy(&v6->sin6_addr, address.ipv6.data(), 16);
    length = sizeof(sockaddr_in6);
  }
  char name[NI_MAXHOST] = {};
  if (getnameinfo(reinterpret_cast<sockaddr*>(&socketAddress), length, name, sizeof name, nullptr, 0, 0) != 0)
    return std::nullopt;
  name[sizeof name - 1] = '\0';
  return std::string(name);
}

std::optional<std::string> SystemResolver::HostByAddress(std::uint32_t ipv4) {
  in_addr address{};
  address.s_addr = ipv4;
  // The re-entrant form: the plain one returns a static buffer that another
  // worker's lookup may overwrite at the same moment.
  std::size_t size = 1024;
  for (int tries = 0; tries < 6; ++tries, size *= 4) {
    auto buffer = std::make_unique<char[]>(size);
    hostent entry{};
    hostent* result = nullptr;
    int hostError = 0;
    const int error =
        gethostbyaddr_r(&address, sizeof address, AF_INET, &entry, buffer.get(), size, &result, &hostError);
    if (error == ERANGE) continue;
    if (error != 0 || !result || !result->h_name) return std::nullopt;
    return std::string(result->h_name);
  }
  return std::nullopt;
}
