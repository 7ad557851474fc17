#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/IcmpEcho.h"

// Network namespaces that a test makes and removes itself, so that real
// echoes never leave the machine: every name is unique to the process, and
// the destructor deletes every namespace it made (their veth pairs and TUN
// devices go with them). Needs root and the `ip` command of iproute2.
class TestNetwork {
 public:
  // Empty when namespaces can be made here; otherwise the reason (for
  // GTEST_SKIP).
  static std::string Unavailable();

  TestNetwork() = default;
  ~TestNetwork();
  TestNetwork(const TestNetwork&) = delete;
  TestNetwork& operator=(const TestNetwork&) = delete;

  // A new namespace with its loopback up and IPv6 duplicate address
  // detection off (so addresses work at once); returns its name, "" on failure.
  std::string AddNamespace(const std::string& role);
  // Runs `ip -n <ns> <arguments>`; false (with the output on stderr) on failure.
  bool Ip(const std::string& ns, const std::string& arguments);
  // Writes a sysctl such as "net.ipv4.ip_forward" inside the namespace only.
  bool Sysctl(const std::string& ns, const std::string& key, const std::string& value);
  // Lets every group open ICMP datagram sockets inside the namespace.
  bool AllowDatagramPing(const std::string& ns);
  // Joins two namespaces with a veth pair named `nameA` (in a) and `nameB` (in b), both up.
  bool Connect(const std::string& a, const std::string& nameA, const std::string& b,
               const std::string& nameB);

 private:
  std::vector<std::string> namespaces_;
};

// Puts the calling thread (only it) into a namespace for the scope's life;
// sockets and devices it creates meanwhile stay in that namespace.
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
  const std::string& Target() const { return nodes_.back(); }
  // Router 1..n.
  const std::string& Router(int number) const { return nodes_.at(static_cast<std::size_t>(number)); }
  int Routers() const { return static_cast<int>(nodes_.size()) - 2; }

  // An address on link `link`: the client's side (.1, ::1) or the target's (.2, ::2).
  static std::string Ipv4Text(int link, bool targetSide);
  static std::string Ipv6Text(int link, bool targetSide);
  // The target's addresses, and each router's address facing the client
  // (the source of its ICMP errors).
  std::uint32_t TargetIpv4() const;
  Ipv6Octets TargetIpv6() const;
  static std::uint32_t RouterIpv4(int number);
  static Ipv6Octets RouterIpv6(int number);

  // Sets the MTU of both ends of a link.
  bool SetLinkMtu(int link, int mtu);

 private:
  TestNetwork& network_;
  std::vector<std::string> nodes_;
  bool ok_ = false;
};
