#include "platform/IcmpPacket.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint8_t kIcmpEchoReply = 0;
constexpr std::uint8_t kIcmpUnreachable = 3;
constexpr std::uint8_t kIcmpEchoRequest = 8;
constexpr std::uint8_t kIcmpTimeExceeded = 11;
constexpr std::uint8_t kIcmpParameterProblem = 12;
constexpr std::uint8_t kIcmp6Unreachable = 1;
constexpr std::uint8_t kIcmp6PacketTooBig = 2;
constexpr std::uint8_t kIcmp6TimeExceeded = 3;
constexpr std::uint8_t kIcmp6ParameterProblem = 4;
constexpr std::uint8_t kIcmp6EchoRequest = 128;
constexpr std::uint8_t kIcmp6EchoReply = 129;
constexpr std::uint8_t kProtocolIcmp = 1;
constexpr std::uint8_t kProtocolIcmp6 = 58;
constexpr std::uint8_t kIpv6Fragment = 44;
constexpr std::size_t kIpv4MinHeader = 20;
constexpr std::size_t kIpv6Header = 40;
constexpr std::size_t kIpv6FragmentHeader = 8;

std::uint16_t Read16(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>((bytes[at] << 8) | bytes[at + 1]);
}

std::uint32_t ReadRaw32(std::span<const std::uint8_t> bytes, std::size_t at) {
  std::uint32_t value;
  std::memcpy(&value, bytes.data() + at, sizeof value);  // stays in network order
  return value;
}

// The IPv4 header length when `bytes` starts with a plausible, complete
// header of `protocol`; 0 otherwise. `fragments` masks the flag and offset
// bits that must be clear.
std::size_t Ipv4HeaderLength(std::span<const std::uint8_t> bytes, std::uint8_t protocol,
                             std::uint16_t fragments) {
  if (bytes.size() < kIpv4MinHeader || (bytes[0] >> 4) != 4) return 0;
  const std::size_t length = static_cast<std::size_t>(bytes[0] & 0x0F) * 4;
  if (length < kIpv4MinHeader || length > bytes.size()) return 0;
  if (bytes[9] != protocol) return 0;
  if ((Read16(bytes, 6) & fragments) != 0) return 0;
  return length;
}

// An echo larger than the path's MTU leaves in fragments, and a router's
// error about it quotes the first one: IPv4 with more-fragments set, IPv6
// with a Fragment header before ICMPv6. Only that first fragment carries
// our ICMP header; a quote with any other offset is not ours to read.
constexpr std::uint16_t kAnyFragment = 0x3FFF;    // more-fragments flag or an offset
constexpr std::uint16_t kLaterFragment = 0x1FFF;  // an offset

// Fills id, seq and the quoted destination from the request that an error
// message quotes after its own 8-byte header. False when it is not one of
// the echo requests an echo handle sends.
bool ParseQuotedRequest(IpFamily family, std::span<const std::uint8_t> quoted, IcmpMessage& out) {
  std::size_t header = 0;
  if (family == IpFamily::V4) {
    header = Ipv4HeaderLength(quoted, kProtocolIcmp, kLaterFragment);
    if (header == 0) return false;
    out.quotedIpv4Dst = ReadRaw32(quoted, 16);
  } else {
    // We send no extension headers; the kernel adds a Fragment header to
    // large echoes, and nothing else.
    if (quoted.size() < kIpv6Header || (quoted[0] >> 4) != 6) return false;
    std::uint8_t next = quoted[6];
    header = kIpv6Header;
    if (next == kIpv6Fragment) {
      if (quoted.size() < header + kIpv6FragmentHeader || (Read16(quoted, header + 2) & 0xFFF8) != 0)
        return false;
      next = quoted[header];
      header += kIpv6FragmentHeader;
    }
    if (next != kProtocolIcmp6) return false;
    std::memcpy(out.quotedIpv6Dst.data(), quoted.data() + 24, 16);
  }
  return ParseQuotedEchoRequest(family, quoted.subspan(header), out.id, out.seq);
}

}  // namespace

std::uint16_t InternetChecksum(std::span<const std::uint8_t> bytes) {
  std::uint32_t sum = 0;
  std::size_t i = 0;
  for (; i + 1 < bytes.size(); i += 2) sum += Read16(bytes, i);
  if (i < bytes.size()) sum += static_cast<std::uint32_t>(bytes[i]) << 8;
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<std::uint16_t>(~sum & 0xFFFF);
}

std::size_t BuildEchoRequest(IpFamily family, std::uint16_t id, std::uint16_t seq, std::size_t dataBytes,
                             std::span<std::uint8_t> out) {
  const std::size_t size = IcmpHeaderBytes + dataBytes;
  if (out.size() < size) return 0;
  std::fill(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(size), std::uint8_t{0});
  out[0] = family == IpFamily::V4 ? kIcmpEchoRequest : kIcmp6EchoRequest;
  out[4] = static_cast<std::uint8_t>(id >> 8);
  out[5] = static_cast<std::uint8_t>(id);
  out[6] = static_cast<std::uint8_t>(seq >> 8);
  out[7] = static_cast<std::uint8_t>(seq);
  if (family == IpFamily::V4) {
    const std::uint16_t sum = InternetChecksum(out.first(size));
    out[2] = static_cast<std::uint8_t>(sum >> 8);
    out[3] = static_cast<std::uint8_t>(sum);
  }
  return size;
}

IcmpKind ClassifyIcmpError(IpFamily family, std::uint8_t type, std::uint8_t code) {
  if (family == IpFamily::V4) {
    switch (type) {
      case kIcmpTimeExceeded:
        return code == 0 ? IcmpKind::TimeExceeded : IcmpKind::OtherError;
      case kIcmpUnreachable:
      case kIcmpParameterProblem:
        return IcmpKind::OtherError;
      default:
        return IcmpKind::Unrelated;
    }
  }
  switch (type) {
    case kIcmp6TimeExceeded:
      return code == 0 ? IcmpKind::TimeExceeded : IcmpKind::OtherError;
    case kIcmp6Unreachable:
    case kIcmp6PacketTooBig:
    case kIcmp6ParameterProblem:
      return IcmpKind::OtherError;
    default:
      return IcmpKind::Unrelated;
  }
}

IcmpMessage ParseIcmpMessage(IpFamily family, std::span<const std::uint8_t> message) {
  IcmpMessage out;
  if (message.size() < IcmpHeaderBytes) return out;
  out.type = message[0];
  out.code = message[1];
  const std::uint8_t replyType = family == IpFamily::V4 ? kIcmpEchoReply : kIcmp6EchoReply;
  if (out.type == replyType) {
    out.kind = IcmpKind::EchoReply;
    out.id = Read16(message, 4);
    out.seq = Read16(message, 6);
    out.dataSize = message.size() - IcmpHeaderBytes;
    return out;
  }
  const IcmpKind kind = ClassifyIcmpError(family, out.type, out.code);
  if (kind != IcmpKind::Unrelated && ParseQuotedRequest(family, message.subspan(IcmpHeaderBytes), out))
    out.kind = kind;
  return out;
}

Ipv4IcmpPacket ParseIpv4IcmpPacket(std::span<const std::uint8_t> packet) {
  Ipv4IcmpPacket out;
  // The kernel reassembles what it hands a raw socket, so a fragment here
  // is junk.
  const std::size_t header = Ipv4HeaderLength(packet, kProtocolIcmp, kAnyFragment);
  if (header == 0) return out;
  // The total length field bounds the message when the buffer holds padding
  // beyond it; a field larger than what arrived is a truncated read.
  std::size_t end = packet.size();
  const std::size_t total = Read16(packet, 2);
  if (total >= header && total < end) end = total;
  const auto message = packet.subspan(header, end - header);
  if (message.size() < IcmpHeaderBytes || InternetChecksum(message) != 0) return out;
  out.source = ReadRaw32(packet, 12);
  out.ttl = packet[8];
  out.message = ParseIcmpMessage(IpFamily::V4, message);
  return out;
}

bool ParseQuotedEchoRequest(IpFamily family, std::span<const std::uint8_t> header, std::uint16_t& id,
                            std::uint16_t& seq) {
  const std::uint8_t requestType = family == IpFamily::V4 ? kIcmpEchoRequest : kIcmp6EchoRequest;
  if (header.size() < IcmpHeaderBytes || header[0] != requestType || header[1] != 0) return false;
  id = Read16(header, 4);
  seq = Read16(header, 6);
  return true;
}

bool AnswersEcho(const IcmpMessage& message, const EchoKey& key) {
  if (message.kind == IcmpKind::Unrelated) return false;
  if (message.id != key.id || message.seq != key.seq) return false;
  if (message.kind == IcmpKind::EchoReply) return true;
  return key.family == IpFamily::V4 ? message.quotedIpv4Dst == key.ipv4 : message.quotedIpv6Dst == key.ipv6;
}
