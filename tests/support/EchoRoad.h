#pragma once

#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "platform/SocketIcmpEcho.h"
#include "support/TestNetwork.h"

// The one way a test sends real echoes on a road of its choice: the calling
// thread, and every thread it starts from then on, enters a namespace of the
// test's own; for the datagram road ping_group_range is opened there first.
// The probe must then pick that road for both families by itself.
class EchoRoad {
 public:
  // Empty when ready; otherwise what went wrong.
  std::string Enter(TestNetwork& network, const std::string& ns, IcmpRoad road);

  std::unique_ptr<IcmpSocketHandle> Open(IpFamily family) const {
    return IcmpSocketHandle::Open(family, road_);
  }
  // Handles on the road, for the engine.
  SocketIcmpEcho& Echo() { return *echo_; }

 private:
  std::optional<NetnsScope> inside_;
  IcmpRoad road_ = IcmpRoad::None;
  std::unique_ptr<SocketIcmpEcho> echo_;
};

// An echo of `family` to `ipv4` or `ipv6`, whichever the family takes.
EchoRequest EchoTo(IpFamily family, std::uint32_t ipv4, const Ipv6Octets& ipv6, int ttl = 64, int bytes = 32,
                   int timeoutMs = 2000);

const char* RoadName(IcmpRoad road);
// Readable test names and failure messages.
void PrintTo(IcmpRoad road, std::ostream* out);
void PrintTo(EchoStatus status, std::ostream* out);
