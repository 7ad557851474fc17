#include "platform/IcmpPacket.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t V4(const char* text) {
  in_addr a{};
  inet_pton(AF_INET, text, &a);
  return a.s_addr;
}

Ipv6Octets V6(const char* text) {
  Ipv6Octets a{};
  inet_pton(AF_INET6, text, a.data());
  return a;
}

Bytes EchoRequest(IpFamily family, std::uint16_t id, std::uint16_t seq, std::size_t data) {
  Bytes out(IcmpHeaderBytes + data);
  EXPECT_EQ(BuildEchoRequest(family, id, seq, data, out), out.size());
  return out;
}

// An ICMPv4 message with a correct checksum.
Bytes Icmp4(std::uint8_t type, std::uint8_t code, const Bytes& rest, std::uint16_t id = 0,
            std::uint16_t seq = 0) {
  Bytes out = {type,
               code,
               0,
               0,
               static_cast<std::uint8_t>(id >> 8),
               static_cast<std::uint8_t>(id),
               static_cast<std::uint8_t>(seq >> 8),
               static_cast<std::uint8_t>(seq)};
  out.insert(out.end(), rest.begin(), rest.end());
  const std::uint16_t sum = InternetChecksum(out);
  out[2] = static_cast<std::uint8_t>(sum >> 8);
  out[3] = static_cast<std::uint8_t>(sum);
  return out;
}

// An IPv4 packet around `payload`; `optionWords` 32-bit words of IP options.
Bytes Ipv4(const char* source, const char* destination, const Bytes& payload, int optionWords = 0,
           std::uint8_t ttl = 64, std::uint8_t protocol = 1) {
  const std::size_t header = 20 + 4 * static_cast<std::size_t>(optionWords);
  Bytes out(header, 0);
  out[0] = static_cast<std::uint8_t>(0x40 | (header / 4));
  const std::size_t total = header + payload.size();
  out[2] = static_cast<std::uint8_t>(total >> 8);
  out[3] = static_cast<std::uint8_t>(total);
  out[8] = ttl;
  out[9] = protocol;
  const std::uint32_t s = V4(source), d = V4(destination);
  std::memcpy(out.data() + 12, &s, 4);
  std::memcpy(out.data() + 16, &d, 4);
  for (std::size_t i = 20; i < header; ++i) out[i] = 1;  // no-operation options
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

// An IPv6 header (next header ICMPv6) followed by `payload`.
Bytes Ipv6(const char* source, const char* destination, const Bytes& payload, std::uint8_t next = 58) {
  Bytes out(40, 0);
  out[0] = 0x60;
  out[4] = static_cast<std::uint8_t>(payload.size() >> 8);
  out[5] = static_cast<std::uint8_t>(payload.size());
  out[6] = next;
  out[7] = 64;
  const Ipv6Octets s = V6(source), d = V6(destination);
  std::memcpy(out.data() + 8, s.data(), 16);
  std::memcpy(out.data() + 24, d.data(), 16);
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

Bytes Icmp6(std::uint8_t type, std::uint8_t code, const Bytes& rest, std::uint16_t id = 0,
            std::uint16_t seq = 0) {
  Bytes out = {type,
               code,
               0,
               0,
               static_cast<std::uint8_t>(id >> 8),
               static_cast<std::uint8_t>(id),
               static_cast<std::uint8_t>(seq >> 8),
               static_cast<std::uint8_t>(seq)};
  out.insert(out.end(), rest.begin(), rest.end());
  return out;
}

// What a router sends back when our request to `target` expired: the
// quoted IP header (with options when asked) and the first 8 bytes of ICMP.
Bytes QuotedV4(const char* target, std::uint16_t id, std::uint16_t seq, int optionWords = 0) {
  Bytes request = EchoRequest(IpFamily::V4, id, seq, 0);
  return Ipv4("10.0.0.1", target, request, optionWords, 1);
}

TEST(IcmpPacketBuild, Ipv4RequestCarriesIdSequenceZeroDataAndAValidChecksum) {
  const Bytes request = EchoRequest(IpFamily::V4, 0xBEEF, 0x0102, 5);
  EXPECT_EQ(request, (Bytes{8, 0, request[2], request[3], 0xBE, 0xEF, 0x01, 0x02, 0, 0, 0, 0, 0}));
  EXPECT_EQ(InternetChecksum(request), 0);
  EXPECT_NE(request[2] | request[3], 0);
}

TEST(IcmpPacketBuild, Ipv6RequestLeavesTheChecksumToTheKernel) {
  const Bytes request = EchoRequest(IpFamily::V6, 7, 9, 0);
  EXPECT_EQ(request, (Bytes{128, 0, 0, 0, 0, 7, 0, 9}));
}

TEST(IcmpPacketBuild, RefusesABufferTooSmallAndHandlesTheLargestData) {
  Bytes small(IcmpHeaderBytes + 3);
  EXPECT_EQ(BuildEchoRequest(IpFamily::V4, 1, 1, 4, small), 0u);
  const Bytes largest = EchoRequest(IpFamily::V4, 1, 1, MaxEchoDataBytes);
  EXPECT_EQ(largest.size(), 65508u);
  EXPECT_EQ(InternetChecksum(largest), 0);
}

TEST(IcmpPacketChecksum, FollowsTheOnesComplementSumIncludingAnOddTail) {
  EXPECT_EQ(InternetChecksum(Bytes{0x00, 0x01, 0xF2, 0x03, 0xF4, 0xF5, 0xF6, 0xF7}), 0x220D);
  EXPECT_EQ(InternetChecksum(Bytes{0x12}), static_cast<std::uint16_t>(~0x1200));
  EXPECT_EQ(InternetChecksum(Bytes{}), 0xFFFF);
}

TEST(IcmpPacketIpv4, ReadsAnEchoReplyBehindIpOptions) {
  for (int options : {0, 1, 10}) {
    const Bytes packet = Ipv4("127.0.0.1", "127.0.0.1", Icmp4(0, 0, Bytes(32, 0), 0x1234, 77), options, 61);
    const Ipv4IcmpPacket parsed = ParseIpv4IcmpPacket(packet);
    EXPECT_EQ(parsed.message.kind, IcmpKind::EchoReply) << options;
    EXPECT_EQ(parsed.message.id, 0x1234);
    EXPECT_EQ(parsed.message.seq, 77);
    EXPECT_EQ(parsed.message.dataSize, 32u);
    EXPECT_EQ(parsed.source, V4("127.0.0.1"));
    EXPECT_EQ(parsed.ttl, 61);
  }
}

TEST(IcmpPacketIpv4, ReadsTimeExceededWithQuotedOptionsAndOtherErrors) {
  for (int quotedOptions : {0, 3}) {
    const Bytes packet =
        Ipv4("10.9.9.9", "10.0.0.1", Icmp4(11, 0, QuotedV4("192.0.2.7", 5, 6, quotedOptions)));
    const IcmpMessage message = ParseIpv4IcmpPacket(packet).message;
    EXPECT_EQ(message.kind, IcmpKind::TimeExceeded);
    EXPECT_EQ(message.id, 5);
    EXPECT_EQ(message.seq, 6);
    EXPECT_EQ(message.quotedIpv4Dst, V4("192.0.2.7"));
    EXPECT_EQ(ParseIpv4IcmpPacket(packet).source, V4("10.9.9.9"));
  }
  const Bytes quoted = QuotedV4("192.0.2.7", 5, 6);
  EXPECT_EQ(ParseIpv4IcmpPacket(Ipv4("10.9.9.9", "10.0.0.1", Icmp4(11, 1, quoted))).message.kind,
            IcmpKind::OtherError);  // reassembly time exceeded is no router on the path
  EXPECT_EQ(ParseIpv4IcmpPacket(Ipv4("10.9.9.9", "10.0.0.1", Icmp4(3, 1, quoted))).message.kind,
            IcmpKind::OtherError);
  EXPECT_EQ(ParseIpv4IcmpPacket(Ipv4("10.9.9.9", "10.0.0.1", Icmp4(12, 0, quoted))).message.kind,
            IcmpKind::OtherError);
  for (std::uint8_t ignored : {4, 5, 8, 13})
    EXPECT_EQ(ParseIpv4IcmpPacket(Ipv4("10.9.9.9", "10.0.0.1", Icmp4(ignored, 0, quoted))).message.kind,
              IcmpKind::Unrelated)
        << int(ignored);
}

TEST(IcmpPacketIpv4, RejectsMalformedPackets) {
  const Bytes good = Ipv4("10.9.9.9", "10.0.0.1", Icmp4(11, 0, QuotedV4("192.0.2.7", 5, 6)));
  ASSERT_EQ(ParseIpv4IcmpPacket(good).message.kind, IcmpKind::TimeExceeded);
  auto kindOf = [](Bytes packet) { return ParseIpv4IcmpPacket(packet).message.kind; };

  Bytes bad = good;
  bad[30] ^= 0x40;  // a flipped bit inside the ICMP message
  EXPECT_EQ(kindOf(bad), IcmpKind::Unrelated);
  bad = good;
  bad[0] = 0x44;  // header length below 20 bytes
  EXPECT_EQ(kindOf(bad), IcmpKind::Unrelated);
  bad = good;
  bad[0] = 0x4F;  // header length beyond the packet
  EXPECT_EQ(kindOf(Bytes(bad.begin(), bad.begin() + 40)), IcmpKind::Unrelated);
  bad = good;
  bad[0] = 0x65;  // not version 4
  EXPECT_EQ(kindOf(bad), IcmpKind::Unrelated);
  bad = good;
  bad[9] = 17;  // not ICMP
  EXPECT_EQ(kindOf(bad), IcmpKind::Unrelated);
  bad = good;
  bad[6] = 0x20;  // more fragments follow
  EXPECT_EQ(kindOf(bad), IcmpKind::Unrelated);

  // The quoted request: not ICMP, not an echo request, cut short.
  Bytes quoted = QuotedV4("192.0.2.7", 5, 6);
  quoted[9] = 6;
  EXPECT_EQ(kindOf(Ipv4("10.9.9.9", "10.0.0.1", Icmp4(11, 0, quoted))), IcmpKind::Unrelated);
  quoted = QuotedV4("192.0.2.7", 5, 6);
  quoted[20] = 0;  // an echo reply quoted
  EXPECT_EQ(kindOf(Ipv4("10.9.9.9", "10.0.0.1", Icmp4(11, 0, quoted))), IcmpKind::Unrelated);
  quoted = QuotedV4("192.0.2.7", 5, 6);
  quoted.resize(27);
  EXPECT_EQ(kindOf(Ipv4("10.9.9.9", "10.0.0.1", Icmp4(11, 0, quoted))), IcmpKind::Unrelated);
}

TEST(IcmpPacketIpv4, EveryPrefixOfAnErrorIsSafeAndOnlyTheWholeOneCounts) {
  const Bytes good = Ipv4("10.9.9.9", "10.0.0.1", Icmp4(11, 0, QuotedV4("192.0.2.7", 5, 6, 2)));
  for (std::size_t size = 0; size < good.size(); ++size) {
    Bytes prefix(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size));
    EXPECT_EQ(ParseIpv4IcmpPacket(prefix).message.kind, IcmpKind::Unrelated) << size;
  }
}

TEST(IcmpPacketIpv4, TotalLengthBoundsTheMessageWhenPaddingFollows) {
  Bytes packet = Ipv4("127.0.0.1", "127.0.0.1", Icmp4(0, 0, Bytes(10, 0), 1, 2));
  packet.insert(packet.end(), {0xAA, 0xBB, 0xCC});
  const Ipv4IcmpPacket parsed = ParseIpv4IcmpPacket(packet);
  EXPECT_EQ(parsed.message.kind, IcmpKind::EchoReply);
  EXPECT_EQ(parsed.message.dataSize, 10u);
}

TEST(IcmpPacketIpv6, ReadsRepliesAndErrorsWithTheirQuotedRequest) {
  const IcmpMessage reply = ParseIcmpMessage(IpFamily::V6, Icmp6(129, 0, Bytes(100, 0), 0xABCD, 0xFFFF));
  EXPECT_EQ(reply.kind, IcmpKind::EchoReply);
  EXPECT_EQ(reply.id, 0xABCD);
  EXPECT_EQ(reply.seq, 0xFFFF);
  EXPECT_EQ(reply.dataSize, 100u);

  const Bytes quoted = Ipv6("fd00::1", "fd00::99", EchoRequest(IpFamily::V6, 3, 4, 16));
  const IcmpMessage expired = ParseIcmpMessage(IpFamily::V6, Icmp6(3, 0, quoted));
  EXPECT_EQ(expired.kind, IcmpKind::TimeExceeded);
  EXPECT_EQ(expired.id, 3);
  EXPECT_EQ(expired.seq, 4);
  EXPECT_EQ(expired.quotedIpv6Dst, V6("fd00::99"));
  EXPECT_EQ(ParseIcmpMessage(IpFamily::V6, Icmp6(3, 1, quoted)).kind, IcmpKind::OtherError);
  for (std::uint8_t type : {1, 2, 4})
    EXPECT_EQ(ParseIcmpMessage(IpFamily::V6, Icmp6(type, 0, quoted)).kind, IcmpKind::OtherError);
  for (std::uint8_t type : {128, 133, 135, 137})
    EXPECT_EQ(ParseIcmpMessage(IpFamily::V6, Icmp6(type, 0, quoted)).kind, IcmpKind::Unrelated) << int(type);
}

TEST(IcmpPacketIpv6, RejectsMalformedQuotes) {
  const Bytes request = EchoRequest(IpFamily::V6, 3, 4, 0);
  EXPECT_EQ(ParseIcmpMessage(IpFamily::V6, Icmp6(3, 0, Ipv6("fd00::1", "fd00::99", request, 17))).kind,
            IcmpKind::Unrelated);
  Bytes wrongVersion = Ipv6("fd00::1", "fd00::99", request);
  wrongVersion[0] = 0x40;
  EXPECT_EQ(ParseIcmpMessage(IpFamily::V6, Icmp6(3, 0, wrongVersion)).kind, IcmpKind::Unrelated);
  const Bytes whole = Icmp6(3, 0, Ipv6("fd00::1", "fd00::99", request));
  for (std::size_t size = 0; size < whole.size(); ++size)
    EXPECT_EQ(ParseIcmpMessage(IpFamily::V6,
                               Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size)))
                  .kind,
              IcmpKind::Unrelated)
        << size;
  EXPECT_EQ(ParseIcmpMessage(IpFamily::V6, whole).kind, IcmpKind::TimeExceeded);
}

TEST(IcmpPacketMatch, RepliesMatchByIdAndSequenceErrorsAlsoByTarget) {
  const EchoKey key{IpFamily::V4, 10, 20, V4("192.0.2.7"), {}};
  IcmpMessage reply;
  reply.kind = IcmpKind::EchoReply;
  reply.id = 10;
  reply.seq = 20;
  EXPECT_TRUE(AnswersEcho(reply, key));
  reply.seq = 19;  // a late reply to the echo before
  EXPECT_FALSE(AnswersEcho(reply, key));
  reply.seq = 20;
  reply.id = 11;
  EXPECT_FALSE(AnswersEcho(reply, key));

  IcmpMessage error =
      ParseIpv4IcmpPacket(Ipv4("10.9.9.9", "10.0.0.1", Icmp4(3, 1, QuotedV4("192.0.2.7", 10, 20)))).message;
  EXPECT_TRUE(AnswersEcho(error, key));
  error.quotedIpv4Dst = V4("192.0.2.8");
  EXPECT_FALSE(AnswersEcho(error, key));
  IcmpMessage unrelated;
  unrelated.id = 10;
  unrelated.seq = 20;
  EXPECT_FALSE(AnswersEcho(unrelated, key));

  const EchoKey key6{IpFamily::V6, 3, 4, 0, V6("fd00::99")};
  const Bytes quoted = Ipv6("fd00::1", "fd00::99", EchoRequest(IpFamily::V6, 3, 4, 0));
  EXPECT_TRUE(AnswersEcho(ParseIcmpMessage(IpFamily::V6, Icmp6(1, 0, quoted)), key6));
  const Bytes elsewhere = Ipv6("fd00::1", "fd00::98", EchoRequest(IpFamily::V6, 3, 4, 0));
  EXPECT_FALSE(AnswersEcho(ParseIcmpMessage(IpFamily::V6, Icmp6(1, 0, elsewhere)), key6));
}

TEST(IcmpPacketMatch, QuotedRequestHeaderFromTheErrorQueue) {
  std::uint16_t id = 0, seq = 0;
  EXPECT_TRUE(ParseQuotedEchoRequest(IpFamily::V4, EchoRequest(IpFamily::V4, 0x0A0B, 0x0C0D, 0), id, seq));
  EXPECT_EQ(id, 0x0A0B);
  EXPECT_EQ(seq, 0x0C0D);
  EXPECT_FALSE(ParseQuotedEchoRequest(IpFamily::V6, EchoRequest(IpFamily::V4, 1, 1, 0), id, seq));
  EXPECT_FALSE(ParseQuotedEchoRequest(IpFamily::V4, Bytes{8, 0, 0, 0, 0, 1, 0}, id, seq));
  EXPECT_FALSE(ParseQuotedEchoRequest(IpFamily::V4, Bytes{8, 1, 0, 0, 0, 1, 0, 1}, id, seq));
}

}  // namespace
