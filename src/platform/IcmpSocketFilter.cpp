#include "platform/IcmpSocketFilter.h"

#include <linux/filter.h>
#include <linux/icmp.h>
#include <netinet/icmp6.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <iterator>
#include <string>

namespace {

// Bytes a passing packet keeps; more than any IP datagram.
constexpr std::uint32_t kKeepWhole = 0x40000;

constexpr sock_filter Op(std::uint16_t code, std::uint32_t k) { return {code, 0, 0, k}; }
constexpr sock_filter Jump(std::uint16_t code, std::uint32_t k, std::uint8_t yes, std::uint8_t no) {
  return {code, yes, no, k};
}

constexpr std::uint16_t kLoadByteAt = BPF_LD | BPF_B | BPF_ABS;
constexpr std::uint16_t kLoadHalfAt = BPF_LD | BPF_H | BPF_ABS;
constexpr std::uint16_t kLoadByteAfterX = BPF_LD | BPF_B | BPF_IND;
constexpr std::uint16_t kLoadHalfAfterX = BPF_LD | BPF_H | BPF_IND;
constexpr std::uint16_t kJumpIfEqual = BPF_JMP | BPF_JEQ | BPF_K;
constexpr std::uint16_t kReturn = BPF_RET | BPF_K;

Status FromErrno(const char* what) {
  const int error = errno;
  return Status::Failure(error == EPERM || error == EACCES ? Status::Kind::Denied : Status::Kind::IoError,
                         std::string(what) + ": " + std::strerror(error));
}

Status Attach(int fd, sock_filter* code, std::size_t count) {
  sock_fprog program{static_cast<unsigned short>(count), code};
  if (setsockopt(fd, SOL_SOCKET, SO_ATTACH_FILTER, &program, sizeof program) != 0)
    return FromErrno("SO_ATTACH_FILTER");
  return Status::Success();
}

}  // namespace

Status InstallIcmpTypeFilter(int fd, IpFamily family) {
  if (family == IpFamily::V4) {
    // A set bit blocks its type; echo reply 0, unreachable 3, time exceeded
    // 11 and parameter problem 12 pass.
    icmp_filter filter{~((1u << 0) | (1u << 3) | (1u << 11) | (1u << 12))};
    if (setsockopt(fd, SOL_RAW, ICMP_FILTER, &filter, sizeof filter) != 0) return FromErrno("ICMP_FILTER");
    return Status::Success();
  }
  icmp6_filter filter;
  ICMP6_FILTER_SETBLOCKALL(&filter);
  for (int type :
       {ICMP6_ECHO_REPLY, ICMP6_DST_UNREACH, ICMP6_PACKET_TOO_BIG, ICMP6_TIME_EXCEEDED, ICMP6_PARAM_PROB})
    ICMP6_FILTER_SETPASS(type, &filter);
  if (setsockopt(fd, IPPROTO_ICMPV6, ICMP6_FILTER, &filter, sizeof filter) != 0)
    return FromErrno("ICMP6_FILTER");
  return Status::Success();
}

Status AttachIdentifierFilter(int fd, IpFamily family, std::uint16_t identifier) {
  if (family == IpFamily::V4) {
    // Jump offsets count instructions after the jump itself. The quoted
    // header may be a first fragment's: its ICMP header follows as usual.
    sock_filter code[] = {
        /*  0 */ Op(BPF_LDX | BPF_B | BPF_MSH, 0),      // X := IP header length
        /*  1 */ Op(kLoadByteAfterX, 0),                // A := ICMP type
        /*  2 */ Jump(kJumpIfEqual, 0, 3, 0),           // echo reply -> 6
        /*  3 */ Jump(kJumpIfEqual, 3, 4, 0),           // unreachable -> 8
        /*  4 */ Jump(kJumpIfEqual, 11, 3, 0),          // time exceeded -> 8
        /*  5 */ Jump(kJumpIfEqual, 12, 2, 10),         // parameter problem -> 8, else drop
        /*  6 */ Op(kLoadHalfAfterX, 4),                // reply identifier
        /*  7 */ Jump(kJumpIfEqual, identifier, 7, 8),  // -> accept / drop
        /*  8 */ Op(kLoadByteAfterX, 8),                // quoted IP version and length
        /*  9 */ Op(BPF_ALU | BPF_AND | BPF_K, 0x0F),
        /* 10 */ Op(BPF_ALU | BPF_LSH | BPF_K, 2),  // quoted IP header length
        /* 11 */ Op(BPF_ALU | BPF_ADD | BPF_X, 0),
        /* 12 */ Op(BPF_MISC | BPF_TAX, 0),   // X := both header lengths
        /* 13 */ Op(kLoadHalfAfterX, 8 + 4),  // quoted request's identifier
        /* 14 */ Jump(kJumpIfEqual, identifier, 0, 1),
        /* 15 */ Op(kReturn, kKeepWhole),
        /* 16 */ Op(kReturn, 0),
    };
    return Attach(fd, code, std::size(code));
  }
  // The quoted request has ICMPv6 right after its fixed header, or after a
  // Fragment header when the echo left in fragments.
  sock_filter code[] = {
      /*  0 */ Op(kLoadByteAt, 0),                    // ICMPv6 type
      /*  1 */ Jump(kJumpIfEqual, 129, 4, 0),         // echo reply -> 6
      /*  2 */ Jump(kJumpIfEqual, 1, 5, 0),           // unreachable -> 8
      /*  3 */ Jump(kJumpIfEqual, 2, 4, 0),           // packet too big -> 8
      /*  4 */ Jump(kJumpIfEqual, 3, 3, 0),           // time exceeded -> 8
      /*  5 */ Jump(kJumpIfEqual, 4, 2, 10),          // parameter problem -> 8, else drop
      /*  6 */ Op(kLoadHalfAt, 4),                    // reply identifier
      /*  7 */ Jump(kJumpIfEqual, identifier, 7, 8),  // -> accept / drop
      /*  8 */ Op(BPF_LDX | BPF_IMM, 8 + 40),         // X := quoted ICMPv6 header
      /*  9 */ Op(kLoadByteAt, 8 + 6),                // quoted next header
      /* 10 */ Jump(kJumpIfEqual, 58, 2, 0),          // ICMPv6 -> 13
      /* 11 */ Jump(kJumpIfEqual, 44, 0, 4),          // Fragment header -> 12, else drop
      /* 12 */ Op(BPF_LDX | BPF_IMM, 8 + 40 + 8),     // X := past the Fragment header
      /* 13 */ Op(kLoadHalfAfterX, 4),                // quoted request's identifier
      /* 14 */ Jump(kJumpIfEqual, identifier, 0, 1),
      /* 15 */ Op(kReturn, kKeepWhole),
      /* 16 */ Op(kReturn, 0),
  };
  return Attach(fd, code, std::size(code));
}
