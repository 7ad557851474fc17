#include "platform/IcmpPacket.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "support/TestNetwork.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& bytes, std::size_t at, std::size_t value) {
  bytes[at] = static_cast<std::uint8_t>(value >> 8);
  bytes[at + 1] = static_cast<std::uint8_t>(value);
}

Bytes EchoRequest(IpFamily family, std::uint16_t id, std::uint16_t seq, std::size_t data = 0) {
  Bytes out(IcmpHeaderBytes + data);
  EXPECT_EQ(BuildEchoRequest(family, id, seq, data, out), out.size());
  return out;
}

// An ICMP or ICMPv6 message with a correct ICMP checksum (which ICMPv6
// parsers leave to the kernel).
Bytes Icmp(std::uint8_t type, std::uint8_t code, const Bytes& rest, std::uint16_t id = 0,
           std::uint16_t seq = 0) {
  Bytes out;
  out.reserve(8 + rest.size());  // spares GCC 12 a false -Warray-bounds at -O3
  out.assign({type, code, 0, 0, 0, 0, 0, 0});
  Put16(out, 4, id);
  Put16(out, 6, seq);
  out.insert(out.end(), rest.begin(), rest.end());
  Put16(out, 2, InternetChecksum(out));
  return out;
}

// An ICMP packet with `optionWords` 32-bit words of IP options and the
// flags-and-offset field `fragment`.
Bytes Ipv4(const char* source, const char* destination, const Bytes& payload, int optionWords = 0,
           std::uint8_t ttl = 64, std::uint16_t fragment = 0) {
  Bytes out;
  out.reserve(20 + 4 * static_cast<std::size_t>(optionWords) + payload.size());
  out.assign({static_cast<std::uint8_t>(0x45 + optionWords), 0, 0, 0, 0, 0, 0, 0, ttl, 1});
  out.resize(20 + 4 * static_cast<std::size_t>(optionWords), 1);  // options of no-operation
  Put16(out, 2, out.size() + payload.size());
  Put16(out, 6, fragment);
  const std::uint32_t s = Ipv4Of(source), d = Ipv4Of(destination);
  std::memcpy(out.data() + 12, &s, 4);
  std::memcpy(out.data() + 16, &d, 4);
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

// An IPv6 header whose next header is `next`, followed by `payload`.
Bytes Ipv6(const char* source, const char* destination, const Bytes& payload, std::uint8_t next = 58) {
  Bytes out = {0x60, 0, 0, 0, 0, 0, next, 64};
  Put16(out, 4, payload.size());
  out.resize(40);
  const Ipv6Octets s = Ipv6Of(source), d = Ipv6Of(destination);
  std::memcpy(out.data() + 8, s.data(), 16);
  std::memcpy(out.data() + 24, d.data(), 16);
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

// What a router quotes of our request to `target`: its IP header (with
// options, or as a fragment, when asked) and its first 8 bytes.
Bytes QuotedV4(const char* target, std::uint16_t id, std::uint16_t seq, int optionWords = 0,
               std::uint16_t fragment = 0) {
  return Ipv4("10.0.0.1", target, EchoRequest(IpFamily::V4, id, seq), optionWords, 1, fragment);
}
Bytes ErrorV4(std::uint8_t type, std::uint8_t code, const Bytes& quoted) {
  return Ipv4("10.9.9.9", "10.0.0.1", Icmp(type, code, quoted));
}
// A quoted IPv6 request behind a Fragment header with `offset` (in 8-byte units).
Bytes FragmentV6(std::uint16_t offset, std::uint16_t id, std::uint16_t seq) {
  Bytes out = {58, 0, 0, 0, 0, 0, 0, 7};
  Put16(out, 2, offset << 3 | 1);  // more fragments follow
  const Bytes request = EchoRequest(IpFamily::V6, id, seq);
  out.insert(out.end(), request.begin(), request.end());
  return Ipv6("fd00::1", "fd00::99", out, 44);
}

IcmpKind KindV4(const Bytes& packet) { return ParseIpv4IcmpPacket(packet).message.kind; }
IcmpKind KindV6(const Bytes& message) { return ParseIcmpMessage(IpFamily::V6, message).kind; }

TEST(IcmpPacketChecksum, FollowsTheOnesComplementSumIncludingAnOddTail) {
  // Our own echoes carry zero data, so only other packets show the tail.
  EXPECT_EQ(InternetChecksum(Bytes{0x00, 0x01, 0xF2, 0x03, 0xF4, 0xF5, 0xF6, 0xF7}), 0x220D);
  EXPECT_EQ(InternetChecksum(Bytes{0x12}), static_cast<std::uint16_t>(~0x1200));
}

TEST(IcmpPacketIpv4, ReadsAnEchoReplyBehindIpOptionsWithinItsTotalLength) {
  for (int options : {0, 1, 10}) {
    Bytes packet = Ipv4("127.0.0.1", "127.0.0.1", Icmp(0, 0, Bytes(32, 0), 0x1234, 77), options, 61);
    packet.insert(packet.end(), {0xAA, 0xBB, 0xCC});  // padding beyond the total length
    const Ipv4IcmpPacket parsed = ParseIpv4IcmpPacket(packet);
    EXPECT_EQ(parsed.message.kind, IcmpKind::EchoReply) << options;
    EXPECT_EQ(parsed.message.id, 0x1234);
    EXPECT_EQ(parsed.message.seq, 77);
    EXPECT_EQ(parsed.message.dataSize, 32u);
    EXPECT_EQ(parsed.source, Ipv4Of("127.0.0.1"));
    EXPECT_EQ(parsed.ttl, 61);
  }
}

TEST(IcmpPacketIpv4, ReadsErrorsQuotingOptionsOrAFirstFragment) {
  // 0x2000: more fragments follow; a large echo's error quotes its first.
  for (const Bytes& quoted : {QuotedV4("192.0.2.7", 5, 6), QuotedV4("192.0.2.7", 5, 6, 3),
                              QuotedV4("192.0.2.7", 5, 6, 0, 0x2000)}) {
    const Ipv4IcmpPacket packet = ParseIpv4IcmpPacket(ErrorV4(11, 0, quoted));
    EXPECT_EQ(packet.message.kind, IcmpKind::TimeExceeded);
    EXPECT_EQ(packet.message.id, 5);
    EXPECT_EQ(packet.message.seq, 6);
    EXPECT_EQ(packet.message.quotedIpv4Dst, Ipv4Of("192.0.2.7"));
    EXPECT_EQ(packet.source, Ipv4Of("10.9.9.9"));
  }
  const Bytes quoted = QuotedV4("192.0.2.7", 5, 6);
  // Reassembly time exceeded (code 1) is no router on the path.
  for (auto [type, code] : {std::pair{11, 1}, {3, 1}, {12, 0}})
    EXPECT_EQ(KindV4(ErrorV4(type, code, quoted)), IcmpKind::OtherError) << type;
  for (std::uint8_t type : {4, 5, 8, 13})
    EXPECT_EQ(KindV4(ErrorV4(type, 0, quoted)), IcmpKind::Unrelated) << type;
}

TEST(IcmpPacketIpv4, RejectsMalformedPacketsAndQuotesAndEveryPrefixOfAQuote) {
  struct Spoil {
    std::size_t at;
    std::uint8_t value;
  };
  // A flipped bit inside the ICMP message; header lengths below 20 bytes or
  // beyond the packet; not version 4; not ICMP; a fragment.
  const Bytes good = ErrorV4(11, 0, QuotedV4("192.0.2.7", 5, 6, 2));
  ASSERT_EQ(KindV4(good), IcmpKind::TimeExceeded);
  for (const Spoil spoil : {Spoil{24, 0x40}, {0, 0x44}, {0, 0x4F}, {0, 0x65}, {9, 17}, {6, 0x20}}) {
    Bytes bad = good;
    bad[spoil.at] = spoil.value;
    EXPECT_EQ(KindV4(bad), IcmpKind::Unrelated) << spoil.at;
  }
  // A quote of a later fragment, not of ICMP, of an echo reply.
  const Bytes quoted = QuotedV4("192.0.2.7", 5, 6, 2);
  for (const Spoil spoil : {Spoil{7, 0xB9}, {9, 6}, {28, 0}}) {
    Bytes bad = quoted;
    bad[spoil.at] = spoil.value;
    EXPECT_EQ(KindV4(ErrorV4(11, 0, bad)), IcmpKind::Unrelated) << spoil.at;
  }
  for (std::size_t size = 0; size < quoted.size(); ++size)
    EXPECT_EQ(
        KindV4(ErrorV4(11, 0, Bytes(quoted.begin(), quoted.begin() + static_cast<std::ptrdiff_t>(size)))),
        IcmpKind::Unrelated)
        << size;
}

TEST(IcmpPacketIpv6, ReadsErrorsQuotingARequestOrItsFirstFragment) {
  const Bytes quoted = Ipv6("fd00::1", "fd00::99", EchoRequest(IpFamily::V6, 3, 4, 16));
  for (const Bytes& error : {Icmp(3, 0, quoted), Icmp(3, 0, FragmentV6(0, 3, 4))}) {
    const IcmpMessage expired = ParseIcmpMessage(IpFamily::V6, error);
    EXPECT_EQ(expired.kind, IcmpKind::TimeExceeded);
    EXPECT_EQ(expired.id, 3);
    EXPECT_EQ(expired.seq, 4);
    EXPECT_EQ(expired.quotedIpv6Dst, Ipv6Of("fd00::99"));
  }
  EXPECT_EQ(KindV6(Icmp(3, 1, quoted)), IcmpKind::OtherError);
  for (std::uint8_t type : {1, 2, 4}) EXPECT_EQ(KindV6(Icmp(type, 0, quoted)), IcmpKind::OtherError);
  for (std::uint8_t type : {128, 133, 135, 137})
    EXPECT_EQ(KindV6(Icmp(type, 0, quoted)), IcmpKind::Unrelated) << type;
}

TEST(IcmpPacketIpv6, RejectsMalformedQuotesAndEveryPrefix) {
  const Bytes request = EchoRequest(IpFamily::V6, 3, 4);
  EXPECT_EQ(KindV6(Icmp(3, 0, Ipv6("fd00::1", "fd00::99", request, 17))), IcmpKind::Unrelated);
  Bytes wrongVersion = Ipv6("fd00::1", "fd00::99", request);
  wrongVersion[0] = 0x40;
  EXPECT_EQ(KindV6(Icmp(3, 0, wrongVersion)), IcmpKind::Unrelated);
  EXPECT_EQ(KindV6(Icmp(3, 0, FragmentV6(1, 3, 4))), IcmpKind::Unrelated);  // a later fragment
  Bytes notIcmp = FragmentV6(0, 3, 4);
  notIcmp[40] = 17;
  EXPECT_EQ(KindV6(Icmp(3, 0, notIcmp)), IcmpKind::Unrelated);
  const Bytes whole = Icmp(3, 0, FragmentV6(0, 3, 4));
  for (std::size_t size = 0; size < whole.size(); ++size)
    EXPECT_EQ(KindV6(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size))),
              IcmpKind::Unrelated)
        << size;
}

TEST(IcmpPacketMatch, RepliesMatchByIdAndSequenceErrorsAlsoByTarget) {
  const EchoKey key{IpFamily::V4, 10, 20, Ipv4Of("192.0.2.7"), {}};
  auto reply = [](IcmpKind kind, std::uint16_t id, std::uint16_t seq) {
    return IcmpMessage{.kind = kind, .id = id, .seq = seq};
  };
  EXPECT_TRUE(AnswersEcho(reply(IcmpKind::EchoReply, 10, 20), key));
  EXPECT_FALSE(AnswersEcho(reply(IcmpKind::EchoReply, 10, 19), key));  // a late reply to the echo before
  EXPECT_FALSE(AnswersEcho(reply(IcmpKind::EchoReply, 11, 20), key));
  EXPECT_FALSE(AnswersEcho(reply(IcmpKind::Unrelated, 10, 20), key));
  EXPECT_TRUE(AnswersEcho(ParseIpv4IcmpPacket(ErrorV4(3, 1, QuotedV4("192.0.2.7", 10, 20))).message, key));
  EXPECT_FALSE(AnswersEcho(ParseIpv4IcmpPacket(ErrorV4(3, 1, QuotedV4("192.0.2.8", 10, 20))).message, key));

  const EchoKey key6{IpFamily::V6, 3, 4, 0, Ipv6Of("fd00::99")};
  EXPECT_TRUE(AnswersEcho(ParseIcmpMessage(IpFamily::V6, Icmp(1, 0, FragmentV6(0, 3, 4))), key6));
  const Bytes elsewhere = Ipv6("fd00::1", "fd00::98", EchoRequest(IpFamily::V6, 3, 4));
  EXPECT_FALSE(AnswersEcho(ParseIcmpMessage(IpFamily::V6, Icmp(1, 0, elsewhere)), key6));
}

}  // namespace
