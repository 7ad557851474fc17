#include "support/TunPath.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/if.h>
#include <linux/if_tun.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>

#include "platform/IcmpPacket.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

void Store16(std::uint8_t* at, std::size_t value) {
  at[0] = static_cast<std::uint8_t>(value >> 8);
  at[1] = static_cast<std::uint8_t>(value);
}

// An IP packet from `source` to `destination` around the ICMP message
// `icmp`, whose checksum is filled in (and spoilt when asked).
Bytes Wrap(std::span<const std::uint8_t> source, std::span<const std::uint8_t> destination, Bytes icmp,
           bool spoil) {
  const bool v6 = source.size() == 16;
  Bytes out = v6 ? Bytes{0x60, 0, 0, 0, 0, 0, 58, 64} : Bytes{0x45, 0, 0, 0, 0, 0, 0, 0, 64, 1, 0, 0};
  Store16(out.data() + (v6 ? 4 : 2), icmp.size() + (v6 ? 0 : 20));
  out.insert(out.end(), source.begin(), source.end());
  out.insert(out.end(), destination.begin(), destination.end());
  if (!v6) Store16(out.data() + 10, InternetChecksum(out));
  // The ICMPv6 checksum covers a pseudo-header: both addresses, the length
  // and the next-header value.
  Bytes summed = v6 ? Bytes(out.begin() + 8, out.end()) : Bytes{};
  if (v6) summed.insert(summed.end(), {0, 0, out[4], out[5], 0, 0, 0, 58});
  Store16(icmp.data() + 2, 0);
  summed.insert(summed.end(), icmp.begin(), icmp.end());
  Store16(icmp.data() + 2, InternetChecksum(summed) ^ (spoil ? 0x5A5A : 0));
  out.insert(out.end(), icmp.begin(), icmp.end());
  return out;
}

}  // namespace

TunPath::TunPath(TestNetwork& network, const std::string& ns, std::vector<TunHop> hops)
    : hops_(std::move(hops)), echoes_(hops_.size(), 0) {
  // The device is made in the namespace of the thread that creates it.
  NetnsScope inside(ns);
  tun_ = inside.ok() ? open("/dev/net/tun", O_RDWR | O_CLOEXEC) : -1;
  ifreq request{};
  request.ifr_flags = IFF_TUN | IFF_NO_PI;
  std::strcpy(request.ifr_name, "vqtun0");
  if (tun_ < 0 || ioctl(tun_, TUNSETIFF, &request) != 0) return;
  if (!network.Ip(ns, "link set vqtun0 up") || !network.Ip(ns, "addr add 10.77.0.1/24 dev vqtun0") ||
      !network.Ip(ns, "-6 addr add fd00:77::1/64 dev vqtun0 nodad"))
    return;
  thread_ = std::thread([this] { Serve(); });
  ok_ = true;
}

TunPath::~TunPath() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (tun_ >= 0) close(tun_);
}

std::uint32_t TunPath::HopIpv4(int hop) { return htonl(0x0A4D0000u | static_cast<std::uint32_t>(100 + hop)); }

Ipv6Octets TunPath::HopIpv6(int hop) {
  Ipv6Octets address = Ipv6Of("fd00:77::");
  address[15] = static_cast<std::uint8_t>(100 + hop);
  return address;
}

Bytes TunPath::Judge(std::span<const std::uint8_t> in, int& delayMs) {
  // Only echo requests get an answer; our echoes carry no IPv4 options or
  // IPv6 extension headers.
  const bool v6 = !in.empty() && (in[0] >> 4) == 6;
  const std::size_t header = v6 ? 40 : 20;
  if (in.size() < header + 8 || in[v6 ? 6 : 9] != (v6 ? 58 : 1) || in[header] != (v6 ? 128 : 8)) return {};
  const auto source = in.subspan(v6 ? 8 : 12, v6 ? 16 : 4);
  const auto destination = in.subspan(v6 ? 24 : 16, source.size());
  const int addressed = destination.back() - 100;  // the device's net holds nothing else
  if (addressed < 1 || addressed > static_cast<int>(hops_.size())) return {};
  const int ttl = in[v6 ? 7 : 8];
  if (ttl < addressed) {
    // Router `ttl` answers "time exceeded", quoting the request's header
    // and first 8 bytes.
    delayMs = hops_[static_cast<std::size_t>(ttl) - 1].delayMs;
    Bytes icmp = {static_cast<std::uint8_t>(v6 ? 3 : 11), 0, 0, 0, 0, 0, 0, 0};
    icmp.insert(icmp.end(), in.begin(), in.begin() + static_cast<std::ptrdiff_t>(header + 8));
    Bytes router(destination.begin(), destination.end());
    router.back() = static_cast<std::uint8_t>(100 + ttl);
    return Wrap(router, source, std::move(icmp), false);
  }
  const TunHop& hop = hops_[static_cast<std::size_t>(addressed) - 1];
  delayMs = hop.delayMs;
  // Dropped whenever the running share of drops reaches the next whole echo.
  const std::uint64_t echo = echoes_[static_cast<std::size_t>(addressed) - 1]++, loss = hop.lossPercent;
  if ((echo + 1) * loss / 100 > echo * loss / 100) return {};
  Bytes icmp(in.begin() + static_cast<std::ptrdiff_t>(header), in.end());
  icmp[0] = v6 ? 129 : 0;
  return Wrap(destination, source, std::move(icmp), hop.badChecksum);
}

void TunPath::Serve() {
  std::multimap<Clock::time_point, Bytes> due;  // equal times in arrival order
  Bytes buffer(70000);
  while (!stop_) {
    const Clock::time_point now = Clock::now();
    while (!due.empty() && due.begin()->first <= now) {
      const Bytes& answer = due.begin()->second;
      // The kernel takes a packet written here in before write() returns.
      if (write(tun_, answer.data(), answer.size()) == static_cast<ssize_t>(answer.size())) ++answered_;
      due.erase(due.begin());
    }
    // Every millisecond: no answer leaves before its delay is over, nor
    // much after.
    pollfd watched{tun_, POLLIN, 0};
    if (poll(&watched, 1, 1) <= 0) continue;
    const ssize_t length = read(tun_, buffer.data(), buffer.size());
    int delayMs = 0;
    Bytes answer =
        length > 0 ? Judge(std::span(buffer).first(static_cast<std::size_t>(length)), delayMs) : Bytes{};
    if (!answer.empty()) due.emplace(Clock::now() + std::chrono::milliseconds(delayMs), std::move(answer));
  }
}
