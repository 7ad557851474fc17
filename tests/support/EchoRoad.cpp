#include "support/EchoRoad.h"

std::string EchoRoad::Enter(TestNetwork& network, const std::string& ns, IcmpRoad road) {
  if (ns.empty()) return "no namespace";
  if (road == IcmpRoad::Datagram && !network.AllowDatagramPing(ns)) return "ping_group_range not set";
  inside_.emplace(ns);
  if (!inside_->ok()) return "cannot enter " + ns;
  road_ = road;
  // As root the raw road is always open, so Auto taking the datagram road
  // shows that the probe prefers it where ping_group_range allows it.
  const IcmpBinding binding =
      ProbeIcmpRoads(road == IcmpRoad::Raw ? IcmpRoadChoice::RawOnly : IcmpRoadChoice::Auto);
  if (binding.ipv4 != road || binding.ipv6 != road) return "the probe chose another road";
  echo_ = std::make_unique<SocketIcmpEcho>(binding);
  return {};
}

EchoRequest EchoTo(IpFamily family, std::uint32_t ipv4, const Ipv6Octets& ipv6, int ttl, int bytes,
                   int timeoutMs) {
  const bool v4 = family == IpFamily::V4;
  return EchoRequest{family, v4 ? ipv4 : 0, v4 ? Ipv6Octets{} : ipv6, bytes, ttl, timeoutMs};
}

const char* RoadName(IcmpRoad road) { return road == IcmpRoad::Raw ? "Raw" : "Datagram"; }

void PrintTo(IcmpRoad road, std::ostream* out) { *out << RoadName(road); }

void PrintTo(EchoStatus status, std::ostream* out) {
  static const char* const names[] = {"Success", "TtlExpired", "OtherStatus", "TimedOut", "SendFailed"};
  *out << names[static_cast<int>(status)];
}
