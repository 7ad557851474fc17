#include "support/RouterFilter.h"

#include <cstdio>

namespace {

bool Run(const std::string& command, bool quiet) {
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return false;
  std::string output;
  char chunk[256];
  while (std::fgets(chunk, sizeof chunk, pipe)) output += chunk;
  const int status = pclose(pipe);
  if (status != 0 && !quiet) std::fprintf(stderr, "command failed: %s\n%s", command.c_str(), output.c_str());
  return status == 0;
}

}  // namespace

std::string NftUnavailable() {
  if (!Run("nft --version", true)) return "the nft command (package nftables) is missing";
  return {};
}

bool SilenceTimeExceeded(const std::string& ns) {
  // Errors a router makes leave through its output hook, unlike the
  // packets it forwards.
  return Run("ip netns exec " + ns +
                 " nft 'add table inet vqsilent; "
                 "add chain inet vqsilent out { type filter hook output priority 0; policy accept; }; "
                 "add rule inet vqsilent out icmp type time-exceeded drop; "
                 "add rule inet vqsilent out icmpv6 type time-exceeded drop'",
             false);
}
