#include "support/TestNetwork.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {

// The command's own error messages go to the test's output.
bool RunCommand(const std::string& command) {
  const bool ran = std::system((command + " >/dev/null").c_str()) == 0;
  if (!ran) std::fprintf(stderr, "command failed: %s\n", command.c_str());
  return ran;
}

}  // namespace

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
  const bool ready = Sysctl(name, "net.ipv6.conf.all.accept_dad=0 net.ipv6.conf.default.accept_dad=0") &&
                     Ip(name, "link set lo up");
  return ready ? name : "";
}

bool TestNetwork::Ip(const std::string& ns, const std::string& arguments) {
  return RunCommand("ip -n " + ns + " " + arguments);
}

bool TestNetwork::Sysctl(const std::string& ns, const std::string& assignments) {
  return RunCommand("ip netns exec " + ns + " sysctl -qw " + assignments);
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

std::string EchoRoad::Enter(TestNetwork& network, const std::string& ns, IcmpRoad road) {
  if (road == IcmpRoad::Datagram && !network.AllowDatagramPing(ns)) return "ping_group_range not set";
  inside_.emplace(ns);
  if (!inside_->ok()) return "cannot enter " + ns;
  // As root the raw road is always open: the probe has to prefer the
  // datagram road where ping_group_range opens it, and find none where the
  // range keeps it closed, as it is in a new namespace.
  const IcmpBinding binding = ProbeIcmpRoads(IcmpRoadChoice::Auto);
  if (binding.ipv4 != road || binding.ipv6 != road) return "the probe chose another road";
  if (road == IcmpRoad::Raw && ProbeIcmpRoads(IcmpRoadChoice::DatagramOnly).ipv4 != IcmpRoad::None)
    return "a datagram road although ping_group_range keeps it closed";
  echo_ = std::make_unique<SocketIcmpEcho>(binding);
  return {};
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
  bool good = true;
  for (int node = 0; node <= routers + 1; ++node) {
    nodes_.push_back(network.AddNamespace(node == 0 ? "client" : node > routers ? "target" : "router"));
    good = good && !nodes_.back().empty();
  }
  auto ip = [&](int node, const std::string& arguments) {
    good = good && network.Ip(nodes_[static_cast<std::size_t>(node)], arguments);
  };
  for (int link = 0; link <= routers; ++link) {
    ip(link, "link add east type veth peer name west netns " + nodes_[link + 1u]);
    for (int side : {0, 1}) {
      const std::string device = side ? " dev west" : " dev east";
      ip(link + side, "link set" + device + " up");
      ip(link + side, "addr add " + Address(link, side, false) + "/24" + device);
      ip(link + side, "-6 addr add " + Address(link, side, true) + "/64 nodad" + device);
    }
  }
  // Each node sends what it does not know on towards the target, the target
  // back towards the client; the client's link, where all answers go, lies
  // behind the routers beyond the first.
  for (int node = 0; node <= routers + 1; ++node) {
    const bool target = node > routers;
    for (bool v6 : {false, true}) {
      const std::string route = v6 ? "-6 route add " : "route add ";
      ip(node, route + "default via " + Address(target ? node - 1 : node, !target, v6));
      if (node > 1 && !target)
        ip(node, route + (v6 ? "fd00:201:0::/64" : "10.201.0.0/24") + " via " + Address(node - 1, false, v6));
    }
    // The namespace-wide ICMP budget counts errors too.
    if (node > 0 && !target)
      good = good && network.Sysctl(nodes_[static_cast<std::size_t>(node)],
                                    "net.ipv4.ip_forward=1 net.ipv6.conf.all.forwarding=1 "
                                    "net.ipv4.icmp_ratelimit=0 net.ipv6.icmp.ratelimit=0 "
                                    "net.ipv4.icmp_msgs_per_sec=1000000 net.ipv4.icmp_msgs_burst=1000000");
  }
  ok_ = good;
}

std::string RoutedChain::Address(int link, bool targetSide, bool v6) {
  return (v6 ? "fd00:201:" : "10.201.") + std::to_string(link) + (v6 ? "::" : ".") + (targetSide ? "2" : "1");
}

bool RoutedChain::SetLinkMtu(int link, int mtu) {
  return network_.Ip(nodes_.at(link), "link set east mtu " + std::to_string(mtu)) &&
         network_.Ip(nodes_.at(link + 1u), "link set west mtu " + std::to_string(mtu));
}
