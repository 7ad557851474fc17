#pragma once

#include <string>

#include "engine/HopController.h"

// The controller of a Trace route run (see HopController): one TracePing per
// hop. Started by StartTraceroutePage.
class TracePinger final : public HopController {
 public:
  // The settings are clamped to their ranges.
  TracePinger(RunStamp stamp, std::string host, const HopRunSettings& settings);

 protected:
  std::unique_ptr<HopWorker> MakeWorker(int hop, std::uint32_t ipv4, const Ipv6Octets& ipv6) const override;
};
