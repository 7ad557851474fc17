#include "support/TunPath.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/if.h>
#include <linux/if_tun.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>

#include "platform/IcmpPacket.h"
#include "support/TestNetwork.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr const char* kDevice = "vqtun0";

using Clock = std::chrono::steady_clock;

void Store16(std::uint8_t* at, std::uint16_t value) {
  at[0] = static_cast<std::uint8_t>(value >> 8);
  at[1] = static_cast<std::uint8_t>(value);
}

// Echo number `index` (from 0) of a hop that drops `percent`: dropped
// whenever the running share of drops reaches the next whole echo.
bool DropsEcho(std::uint64_t index, int percent) {
  const auto p = static_cast<std::uint64_t>(percent);
  return (index + 1) * p / 100 > index * p / 100;
}

// The address of hop `hop`, 4 or 16 bytes.
Bytes HopAddress(bool v6, int hop) {
  const Ipv6Octets v6Address = TunPath::HopIpv6(hop);
  const std::uint32_t v4Address = TunPath::HopIpv4(hop);
  const auto* bytes = v6 ? v6Address.data() : reinterpret_cast<const std::uint8_t*>(&v4Address);
  return Bytes(bytes, bytes + (v6 ? 16 : 4));
}

// An IP packet from `source` to `destination` around the ICMP message
// `icmp`, whose checksum is filled in (and spoilt when asked).
Bytes Wrap(std::span<const std::uint8_t> source, std::span<const std::uint8_t> destination, Bytes icmp,
           bool spoil) {
  const bool v6 = source.size() == 16;
  const std::size_t header = v6 ? 40 : 20;
  Bytes out(header, 0);
  std::copy(source.begin(), source.end(), out.end() - 2 * static_cast<std::ptrdiff_t>(source.size()));
  std::copy(destination.begin(), destination.end(), out.end() - static_cast<std::ptrdiff_t>(source.size()));
  Store16(icmp.data() + 2, 0);
  Bytes summed;
  if (v6) {
    // The ICMPv6 checksum covers a pseudo-header: both addresses, the
    // length and the next-header value.
    out[0] = 0x60;
    Store16(out.data() + 4, static_cast<std::uint16_t>(icmp.size()));
    out[6] = 58;
    out[7] = 64;
    summed.assign(out.begin() + 8, out.end());
    summed.insert(summed.end(), {0, 0, out[4], out[5], 0, 0, 0, 58});
  } else {
    out[0] = 0x45;
    Store16(out.data() + 2, static_cast<std::uint16_t>(header + icmp.size()));
    out[8] = 64;
    out[9] = 1;
    Store16(out.data() + 10, InternetChecksum(out));
  }
  summed.insert(summed.end(), icmp.begin(), icmp.end());
  Store16(icmp.data() + 2, InternetChecksum(summed) ^ (spoil ? 0x5A5A : 0));
  out.insert(out.end(), icmp.begin(), icmp.end());
  return out;
}

}  // namespace

TunPath::TunPath(TestNetwork& network, const std::string& ns, std::vector<TunHop> hops)
    : hops_(std::move(hops)), echoes_(hops_.size(), 0) {
  {
    // The device is made in the namespace of the thread that creates it.
    NetnsScope inside(ns);
    if (!inside.ok()) return;
    tun_ = open("/dev/net/tun", O_RDWR | O_CLOEXEC);
    if (tun_ < 0) return;
    ifreq request{};
    request.ifr_flags = IFF_TUN | IFF_NO_PI;
    std::strncpy(request.ifr_name, kDevice, IFNAMSIZ - 1);
    if (ioctl(tun_, TUNSETIFF, &request) != 0) return;
  }
  const std::string device = kDevice;
  stop_ = eventfd(0, EFD_CLOEXEC);
  if (hops_.empty() || stop_ < 0 || !network.Ip(ns, "link set " + device + " up") ||
      !network.Ip(ns, "addr add 10.77.0.1/24 dev " + device) ||
      !network.Ip(ns, "-6 addr add fd00:77::1/64 dev " + device + " nodad"))
    return;
  thread_ = std::thread([this] { Serve(); });
  ok_ = true;
}

TunPath::~TunPath() {
  if (thread_.joinable()) {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(stop_, &one, sizeof one);
    thread_.join();
  }
  if (stop_ >= 0) close(stop_);
  if (tun_ >= 0) close(tun_);
}

std::uint32_t TunPath::HopIpv4(int hop) { return htonl(0x0A4D0000u | static_cast<std::uint32_t>(100 + hop)); }

Ipv6Octets TunPath::HopIpv6(int hop) {
  Ipv6Octets address = Ipv6Of("fd00:77::");
  address[15] = static_cast<std::uint8_t>(100 + hop);
  return address;
}

Bytes TunPath::Judge(std::span<const std::uint8_t> in, int& delayMs) {
  const bool v6 = !in.empty() && (in[0] >> 4) == 6;
  const std::size_t header = v6 ? 40 : in.empty() ? 0 : static_cast<std::size_t>(in[0] & 0x0F) * 4;
  const bool request = v6 ? in.size() >= 48 && in[6] == 58 && in[40] == 128
                          : in.size() >= 28 && (in[0] >> 4) == 4 && header >= 20 && in.size() >= header + 8 &&
                                in[9] == 1 && in[header] == 8;
  if (!request) return {};
  const auto source = in.subspan(v6 ? 8 : 12, v6 ? 16 : 4);
  const auto destination = in.subspan(v6 ? 24 : 16, source.size());
  const Bytes first = HopAddress(v6, 0);
  const int addressed =
      std::equal(first.begin(), first.end() - 1, destination.begin()) ? destination.back() - 100 : 0;
  if (addressed < 1 || addressed > static_cast<int>(hops_.size())) return {};
  const int ttl = in[v6 ? 7 : 8];
  if (ttl < addressed) {
    // Router `ttl` answers "time exceeded", quoting the request's header
    // and first 8 bytes.
    delayMs = hops_[static_cast<std::size_t>(ttl) - 1].delayMs;
    Bytes icmp = {static_cast<std::uint8_t>(v6 ? 3 : 11), 0, 0, 0, 0, 0, 0, 0};
    icmp.insert(icmp.end(), in.begin(), in.begin() + static_cast<std::ptrdiff_t>(header + 8));
    return Wrap(HopAddress(v6, ttl), source, std::move(icmp), false);
  }
  const TunHop& hop = hops_[static_cast<std::size_t>(addressed) - 1];
  delayMs = hop.delayMs;
  if (DropsEcho(echoes_[static_cast<std::size_t>(addressed) - 1]++, hop.lossPercent)) return {};
  Bytes icmp(in.begin() + static_cast<std::ptrdiff_t>(header), in.end());
  icmp[0] = v6 ? 129 : 0;
  return Wrap(destination, source, std::move(icmp), hop.badChecksum);
}

void TunPath::Serve() {
  std::multimap<Clock::time_point, Bytes> due;  // equal times in arrival order
  Bytes buffer(70000);
  for (;;) {
    const Clock::time_point now = Clock::now();
    while (!due.empty() && due.begin()->first <= now) {
      const Bytes& answer = due.begin()->second;
      // The kernel takes a packet written here in before write() returns.
      if (write(tun_, answer.data(), answer.size()) == static_cast<ssize_t>(answer.size())) ++answered_;
      due.erase(due.begin());
    }
    // Rounded up, so that no answer leaves before its delay is over.
    const auto wait =
        due.empty() ? -1 : std::chrono::ceil<std::chrono::milliseconds>(due.begin()->first - now).count();
    pollfd watched[2] = {{tun_, POLLIN, 0}, {stop_, POLLIN, 0}};
    if (poll(watched, 2, static_cast<int>(wait)) < 0) continue;
    if (watched[1].revents) return;
    const ssize_t length = (watched[0].revents & POLLIN) ? read(tun_, buffer.data(), buffer.size()) : 0;
    int delayMs = 0;
    Bytes answer =
        length > 0 ? Judge(std::span(buffer).first(static_cast<std::size_t>(length)), delayMs) : Bytes{};
    if (!answer.empty()) due.emplace(Clock::now() + std::chrono::milliseconds(delayMs), std::move(answer));
  }
}
