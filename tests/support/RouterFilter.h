#pragma once

#include <string>

// Packet filters for the routers of a test's own namespaces (nftables, the
// `nft` command of Debian's "nftables" package).

// Empty when `nft` can be run here; otherwise the reason (for GTEST_SKIP).
std::string NftUnavailable();

// Makes the router in namespace `ns` a silent hop: it still forwards, but
// every ICMP and ICMPv6 "time exceeded" it would send is dropped on its way
// out. The rule goes when the namespace is deleted. False (with nft's output
// on stderr) on failure.
bool SilenceTimeExceeded(const std::string& ns);
