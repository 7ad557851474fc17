#include "support/TestNetwork.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace {

// The command's own error messages go to the test's output.
bool RunCommand(const std::string& command, bool quiet = false) {
  const bool ran = std::system((command + (quiet ? " >/dev/null 2>&1" : " >/dev/null")).c_str()) == 0;
  if (!ran && !quiet) std::fprintf(stderr, "command failed: %s\n", command.c_str());
  return ran;
}

}  // namespace

std::string TestNetwork::Unavailable() {
  if (geteuid() != 0) return "network namespaces need root";
  if (!RunCommand("ip -V", true)) return "the ip command (iproute2) is missing";
  return {};
}

TestNetwork::~TestNetwork() {
  for (auto it = namespaces_.rbegin(); it != namespaces_.rend(); ++it) RunCommand("ip netns del " + *it);
}

std::string TestNetwork::AddNamespace(const std::string& role) {
  static std::atomic<int> counter{0};
  const std::string name = "vq" + std::to_string(getpid()) + "-" + std::to_string(++counter) + "-" + role;
  if (!RunCommand("ip netns add " + name)) return {};
  namespaces_.push_back(name);
  // Duplicate address detection would keep new IPv6 addresses unusable for
  // a second or two; the links here are private, so it is off before any
  // device exists.
  if (!Sysctl(name, "net.ipv6.conf.all.accept_dad", "0") ||
      !Sysctl(name, "net.ipv6.conf.default.accept_dad", "0") || !Ip(name, "link set lo up"))
    return {};
  return name;
}

bool TestNetwork::Ip(const std::string& ns, const std::string& arguments) {
  return RunCommand("ip -n " + ns + " " + arguments);
}

bool TestNetwork::Sysctl(const std::string& ns, const std::string& key, const std::string& value) {
  NetnsScope inside(ns);
  if (!inside.ok()) return false;
  std::string path = "/proc/sys/" + key;
  std::replace(path.begin() + 10, path.end(), '.', '/');
  std::ofstream file(path);
  return (file << value << '\n').flush().good();
}

bool TestNetwork::AllowDatagramPing(const std::string& ns) {
  return Sysctl(ns, "net.ipv4.ping_group_range", "0 2147483647");
}

bool TestNetwork::SilenceTimeExceeded(const std::string& ns) {
  // Errors a router makes leave through its output hook, unlike the packets
  // it forwards.
  return RunCommand("ip netns exec " + ns +
                    " nft 'add table inet vqsilent; "
                    "add chain inet vqsilent out { type filter hook output priority 0; policy accept; }; "
                    "add rule inet vqsilent out icmp type time-exceeded drop; "
                    "add rule inet vqsilent out icmpv6 type time-exceeded drop'");
}

NetnsScope::NetnsScope(const std::string& ns) {
  saved_ = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
  const int target = open(("/run/netns/" + ns).c_str(), O_RDONLY | O_CLOEXEC);
  if (saved_ >= 0 && target >= 0) entered_ = setns(target, CLONE_NEWNET) == 0;
  if (target >= 0) close(target);
}

NetnsScope::~NetnsScope() {
  if (entered_) setns(saved_, CLONE_NEWNET);
  if (saved_ >= 0) close(saved_);
}

std::uint32_t Ipv4Of(const char* text) {
  in_addr address{};
  inet_pton(AF_INET, text, &address);
  return address.s_addr;
}

Ipv6Octets Ipv6Of(const char* text) {
  Ipv6Octets address{};
  inet_pton(AF_INET6, text, address.data());
  return address;
}

RoutedChain::RoutedChain(TestNetwork& network, int routers) : network_(network) {
  for (int node = 0; node <= routers + 1; ++node)
    nodes_.push_back(network.AddNamespace(node == 0        ? "client"
                                          : node > routers ? "target"
                                                           : "router" + std::to_string(node)));
  if (std::any_of(nodes_.begin(), nodes_.end(), [](const std::string& n) { return n.empty(); })) return;
  auto ip = [&](int node, const std::string& arguments) {
    return network.Ip(nodes_[static_cast<std::size_t>(node)], arguments);
  };
  // Through the neighbour on one side of `link`.
  auto route = [&](int node, const std::string& v4, const std::string& v6, int link, bool targetSide) {
    return ip(node, "route add " + v4 + " via " + Ipv4Text(link, targetSide)) &&
           ip(node, "-6 route add " + v6 + " via " + Ipv6Text(link, targetSide));
  };
  bool good = true;
  for (int link = 0; link <= routers; ++link) {
    good = good && ip(link, "link add east type veth peer name west netns " + nodes_[link + 1u]) &&
           ip(link, "link set east up") && ip(link + 1, "link set west up");
    for (int side : {0, 1})
      good = good &&
             ip(link + side, "addr add " + Ipv4Text(link, side) + "/24 dev " + (side ? "west" : "east")) &&
             ip(link + side,
                "-6 addr add " + Ipv6Text(link, side) + "/64 nodad dev " + (side ? "west" : "east"));
  }
  // The client sends what it does not know to router 1; every node reaches
  // each link it is not on through its neighbour on that side.
  good = good && route(0, "default", "default", 0, true);
  for (int node = 0; node <= routers + 1; ++node) {
    for (int link = 0; link <= routers; ++link) {
      const std::string net = std::to_string(link);
      if (link < node - 1 || link > node)
        good = good && route(node, "10.201." + net + ".0/24", "fd00:201:" + net + "::/64",
                             link < node ? node - 1 : node, link > node);
    }
    if (node == 0 || node > routers) continue;
    // The namespace-wide ICMP budget counts errors too.
    for (auto [key, value] : {std::pair{"net.ipv4.ip_forward", "1"},
                              {"net.ipv6.conf.all.forwarding", "1"},
                              {"net.ipv4.icmp_ratelimit", "0"},
                              {"net.ipv6.icmp.ratelimit", "0"},
                              {"net.ipv4.icmp_msgs_per_sec", "1000000"},
                              {"net.ipv4.icmp_msgs_burst", "1000000"}})
      good = good && network.Sysctl(nodes_[static_cast<std::size_t>(node)], key, value);
  }
  ok_ = good;
}

std::string RoutedChain::Ipv4Text(int link, bool targetSide) {
  return "10.201." + std::to_string(link) + (targetSide ? ".2" : ".1");
}

std::string RoutedChain::Ipv6Text(int link, bool targetSide) {
  return "fd00:201:" + std::to_string(link) + (targetSide ? "::2" : "::1");
}

std::uint32_t RoutedChain::TargetIpv4() const { return RouterIpv4(static_cast<int>(nodes_.size()) - 1); }
Ipv6Octets RoutedChain::TargetIpv6() const { return RouterIpv6(static_cast<int>(nodes_.size()) - 1); }
std::uint32_t RoutedChain::RouterIpv4(int number) { return Ipv4Of(Ipv4Text(number - 1, true).c_str()); }
Ipv6Octets RoutedChain::RouterIpv6(int number) { return Ipv6Of(Ipv6Text(number - 1, true).c_str()); }

bool RoutedChain::SetLinkMtu(int link, int mtu) {
  const std::string value = std::to_string(mtu);
  return network_.Ip(nodes_.at(static_cast<std::size_t>(link)), "link set east mtu " + value) &&
         network_.Ip(nodes_.at(static_cast<std::size_t>(link) + 1), "link set west mtu " + value);
}
