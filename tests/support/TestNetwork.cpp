#include "support/TestNetwork.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>

namespace {

bool RunCommand(const std::string& command, bool quiet = false) {
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return false;
  std::string output;
  char chunk[256];
  while (std::fgets(chunk, sizeof chunk, pipe)) output += chunk;
  const int status = pclose(pipe);
  if (status != 0 && !quiet) std::fprintf(stderr, "command failed: %s\n%s", command.c_str(), output.c_str());
  return status == 0;
}

std::string NodeDevice(bool east) { return east ? "east" : "west"; }

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
  // a second or two; the links here are private, so it is switched off
  // before any device exists.
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
  file << value << '\n';
  file.flush();
  return file.good();
}

bool TestNetwork::AllowDatagramPing(const std::string& ns) {
  return Sysctl(ns, "net.ipv4.ping_group_range", "0 2147483647");
}

bool TestNetwork::Connect(const std::string& a, const std::string& nameA, const std::string& b,
                          const std::string& nameB) {
  return Ip(a, "link add " + nameA + " type veth peer name " + nameB + " netns " + b) &&
         Ip(a, "link set " + nameA + " up") && Ip(b, "link set " + nameB + " up");
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
  nodes_.push_back(network.AddNamespace("client"));
  for (int i = 1; i <= routers; ++i) nodes_.push_back(network.AddNamespace("router" + std::to_string(i)));
  nodes_.push_back(network.AddNamespace("target"));
  if (std::any_of(nodes_.begin(), nodes_.end(), [](const std::string& n) { return n.empty(); })) return;

  bool good = true;
  for (int link = 0; link <= routers; ++link) {
    const std::string& west = nodes_[static_cast<std::size_t>(link)];
    const std::string& east = nodes_[static_cast<std::size_t>(link) + 1];
    good = good && network.Connect(west, NodeDevice(true), east, NodeDevice(false));
    for (bool targetSide : {false, true}) {
      const std::string& node = targetSide ? east : west;
      const std::string device = NodeDevice(!targetSide);
      good = good && network.Ip(node, "addr add " + Ipv4Text(link, targetSide) + "/24 dev " + device) &&
             network.Ip(node, "-6 addr add " + Ipv6Text(link, targetSide) + "/64 dev " + device + " nodad");
    }
  }
  // Every node sends what it does not know toward the target, except the
  // target itself; routers also learn the links behind their west side.
  for (int node = 0; node <= routers + 1; ++node) {
    const std::string& name = nodes_[static_cast<std::size_t>(node)];
    const bool isTarget = node == routers + 1;
    const int link = isTarget ? routers : node;
    good = good && network.Ip(name, "route add default via " + Ipv4Text(link, !isTarget)) &&
           network.Ip(name, "-6 route add default via " + Ipv6Text(link, !isTarget));
    if (node == 0 || isTarget) continue;
    for (int behind = 0; behind < node - 1; ++behind) {
      good = good &&
             network.Ip(name, "route add 10.201." + std::to_string(behind) + ".0/24 via " +
                                  Ipv4Text(node - 1, false)) &&
             network.Ip(name, "-6 route add fd00:201:" + std::to_string(behind) + "::/64 via " +
                                  Ipv6Text(node - 1, false));
    }
    good = good && network.Sysctl(name, "net.ipv4.ip_forward", "1") &&
           network.Sysctl(name, "net.ipv6.conf.all.forwarding", "1") &&
           network.Sysctl(name, "net.ipv4.icmp_ratelimit", "0") &&
           network.Sysctl(name, "net.ipv6.icmp.ratelimit", "0");
    // The host-wide ICMP budget also counts errors; raise it where the
    // kernel keeps it per namespace.
    network.Sysctl(name, "net.ipv4.icmp_msgs_per_sec", "1000000");
    network.Sysctl(name, "net.ipv4.icmp_msgs_burst", "1000000");
  }
  ok_ = good;
}

std::string RoutedChain::Ipv4Text(int link, bool targetSide) {
  return "10.201." + std::to_string(link) + (targetSide ? ".2" : ".1");
}

std::string RoutedChain::Ipv6Text(int link, bool targetSide) {
  return "fd00:201:" + std::to_string(link) + (targetSide ? "::2" : "::1");
}

std::uint32_t RoutedChain::TargetIpv4() const { return Ipv4Of(Ipv4Text(Routers(), true).c_str()); }
Ipv6Octets RoutedChain::TargetIpv6() const { return Ipv6Of(Ipv6Text(Routers(), true).c_str()); }
std::uint32_t RoutedChain::RouterIpv4(int number) { return Ipv4Of(Ipv4Text(number - 1, true).c_str()); }
Ipv6Octets RoutedChain::RouterIpv6(int number) { return Ipv6Of(Ipv6Text(number - 1, true).c_str()); }

bool RoutedChain::SetLinkMtu(int link, int mtu) {
  const std::string value = std::to_string(mtu);
  return network_.Ip(nodes_.at(static_cast<std::size_t>(link)), "link set east mtu " + value) &&
         network_.Ip(nodes_.at(static_cast<std::size_t>(link) + 1), "link set west mtu " + value);
}
