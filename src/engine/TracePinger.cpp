#include "engine/TracePinger.h"

#include "engine/TracePing.h"

TracePinger::TracePinger(RunStamp stamp, std::string host, const HopRunSettings& settings)
    : HopController(Mode::Traceroute, stamp, std::move(host), settings) {}

std::unique_ptr<HopWorker> TracePinger::MakeWorker(int hop, std::uint32_t ipv4,
                                                   const Ipv6Octets& ipv6) const {
  return std::make_unique<TracePing>(stamp_, hop, ipv4, ipv6, settings_);
}
