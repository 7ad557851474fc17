#pragma once

#include <string>

#include "engine/HopController.h"

// The controller of a Path ping run (see HopController): one PathPing per
// hop. Started by StartPathPingPage.
class PathPinger final : public HopController {
 public:
  // The settings are clamped to their ranges.
  PathPinger(RunStamp stamp, std::string host, const HopRunSettings& settings);

 protected:
  std::unique_ptr<HopWorker> MakeWorker(int hop, std::uint32_t ipv4, const Ipv6Octets& ipv6) const override;
};
