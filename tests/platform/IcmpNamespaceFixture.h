#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <optional>
#include <ostream>
#include <string>

#include "platform/SocketIcmpEcho.h"
#include "support/TestNetwork.h"

inline const char* RoadName(IcmpRoad road) { return road == IcmpRoad::Raw ? "Raw" : "Datagram"; }

// Readable test names and failure messages.
inline void PrintTo(IcmpRoad road, std::ostream* out) { *out << RoadName(road); }
inline void PrintTo(EchoStatus status, std::ostream* out) {
  static const char* const names[] = {"Success", "TtlExpired", "OtherStatus", "TimedOut", "SendFailed"};
  *out << names[static_cast<int>(status)];
}

// Enters the namespace `ns` for the test body and opens ICMP handles on the
// road under test there: the datagram road after ping_group_range was opened
// in that namespace, the raw road as root.
class IcmpInNamespace {
 public:
  // Empty when ready; otherwise the failure.
  std::string Enter(TestNetwork& network, const std::string& ns, IcmpRoad road) {
    if (road == IcmpRoad::Datagram && !network.AllowDatagramPing(ns)) return "ping_group_range not set";
    inside_.emplace(ns);
    if (!inside_->ok()) return "cannot enter " + ns;
    road_ = road;
    return {};
  }
  std::unique_ptr<IcmpSocketHandle> Open(IpFamily family) const {
    return IcmpSocketHandle::Open(family, road_);
  }

 private:
  std::optional<NetnsScope> inside_;
  IcmpRoad road_ = IcmpRoad::None;
};

inline std::string WhyNoNamespaces() {
  if (geteuid() != 0) return "network namespaces need root";
  return TestNetwork::Unavailable();
}
