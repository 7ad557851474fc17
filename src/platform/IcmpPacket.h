#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/IcmpEcho.h"

// Wire forms of ICMP and ICMPv6 echo traffic, kept free of sockets so that
// every parser can be tested and fuzzed on its own. All parsers take hostile
// input: they never read outside the span and reject what they cannot place.

inline constexpr std::size_t IcmpHeaderBytes = 8;

// One's-complement sum of 16-bit words as IPv4 and ICMP use it. Over a
// message that carries a correct checksum the result is 0.
std::uint16_t InternetChecksum(std::span<const std::uint8_t> bytes);

// Writes an echo request with `dataBytes` zero bytes of data into `out` and
// returns its size, or 0 when `out` is too small. The ICMPv6 checksum stays 0:
// the kernel fills it in on every ICMPv6 socket, since only it knows the
// source address that the pseudo-header needs.
std::size_t BuildEchoRequest(IpFamily family, std::uint16_t id, std::uint16_t seq, std::size_t dataBytes,
                             std::span<std::uint8_t> out);

enum class IcmpKind : std::uint8_t {
  Unrelated,  // nothing an echo waits for (requests, redirects, neighbour discovery, junk)
  EchoReply,
  TimeExceeded,  // in transit only (code 0); reassembly time-outs are OtherError
  OtherError,    // unreachable, packet too big, parameter problem, ...
};

// What a received message says, for an echo reply or for an error that
// quotes one of our echo requests.
struct IcmpMessage {
  IcmpKind kind = IcmpKind::Unrelated;
  std::uint8_t type = 0;
  std::uint8_t code = 0;
  std::uint16_t id = 0;             // of the reply, or of the quoted request
  std::uint16_t seq = 0;            // likewise
  std::size_t dataSize = 0;         // echo data carried by a reply
  std::uint32_t quotedIpv4Dst = 0;  // destination of the quoted request (errors, IPv4)
  Ipv6Octets quotedIpv6Dst{};       // likewise for IPv6
};

// Error kind by type and code. Redirects and source quench are no answer to
// an echo (the kernel acts on them by itself), so they come back Unrelated.
IcmpKind ClassifyIcmpError(IpFamily family, std::uint8_t type, std::uint8_t code);

// A message from its ICMP type byte on: what datagram ICMP sockets deliver
// for both families and raw ICMPv6 sockets deliver. No checksum is checked;
// those sockets have the kernel verify it.
IcmpMessage ParseIcmpMessage(IpFamily family, std::span<const std::uint8_t> message);

// An IPv4 packet from its IP header on, as a raw IPv4 socket delivers it,
// including IP options. The ICMP checksum is checked here because raw IPv4
// sockets receive packets before the kernel's ICMP code has looked at them.
struct Ipv4IcmpPacket {
  IcmpMessage message;
  std::uint32_t source = 0;  // network order
  std::uint8_t ttl = 0;
};
Ipv4IcmpPacket ParseIpv4IcmpPacket(std::span<const std::uint8_t> packet);

// The header of our own echo request as a datagram socket's error queue
// returns it; false unless it is an echo request.
bool ParseQuotedEchoRequest(IpFamily family, std::span<const std::uint8_t> header, std::uint16_t& id,
                            std::uint16_t& seq);

// The echo a handle waits for.
struct EchoKey {
  IpFamily family = IpFamily::V4;
  std::uint16_t id = 0;
  std::uint16_t seq = 0;
  std::uint32_t ipv4 = 0;  // the target, network order
  Ipv6Octets ipv6{};
};

// A reply answers by identifier and sequence; an error also has to quote a
// request to this very target, so that an error about some other echo of the
// same identifier never ends this one.
bool AnswersEcho(const IcmpMessage& message, const EchoKey& key);
