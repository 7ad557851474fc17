#include "support/TunPath.h"

#include <cstring>
#include <string>

#include "platform/IcmpPacket.h"
#include "support/TestNetwork.h"

namespace {

constexpr std::size_t Ipv4HeaderBytes = 20;
constexpr std::size_t Ipv6HeaderBytes = 40;
constexpr std::uint8_t RouterTtl = 64;

void Store16(std::uint8_t* at, std::uint16_t value) {
  at[0] = static_cast<std::uint8_t>(value >> 8);
  at[1] = static_cast<std::uint8_t>(value);
}

// Echo number `index` (from 0) of a router that drops `percent` of them:
// dropped whenever the running share of drops reaches the next whole echo,
// so any 100 echoes in a row lose exactly `percent`, 10 lose percent / 10.
bool DropsEcho(std::uint64_t index, int percent) {
  const auto p = static_cast<std::uint64_t>(percent);
  return (index + 1) * p / 100 > index * p / 100;
}

std::vector<std::uint8_t> Ipv4TimeExceeded(std::span<const std::uint8_t> request, std::uint32_t router) {
  const std::size_t quoted = std::min(request.size(), static_cast<std::size_t>(request[0] & 0x0F) * 4 + 8);
  std::vector<std::uint8_t> out(Ipv4HeaderBytes + IcmpHeaderBytes + quoted, 0);
  out[0] = 0x45;
  Store16(out.data() + 2, static_cast<std::uint16_t>(out.size()));
  out[8] = RouterTtl;
  out[9] = 1;  // ICMP
  std::memcpy(out.data() + 12, &router, 4);
  std::memcpy(out.data() + 16, request.data() + 12, 4);  // back to the sender
  Store16(out.data() + 10, InternetChecksum(std::span(out).first(Ipv4HeaderBytes)));
  std::uint8_t* icmp = out.data() + Ipv4HeaderBytes;
  icmp[0] = 11;  // time exceeded, code 0: in transit
  std::memcpy(icmp + IcmpHeaderBytes, request.data(), quoted);
  Store16(icmp + 2, InternetChecksum(std::span(out).subspan(Ipv4HeaderBytes)));
  return out;
}

std::vector<std::uint8_t> Ipv6TimeExceeded(std::span<const std::uint8_t> request, const Ipv6Octets& router) {
  const std::size_t quoted = std::min(request.size(), Ipv6HeaderBytes + 8);
  const std::size_t length = IcmpHeaderBytes + quoted;
  std::vector<std::uint8_t> out(Ipv6HeaderBytes + length, 0);
  out[0] = 0x60;
  Store16(out.data() + 4, static_cast<std::uint16_t>(length));
  out[6] = 58;  // ICMPv6
  out[7] = RouterTtl;
  std::memcpy(out.data() + 8, router.data(), 16);
  std::memcpy(out.data() + 24, request.data() + 8, 16);  // back to the sender
  std::uint8_t* icmp = out.data() + Ipv6HeaderBytes;
  icmp[0] = 3;  // time exceeded, code 0: hop limit exceeded in transit
  std::memcpy(icmp + IcmpHeaderBytes, request.data(), quoted);
  // The checksum covers a pseudo-header: both addresses, the length and the
  // next-header value.
  std::vector<std::uint8_t> summed(out.begin() + 8, out.begin() + 40);
  const std::uint8_t tail[8] = {
      0, 0, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length), 0, 0, 0, 58};
  summed.insert(summed.end(), tail, tail + 8);
  summed.insert(summed.end(), out.begin() + Ipv6HeaderBytes, out.end());
  Store16(icmp + 2, InternetChecksum(summed));
  return out;
}

}  // namespace

TunPath::TunPath(std::vector<TunHop> hops) : hops_(std::move(hops)), echoes_(hops_.size(), 0) {}

std::uint32_t TunPath::HopIpv4(int hop) { return Ipv4Of(("10.77.0." + std::to_string(100 + hop)).c_str()); }

Ipv6Octets TunPath::HopIpv6(int hop) { return Ipv6Of(("fd00:77::" + std::to_string(100 + hop)).c_str()); }

bool TunPath::ReadEchoRequest(std::span<const std::uint8_t> packet, int& addressedHop, int& ttl) const {
  addressedHop = 0;
  const int routers = static_cast<int>(hops_.size());
  if (packet.size() >= 28 && (packet[0] >> 4) == 4) {
    const std::size_t header = static_cast<std::size_t>(packet[0] & 0x0F) * 4;
    if (header < Ipv4HeaderBytes || packet.size() < header + 8 || packet[9] != 1 || packet[header] != 8)
      return false;
    ttl = packet[8];
    std::uint32_t destination = 0;
    std::memcpy(&destination, packet.data() + 16, 4);
    for (int hop = 1; hop <= routers; ++hop)
      if (destination == HopIpv4(hop)) addressedHop = hop;
    return true;
  }
  if (packet.size() >= Ipv6HeaderBytes + 8 && (packet[0] >> 4) == 6) {
    if (packet[6] != 58 || packet[40] != 128) return false;
    ttl = packet[7];
    Ipv6Octets destination{};
    std::memcpy(destination.data(), packet.data() + 24, 16);
    for (int hop = 1; hop <= routers; ++hop)
      if (destination == HopIpv6(hop)) addressedHop = hop;
    return true;
  }
  return false;
}

TunVerdict TunPath::Judge(std::span<const std::uint8_t> packet) {
  TunVerdict verdict;
  int addressed = 0;
  int ttl = 0;
  if (hops_.empty() || !ReadEchoRequest(packet, addressed, ttl)) return verdict;
  const int routers = static_cast<int>(hops_.size());
  const int expiresAt = addressed > 0 ? (ttl < addressed ? ttl : 0) : (ttl <= routers ? ttl : 0);
  if (expiresAt > 0) {
    const TunHop& hop = hops_[static_cast<std::size_t>(expiresAt) - 1];
    verdict.delayMs = hop.delayMs;
    if (hop.silent) {
      verdict.kind = TunVerdict::Kind::Drop;
      return verdict;
    }
    verdict.kind = TunVerdict::Kind::Expired;
    verdict.packet = TimeExceededFor(packet, HopIpv4(expiresAt), HopIpv6(expiresAt));
    return verdict;
  }
  if (addressed == 0) return verdict;
  const TunHop& hop = hops_[static_cast<std::size_t>(addressed) - 1];
  verdict.delayMs = hop.delayMs;
  const bool dropped = DropsEcho(echoes_[static_cast<std::size_t>(addressed) - 1]++, hop.lossPercent);
  verdict.kind = dropped ? TunVerdict::Kind::Drop : TunVerdict::Kind::Reply;
  return verdict;
}

std::vector<std::uint8_t> TimeExceededFor(std::span<const std::uint8_t> request, std::uint32_t routerIpv4,
                                          const Ipv6Octets& routerIpv6) {
  if (request.empty()) return {};
  return (request[0] >> 4) == 4 ? Ipv4TimeExceeded(request, routerIpv4)
                                : Ipv6TimeExceeded(request, routerIpv6);
}
