// The ICMP reply parsers over arbitrary bytes: what a raw socket, a datagram
// socket or its error queue can deliver. Beyond memory safety it checks that
// a parsed message never claims more data than arrived and that everything
// it reports as an answer would match the echo it names.
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/IcmpPacket.h"

namespace {

void CheckAnswer(const IcmpMessage& message, IpFamily family) {
  if (message.kind == IcmpKind::Unrelated) return;
  const EchoKey key{family, message.id, message.seq, message.quotedIpv4Dst, message.quotedIpv6Dst};
  if (!AnswersEcho(message, key)) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);

  const Ipv4IcmpPacket packet = ParseIpv4IcmpPacket(bytes);
  if (packet.message.kind == IcmpKind::EchoReply && packet.message.dataSize + IcmpHeaderBytes + 20 > size)
    __builtin_trap();
  CheckAnswer(packet.message, IpFamily::V4);

  for (IpFamily family : {IpFamily::V4, IpFamily::V6}) {
    const IcmpMessage message = ParseIcmpMessage(family, bytes);
    if (message.kind == IcmpKind::EchoReply && message.dataSize + IcmpHeaderBytes != size) __builtin_trap();
    CheckAnswer(message, family);
    std::uint16_t id = 0;
    std::uint16_t seq = 0;
    ParseQuotedEchoRequest(family, bytes, id, seq);
  }
  return 0;
}
