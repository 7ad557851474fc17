#include "support/TunResponder.h"

#include <fcntl.h>
#include <linux/if.h>
#include <linux/if_tun.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <map>
#include <optional>
#include <random>
#include <span>
#include <vector>

#include "platform/IcmpPacket.h"
#include "support/TestNetwork.h"

namespace {

constexpr const char* kDevice = "vqtun0";

// Microseconds, so that a reply never leaves even a fraction of a
// millisecond before its delay is over.
std::int64_t NowMicros() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void Store16(std::uint8_t* at, std::uint16_t value) {
  at[0] = static_cast<std::uint8_t>(value >> 8);
  at[1] = static_cast<std::uint8_t>(value);
}

// The echo reply to an IPv4 or IPv6 echo request, from the address the
// request went to; nullopt for anything else the kernel sends to the device.
std::optional<std::vector<std::uint8_t>> MakeReply(std::span<const std::uint8_t> in, bool corrupt) {
  const std::uint16_t spoil = corrupt ? 0x5A5A : 0;
  if (in.size() >= 28 && (in[0] >> 4) == 4) {
    const std::size_t header = static_cast<std::size_t>(in[0] & 0x0F) * 4;
    if (header < 20 || in.size() < header + 8 || in[9] != 1 || in[header] != 8) return std::nullopt;
    std::vector<std::uint8_t> out(in.begin(), in.end());
    std::memcpy(out.data() + 12, in.data() + 16, 4);
    std::memcpy(out.data() + 16, in.data() + 12, 4);
    out[8] = 64;
    Store16(out.data() + 10, 0);
    Store16(out.data() + 10, InternetChecksum(std::span(out).first(header)));
    out[header] = 0;
    Store16(out.data() + header + 2, 0);
    Store16(out.data() + header + 2, InternetChecksum(std::span(out).subspan(header)) ^ spoil);
    return out;
  }
  if (in.size() >= 48 && (in[0] >> 4) == 6) {
    if (in[6] != 58 || in[40] != 128) return std::nullopt;
    std::vector<std::uint8_t> out(in.begin(), in.end());
    std::memcpy(out.data() + 8, in.data() + 24, 16);
    std::memcpy(out.data() + 24, in.data() + 8, 16);
    out[7] = 64;
    out[40] = 129;
    Store16(out.data() + 42, 0);
    // The ICMPv6 checksum covers a pseudo-header of both addresses, the
    // length and the next-header value.
    const std::size_t length = out.size() - 40;
    std::vector<std::uint8_t> summed(out.begin() + 8, out.begin() + 40);
    const std::uint8_t tail[8] = {static_cast<std::uint8_t>(length >> 24),
                                  static_cast<std::uint8_t>(length >> 16),
                                  static_cast<std::uint8_t>(length >> 8),
                                  static_cast<std::uint8_t>(length),
                                  0,
                                  0,
                                  0,
                                  58};
    summed.insert(summed.end(), tail, tail + 8);
    summed.insert(summed.end(), out.begin() + 40, out.end());
    Store16(out.data() + 42, InternetChecksum(summed) ^ spoil);
    return out;
  }
  return std::nullopt;
}

}  // namespace

TunResponder::TunResponder(TestNetwork& network, const std::string& ns, TunResponderOptions options,
                           std::vector<TunHop> path)
    : options_(options), path_(std::move(path)) {
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
  if (!network.Ip(ns, "link set " + device + " up") ||
      !network.Ip(ns, "addr add 10.77.0.1/24 dev " + device) ||
      !network.Ip(ns, "-6 addr add fd00:77::1/64 dev " + device + " nodad"))
    return;
  stop_ = eventfd(0, EFD_CLOEXEC);
  if (stop_ < 0) return;
  thread_ = std::thread([this] { Serve(); });
  ok_ = true;
}

TunResponder::~TunResponder() {
  if (thread_.joinable()) {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(stop_, &one, sizeof one);
    thread_.join();
  }
  if (stop_ >= 0) close(stop_);
  if (tun_ >= 0) close(tun_);
}

std::uint32_t TunResponder::TargetIpv4(int host) {
  return Ipv4Of(("10.77.0." + std::to_string(host)).c_str());
}

Ipv6Octets TunResponder::TargetIpv6(int host) { return Ipv6Of(("fd00:77::" + std::to_string(host)).c_str()); }

void TunResponder::Serve() {
  std::mt19937 generator(options_.seed);
  std::uniform_int_distribution<int> percent(0, 99);
  std::multimap<std::int64_t, std::vector<std::uint8_t>> due;  // by due time; equal times in arrival order
  std::vector<std::uint8_t> buffer(70000);
  for (;;) {
    const std::int64_t now = NowMicros();
    while (!due.empty() && due.begin()->first <= now) {
      const auto& reply = due.begin()->second;
      // Counted before the write: the client may read the reply before this
      // thread runs again.
      ++answered_;
      if (write(tun_, reply.data(), reply.size()) != static_cast<ssize_t>(reply.size())) --answered_;
      due.erase(due.begin());
    }
    const int wait = due.empty() ? -1 : static_cast<int>((due.begin()->first - now + 999) / 1000);
    pollfd watched[2] = {{tun_, POLLIN, 0}, {stop_, POLLIN, 0}};
    if (poll(watched, 2, wait) < 0) continue;
    if (watched[1].revents) return;
    if (!(watched[0].revents & POLLIN)) continue;
    const ssize_t length = read(tun_, buffer.data(), buffer.size());
    if (length <= 0) continue;
    const auto in = std::span(buffer).first(static_cast<std::size_t>(length));
    TunVerdict verdict = path_.Judge(in);
    if (verdict.kind != TunVerdict::Kind::NotMine) {
      ++requests_;
      if (verdict.kind == TunVerdict::Kind::Drop) {
        ++dropped_;
        continue;
      }
      if (verdict.kind == TunVerdict::Kind::Reply) {
        auto reply = MakeReply(in, false);
        if (!reply) continue;
        verdict.packet = std::move(*reply);
      }
      due.emplace(NowMicros() + std::int64_t{verdict.delayMs} * 1000, std::move(verdict.packet));
      continue;
    }
    auto reply = MakeReply(in, options_.corruptChecksums);
    if (!reply) continue;
    ++requests_;
    if (percent(generator) < options_.lossPercent) {
      ++dropped_;
      continue;
    }
    due.emplace(NowMicros() + std::int64_t{options_.delayMs} * 1000, std::move(*reply));
  }
}
