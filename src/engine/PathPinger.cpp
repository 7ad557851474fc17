#include "engine/PathPinger.h"

#include "engine/PathPing.h"

PathPinger::PathPinger(RunStamp stamp, std::string host, const HopRunSettings& settings)
    : HopController(Mode::PathPing, stamp, std::move(host), settings) {}

std::unique_ptr<HopWorker> PathPinger::MakeWorker(int hop, std::uint32_t ipv4, const Ipv6Octets& ipv6) const {
  return std::make_unique<PathPing>(stamp_, hop, ipv4, ipv6, settings_);
}
