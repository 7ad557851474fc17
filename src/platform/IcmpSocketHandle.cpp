#include "platform/IcmpSocketHandle.h"

#include <linux/errqueue.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <bitset>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <mutex>
#include <random>

#include "platform/IcmpSocketFilter.h"

namespace {

// Room for the IP header with options and for the largest error we parse
// (an ICMPv6 error quotes up to 1232 bytes).
constexpr std::size_t kReceiveSlack = 2048;

std::int64_t NowMicros() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

// A kernel receive stamp on the steady clock of NowMicros. The kernel stamps
// on the real-time clock, which can be stepped; it is carried over by the
// two clocks' distance at the moment of reading, so that only a step
// between the arrival and its reading could bend the round trip. Both clocks
// are slewed alike and run at the same rate.
std::int64_t SteadyMicrosOf(const timespec& stamp) {
  using namespace std::chrono;
  const std::int64_t steady = NowMicros();
  const std::int64_t real = duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
  const std::int64_t stamped =
      duration_cast<microseconds>(seconds(stamp.tv_sec) + nanoseconds(stamp.tv_nsec)).count();
  return steady - std::max<std::int64_t>(real - stamped, 0);
}

std::uint16_t RandomWord() {
  try {
    std::random_device device;
    return static_cast<std::uint16_t>(device());
  } catch (...) {
    return static_cast<std::uint16_t>(getpid() ^ NowMicros());
  }
}

// Identifiers of the raw road, unique within the process so that the kernel
// filter of one handle never passes another handle's replies. The datagram
// road needs none of this: there the kernel assigns the identifier.
class RawIdentifierPool {
 public:
  static RawIdentifierPool& Instance() {
    static RawIdentifierPool pool;
    return pool;
  }
  bool Take(std::uint16_t& identifier) {
    std::lock_guard lock(mutex_);
    for (std::size_t tries = 0; tries < used_.size(); ++tries) {
      const std::uint16_t candidate = next_++;
      if (!used_[candidate]) {
        used_[candidate] = true;
        identifier = candidate;
        return true;
      }
    }
    return false;
  }
  void Give(std::uint16_t identifier) {
    std::lock_guard lock(mutex_);
    used_[identifier] = false;
  }

 private:
  // A random start keeps two programs on the host from starting alike.
  RawIdentifierPool() : next_(RandomWord()) {}
  std::mutex mutex_;
  std::bitset<65536> used_;  // guarded by mutex_
  std::uint16_t next_;       // guarded by mutex_
};

bool SetInt(int fd, int level, int name, int value) {
  return setsockopt(fd, level, name, &value, sizeof value) == 0;
}

// Sets up a fresh datagram socket; the kernel picks the identifier on bind.
bool PrepareDatagram(int fd, IpFamily family, std::uint16_t& identifier) {
  sockaddr_storage local{};
  socklen_t length = 0;
  if (family == IpFamily::V4) {
    if (!SetInt(fd, IPPROTO_IP, IP_RECVERR, 1) || !SetInt(fd, IPPROTO_IP, IP_RECVTTL, 1)) return false;
    auto* address = reinterpret_cast<sockaddr_in*>(&local);
    address->sin_family = AF_INET;
    length = sizeof(sockaddr_in);
  } else {
    if (!SetInt(fd, IPPROTO_IPV6, IPV6_RECVERR, 1)) return false;
    auto* address = reinterpret_cast<sockaddr_in6*>(&local);
    address->sin6_family = AF_INET6;
    length = sizeof(sockaddr_in6);
  }
  if (bind(fd, reinterpret_cast<sockaddr*>(&local), length) != 0) return false;
  length = sizeof local;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0) return false;
  // The port field of a ping socket is its ICMP identifier.
  const in_port_t port = family == IpFamily::V4 ? reinterpret_cast<sockaddr_in*>(&local)->sin_port
                                                : reinterpret_cast<sockaddr_in6*>(&local)->sin6_port;
  identifier = ntohs(port);
  return true;
}

// `sentMicros` is read as close before the send as the thread can.
ssize_t SendEcho(int fd, std::span<const std::uint8_t> request, const sockaddr_storage& target,
                 socklen_t length, std::int64_t& sentMicros) {
  ssize_t written;
  do {
    sentMicros = NowMicros();
    written =
        sendto(fd, request.data(), request.size(), 0, reinterpret_cast<const sockaddr*>(&target), length);
  } while (written < 0 && errno == EINTR);
  return written;
}

// Reading the error queue empty also clears the socket's pending error.
void DiscardErrorQueue(int fd) {
  std::uint8_t scrap[64];
  for (int i = 0; i < 64 && recv(fd, scrap, sizeof scrap, MSG_ERRQUEUE | MSG_DONTWAIT) >= 0; ++i) {
  }
}

bool PrepareRaw(int fd, IpFamily family, std::uint16_t identifier) {
  if (!InstallIcmpTypeFilter(fd, family).ok() || !AttachIdentifierFilter(fd, family, identifier).ok())
    return false;
  // Packets queued between socket() and the filter passed unfiltered.
  std::uint8_t scrap[64];
  while (recv(fd, scrap, sizeof scrap, MSG_DONTWAIT) >= 0) {
  }
  return true;
}

// True when `fd` leaves the reserve of the current soft limit whole. A limit
// that cannot be read, or has none, cuts nothing.
bool OutsideReserve(int fd) {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return true;
  const std::uint64_t soft = limit.rlim_cur;
  return static_cast<std::uint64_t>(fd) + ReservedDescriptors(soft) < soft;
}

}  // namespace

std::uint64_t ReservedDescriptors(std::uint64_t softLimit) {
  return std::min<std::uint64_t>(64, softLimit / 4);
}

std::unique_ptr<IcmpSocketHandle> IcmpSocketHandle::Open(IpFamily family, IcmpRoad road) {
  if (road == IcmpRoad::None) return nullptr;
  const bool v4 = family == IpFamily::V4;
  const int type = (road == IcmpRoad::Datagram ? SOCK_DGRAM : SOCK_RAW) | SOCK_CLOEXEC;
  const int protocol = v4 ? static_cast<int>(IPPROTO_ICMP) : static_cast<int>(IPPROTO_ICMPV6);
  const int fd = socket(v4 ? AF_INET : AF_INET6, type, protocol);
  if (fd < 0) return nullptr;
  if (!OutsideReserve(fd)) {
    close(fd);
    errno = EMFILE;
    return nullptr;
  }
  // Echoes go out with the Don't-Fragment bit off, so large ones are
  // fragmented rather than refused. Every answer, and every error of the
  // error queue, carries the kernel's stamp of its arrival.
  bool ready = SetInt(fd, SOL_SOCKET, SO_TIMESTAMPNS, 1) &&
               (!v4 || SetInt(fd, IPPROTO_IP, IP_MTU_DISCOVER, IP_PMTUDISC_DONT));
  std::uint16_t identifier = 0;
  bool pooled = false;
  if (ready && road == IcmpRoad::Datagram) {
    ready = PrepareDatagram(fd, family, identifier);
  } else if (ready) {
    pooled = RawIdentifierPool::Instance().Take(identifier);
    ready = pooled && PrepareRaw(fd, family, identifier);
  }
  if (!ready) {
    if (pooled) RawIdentifierPool::Instance().Give(identifier);
    close(fd);
    return nullptr;
  }
  return std::unique_ptr<IcmpSocketHandle>(new IcmpSocketHandle(fd, family, road, identifier, pooled));
}

IcmpSocketHandle::IcmpSocketHandle(int fd, IpFamily family, IcmpRoad road, std::uint16_t identifier,
                                   bool pooledIdentifier)
    : fd_(fd),
      family_(family),
      road_(road),
      identifier_(identifier),
      pooledIdentifier_(pooledIdentifier),
      sequence_(RandomWord()) {}

IcmpSocketHandle::~IcmpSocketHandle() {
  close(fd_);
  if (pooledIdentifier_) RawIdentifierPool::Instance().Give(identifier_);
}

IcmpEchoResult IcmpSocketHandle::Echo(const EchoRequest& request) {
  IcmpEchoResult result;
  const int bytes = std::clamp(request.bytes, 0, MaxEchoDataBytes);
  if (request.family != family_ || !ApplyTtl(std::clamp(request.ttl, 1, 255))) {
    result.status = EchoStatus::SendFailed;
    result.systemError = request.family != family_ ? EAFNOSUPPORT : errno;
    return result;
  }
  ReserveBuffers(bytes);
  const EchoKey key{family_, identifier_, ++sequence_, request.ipv4, request.ipv6};
  const std::size_t size =
      BuildEchoRequest(family_, key.id, key.seq, static_cast<std::size_t>(bytes), request_);

  sockaddr_storage target{};
  socklen_t targetLength = 0;
  if (family_ == IpFamily::V4) {
    auto* address = reinterpret_cast<sockaddr_in*>(&target);
    address->sin_family = AF_INET;
    address->sin_addr.s_addr = request.ipv4;
    targetLength = sizeof(sockaddr_in);
  } else {
    auto* address = reinterpret_cast<sockaddr_in6*>(&target);
    address->sin6_family = AF_INET6;
    std::memcpy(&address->sin6_addr, request.ipv6.data(), 16);
    targetLength = sizeof(sockaddr_in6);
  }

  // On the datagram road an ICMP error that arrived while no echo waited
  // (after a timeout, between echoes) stays queued as a pending socket
  // error, which the next send would return instead of sending. It concerns
  // an earlier echo, so it goes before the send; one that slips in between
  // fails the send, and then goes too and the send is tried once more.
  const bool datagram = road_ == IcmpRoad::Datagram;
  if (datagram) DiscardErrorQueue(fd_);
  std::int64_t sent = 0;
  const std::span<const std::uint8_t> message(request_.data(), size);
  ssize_t written = SendEcho(fd_, message, target, targetLength, sent);
  if (written < 0 && datagram) {
    DiscardErrorQueue(fd_);
    written = SendEcho(fd_, message, target, targetLength, sent);
  }
  if (written < 0) {
    result.status = EchoStatus::SendFailed;
    result.systemError = errno;
    return result;
  }
  if (afterSend_) afterSend_();

  // The kernel's stamps, not the moment of reading, tell whether an answer
  // came in time: a thread that wakes late on a loaded machine reads once
  // more after the deadline and still counts what arrived before it.
  const std::int64_t deadline = sent + static_cast<std::int64_t>(std::max(request.timeoutMs, 0)) * 1000;
  for (;;) {
    const std::int64_t now = NowMicros();
    if (now >= deadline) break;
    pollfd waiting{fd_, POLLIN, 0};
    const int ready = poll(&waiting, 1, static_cast<int>((deadline - now + 999) / 1000));
    if (ready < 0 && errno != EINTR) break;
    if (ready > 0 && DrainQueues(key, sent, deadline, result)) return result;
  }
  if (DrainQueues(key, sent, deadline, result)) return result;
  result = {};
  result.status = EchoStatus::TimedOut;
  return result;
}

bool IcmpSocketHandle::ApplyTtl(int ttl) {
  if (ttl == ttl_) return true;
  const bool set = family_ == IpFamily::V4 ? SetInt(fd_, IPPROTO_IP, IP_TTL, ttl)
                                           : SetInt(fd_, IPPROTO_IPV6, IPV6_UNICAST_HOPS, ttl);
  if (set) ttl_ = ttl;
  return set;
}

void IcmpSocketHandle::ReserveBuffers(int bytes) {
  const std::size_t request = IcmpHeaderBytes + static_cast<std::size_t>(bytes);
  if (request_.size() < request) request_.resize(request);
  if (receive_.size() < request + kReceiveSlack) receive_.resize(request + kReceiveSlack);
}

bool IcmpSocketHandle::DrainQueues(const EchoKey& key, std::int64_t sentMicros, std::int64_t deadlineMicros,
                                   IcmpEchoResult& result) {
  // On the datagram road errors wait in the error queue; reading it first
  // also clears the pending socket error that would fail the next read.
  const bool queues[] = {true, false};
  for (bool errorQueue : queues) {
    if (errorQueue && road_ != IcmpRoad::Datagram) continue;
    for (int failures = 0; failures < 8;) {
      Received received;
      bool empty = false;
      if (!ReadOne(errorQueue, received, empty)) {
        if (empty) break;
        ++failures;
        continue;
      }
      if (Accept(received, key, sentMicros, deadlineMicros, result)) return true;
    }
  }
  return false;
}

bool IcmpSocketHandle::ReadOne(bool errorQueue, Received& out, bool& empty) {
  sockaddr_storage from{};
  iovec part{receive_.data(), receive_.size()};
  msghdr message{};
  message.msg_name = &from;
  message.msg_namelen = sizeof from;
  message.msg_iov = &part;
  message.msg_iovlen = 1;
  message.msg_control = control_.data();
  message.msg_controllen = control_.size();
  const ssize_t length = recvmsg(fd_, &message, MSG_DONTWAIT | (errorQueue ? MSG_ERRQUEUE : 0));
  if (length < 0) {
    empty = errno == EAGAIN || errno == EWOULDBLOCK;
    return false;
  }
  const std::span<const std::uint8_t> bytes(receive_.data(), std::min<std::size_t>(length, receive_.size()));

  // Ancillary data: the arrival stamp, the reply's TTL (IPv4 datagram road,
  // also for errors) and, from the error queue, what the ICMP error said
  // and who sent it.
  const sock_extended_err* error = nullptr;
  sockaddr_storage offender{};
  out.arrivedMicros = -1;
  for (cmsghdr* c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c)) {
    const std::size_t payload = c->cmsg_len - CMSG_LEN(0);
    if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS && payload >= sizeof(timespec)) {
      timespec stamp{};
      std::memcpy(&stamp, CMSG_DATA(c), sizeof stamp);
      out.arrivedMicros = SteadyMicrosOf(stamp);
    } else if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_TTL && payload >= sizeof(int)) {
      std::memcpy(&out.ttl, CMSG_DATA(c), sizeof(int));
    } else if (((c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_RECVERR) ||
                (c->cmsg_level == IPPROTO_IPV6 && c->cmsg_type == IPV6_RECVERR)) &&
               payload >= sizeof(sock_extended_err)) {
      error = reinterpret_cast<const sock_extended_err*>(CMSG_DATA(c));
      const std::size_t rest = std::min(payload - sizeof(sock_extended_err), sizeof offender);
      std::memcpy(&offender, SO_EE_OFFENDER(error), rest);
    }
  }

  // The kernel stamps every entry once asked to; should one come without,
  // it counts from its reading.
  if (out.arrivedMicros < 0) out.arrivedMicros = NowMicros();

  const sockaddr_storage& source = errorQueue ? offender : from;
  if (source.ss_family == AF_INET)
    out.sourceIpv4 = reinterpret_cast<const sockaddr_in*>(&source)->sin_addr.s_addr;
  else if (source.ss_family == AF_INET6)
    std::memcpy(out.sourceIpv6.data(), &reinterpret_cast<const sockaddr_in6*>(&source)->sin6_addr, 16);

  if (errorQueue) {
    // The queue entry carries our own request's ICMP header; the message
    // name is the address that request went to.
    const std::uint8_t origin = family_ == IpFamily::V4 ? SO_EE_ORIGIN_ICMP : SO_EE_ORIGIN_ICMP6;
    if (!error || error->ee_origin != origin) return true;
    IcmpMessage& parsed = out.message;
    if (!ParseQuotedEchoRequest(family_, bytes, parsed.id, parsed.seq)) return true;
    parsed.type = error->ee_type;
    parsed.code = error->ee_code;
    parsed.kind = ClassifyIcmpError(family_, parsed.type, parsed.code);
    if (from.ss_family == AF_INET)
      parsed.quotedIpv4Dst = reinterpret_cast<const sockaddr_in*>(&from)->sin_addr.s_addr;
    else if (from.ss_family == AF_INET6)
      std::memcpy(parsed.quotedIpv6Dst.data(), &reinterpret_cast<const sockaddr_in6*>(&from)->sin6_addr, 16);
    return true;
  }
  if (road_ == IcmpRoad::Raw && family_ == IpFamily::V4) {
    const Ipv4IcmpPacket packet = ParseIpv4IcmpPacket(bytes);
    out.message = packet.message;
    out.sourceIpv4 = packet.source;
    out.ttl = packet.ttl;
  } else {
    out.message = ParseIcmpMessage(family_, bytes);
  }
  return true;
}

bool IcmpSocketHandle::Accept(const Received& received, const EchoKey& key, std::int64_t sentMicros,
                              std::int64_t deadlineMicros, IcmpEchoResult& result) {
  const IcmpMessage& message = received.message;
  if (message.kind == IcmpKind::Unrelated) return false;
  if (message.id != identifier_) {
    ++foreignPackets_;
    return false;
  }
  // Same identifier but another sequence: the late answer to an echo that
  // already timed out. It is dropped here so that it cannot end this echo.
  if (!AnswersEcho(message, key)) return false;

  // Read on time or not, an answer stamped after the deadline came too late.
  result = {};
  if (received.arrivedMicros > deadlineMicros) {
    result.status = EchoStatus::TimedOut;
    return true;
  }
  if (message.kind == IcmpKind::OtherError) {
    result.status = EchoStatus::OtherStatus;
    return true;
  }
  result.status = message.kind == IcmpKind::EchoReply ? EchoStatus::Success : EchoStatus::TtlExpired;
  // A router's time-exceeded message quotes our headers but echoes none of
  // our data, so a "TTL expired" answer reports a data size of 0 rather than
  // claiming bytes that never came back.
  result.dataSize = message.kind == IcmpKind::EchoReply ? static_cast<int>(message.dataSize) : 0;
  if (family_ == IpFamily::V4) {
    result.replyIpv4 = received.sourceIpv4;
    result.replyTtl = received.ttl;
  } else {
    result.replyIpv6 = received.sourceIpv6;
  }
  result.roundTripMs =
      static_cast<std::uint32_t>(std::max<std::int64_t>(received.arrivedMicros - sentMicros, 0) / 1000);
  return true;
}
