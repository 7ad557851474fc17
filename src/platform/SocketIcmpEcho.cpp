#include "platform/SocketIcmpEcho.h"

#include <sys/resource.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>

namespace {

IcmpRoad ProbeFamily(IpFamily family, IcmpRoadChoice choice) {
  // Datagram sockets first: they need no privilege and the kernel sorts the
  // replies; raw sockets only where the datagram road is closed.
  if (choice != IcmpRoadChoice::RawOnly && IcmpSocketHandle::Open(family, IcmpRoad::Datagram))
    return IcmpRoad::Datagram;
  if (choice != IcmpRoadChoice::DatagramOnly && IcmpSocketHandle::Open(family, IcmpRoad::Raw))
    return IcmpRoad::Raw;
  return IcmpRoad::None;
}

// Both live until the process ends and are never destroyed: a worker that
// outlives the bounded shutdown may still be inside an echo while exit runs
// the static destructors.
SocketIcmpEcho& NothingBound() {
  static auto* none = new SocketIcmpEcho{IcmpBinding{}};
  return *none;
}

// Written once by BindSystemIcmp before any worker thread exists; thread
// creation orders that write before every later read.
std::unique_ptr<SocketIcmpEcho>& BoundSlot() {
  static auto* slot = new std::unique_ptr<SocketIcmpEcho>;
  return *slot;
}

}  // namespace

IcmpBinding ProbeIcmpRoads(IcmpRoadChoice choice) {
  return IcmpBinding{ProbeFamily(IpFamily::V4, choice), ProbeFamily(IpFamily::V6, choice)};
}

Status RaiseOpenFileLimit(std::uint64_t* softLimit) {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
    return Status::Failure(Status::Kind::IoError, std::string("getrlimit: ") + std::strerror(errno));
  rlim_t wanted = limit.rlim_max;
  if (wanted == RLIM_INFINITY) {
    // An unlimited hard limit cannot be taken literally: the kernel caps
    // descriptors at fs.nr_open.
    std::ifstream file("/proc/sys/fs/nr_open");
    unsigned long long cap = 0;
    wanted = (file >> cap) && cap > 0 ? static_cast<rlim_t>(cap) : limit.rlim_cur;
  }
  if (wanted > limit.rlim_cur) {
    rlimit raised{wanted, limit.rlim_max};
    if (setrlimit(RLIMIT_NOFILE, &raised) != 0) {
      if (softLimit) *softLimit = limit.rlim_cur;
      return Status::Failure(Status::Kind::Denied, std::string("setrlimit: ") + std::strerror(errno));
    }
    limit.rlim_cur = wanted;
  }
  if (softLimit) *softLimit = limit.rlim_cur;
  return Status::Success();
}

Status BindSystemIcmp(IcmpRoadChoice choice) {
  // A limit that cannot be raised is no reason not to start: runs with
  // fewer workers still work, and a handle that cannot be opened reports
  // "Ping error" for its own target.
  RaiseOpenFileLimit();
  const IcmpBinding binding = ProbeIcmpRoads(choice);
  BoundSlot() = std::make_unique<SocketIcmpEcho>(binding);
  if (binding.ipv4 == IcmpRoad::None)
    return Status::Failure(Status::Kind::Unsupported,
                           "no ICMP socket for IPv4: neither ping_group_range nor CAP_NET_RAW allows one");
  return Status::Success();
}

SocketIcmpEcho& SystemIcmp() { return BoundSlot() ? *BoundSlot() : NothingBound(); }
