#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/SocketIcmpEcho.h"

// Network namespaces that a test makes and removes itself, so that real
// echoes never leave the machine: names are unique to the process, and the
// destructor deletes every namespace made, with its devices. Needs root,
// `ip`, `sysctl` and, to silence a router, `nft`.
class TestNetwork {
 public:
  TestNetwork() = default;
  ~TestNetwork();
  TestNetwork(const TestNetwork&) = delete;
  TestNetwork& operator=(const TestNetwork&) = delete;

  // A new namespace with its loopback up and IPv6 duplicate address
  // detection off (so addresses work at once); its name, "" on failure.
  std::string AddNamespace(const std::string& role);
  // `ip -n <ns> <arguments>`; false (with the output on stderr) on failure.
  bool Ip(const std::string& ns, const std::string& arguments);
  // Writes sysctls ("net.ipv4.ip_forward=1 ...") inside the namespace only.
  bool Sysctl(const std::string& ns, const std::string& assignments);
  // Lets every group open ICMP datagram sockets inside the namespace.
  bool AllowDatagramPing(const std::string& ns) {
    return Sysctl(ns, "net.ipv4.ping_group_range='0 2147483647'");
  }
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

// The one way a test sends real echoes on a road of its choice: the calling
// thread, and every thread it starts from then on, enters a namespace of the
// test's own, where ping_group_range is opened for the datagram road only.
// Left to choose, the probe must then take that road for both families.
class EchoRoad {
 public:
  // Empty when ready; otherwise what went wrong.
  std::string Enter(TestNetwork& network, const std::string& ns, IcmpRoad road);
  SocketIcmpEcho& Echo() { return *echo_; }  // handles on the road, for the engine
  static const char* Name(IcmpRoad road) { return road == IcmpRoad::Raw ? "Raw" : "Datagram"; }

 private:
  std::optional<NetnsScope> inside_;
  std::unique_ptr<SocketIcmpEcho> echo_;
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
  std::uint32_t TargetIpv4() const { return RouterIpv4(static_cast<int>(nodes_.size()) - 1); }
  Ipv6Octets TargetIpv6() const { return RouterIpv6(static_cast<int>(nodes_.size()) - 1); }
  // Each router's address facing the client, the source of its errors.
  static std::uint32_t RouterIpv4(int number) { return Ipv4Of(Address(number - 1, true, false).c_str()); }
  static Ipv6Octets RouterIpv6(int number) { return Ipv6Of(Address(number - 1, true, true).c_str()); }
  // Sets the MTU of both ends of a link.
  bool SetLinkMtu(int link, int mtu);

 private:
  static std::string Address(int link, bool targetSide, bool v6);

  TestNetwork& network_;
  std::vector<std::string> nodes_;
  bool ok_ = false;
};
