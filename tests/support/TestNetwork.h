#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/IcmpEcho.h"

// Network namespaces that a test makes and removes itself, so that real
// echoes never leave the machine: names are unique to the process, and the
// destructor deletes every namespace made, with its devices. Needs root,
// `ip` (iproute2) and, to silence a router, `nft` (nftables).
class TestNetwork {
 public:
  // Empty when namespaces can be made here; otherwise the reason.
  static std::string Unavailable();

  TestNetwork() = default;
  ~TestNetwork();
  TestNetwork(const TestNetwork&) = delete;
  TestNetwork& operator=(const TestNetwork&) = delete;

  // A new namespace with its loopback up and IPv6 duplicate address
  // detection off (so addresses work at once); its name, "" on failure.
  std::string AddNamespace(const std::string& role);
  // `ip -n <ns> <arguments>`; false (with the output on stderr) on failure.
  bool Ip(const std::string& ns, const std::string& arguments);
  // Writes a sysctl such as "net.ipv4.ip_forward" inside the namespace only.
  bool Sysctl(const std::string& ns, const std::string& key, const std::string& value);
  // Lets every group open ICMP datagram sockets inside the namespace.
  bool AllowDatagramPing(const std::string& ns);
  // The router in `ns` still forwards, but every "time exceeded" it would
  // send, in both families, is dropped on its way out.
  bool SilenceTimeExceeded(const std::string& ns);

 private:
  std::vector<std::string> namespaces_;
};

// Puts the calling thread (and the threads it starts meanwhile) into a
// namespace for the scope's life.
class NetnsScope {
 public:
  explicit NetnsScope(const std::string& ns);
  ~NetnsScope();
  NetnsScope(const NetnsScope&) = delete;
  NetnsScope& operator=(const NetnsScope&) = delete;
  bool ok() const { return entered_; }

 private:
  int saved_ = -1;
  bool entered_ = false;
};

std::uint32_t Ipv4Of(const char* text);  // network order
Ipv6Octets Ipv6Of(const char* text);

// client - router 1 - ... - router n - target, one veth pair per link.
// Link k joins node k and node k+1 (node 0 is the client, node n+1 the
// target) with 10.201.k.1/24 and fd00:201:k::1/64 on the client's side and
// .2 / ::2 on the target's side. Routers forward both families with the ICMP
// rate limits off, so every expired TTL is answered.
class RoutedChain {
 public:
  RoutedChain(TestNetwork& network, int routers);
  bool ok() const { return ok_; }

  const std::string& Client() const { return nodes_.front(); }
  const std::string& Router(int number) const { return nodes_.at(static_cast<std::size_t>(number)); }
  std::uint32_t TargetIpv4() const;
  Ipv6Octets TargetIpv6() const;
  // Each router's address facing the client, the source of its errors.
  static std::uint32_t RouterIpv4(int number);
  static Ipv6Octets RouterIpv6(int number);
  // Sets the MTU of both ends of a link.
  bool SetLinkMtu(int link, int mtu);

 private:
  static std::string Ipv4Text(int link, bool targetSide);
  static std::string Ipv6Text(int link, bool targetSide);

  TestNetwork& network_;
  std::vector<std::string> nodes_;
  bool ok_ = false;
};
