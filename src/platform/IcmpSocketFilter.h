#pragma once

#include <cstdint>

#include "platform/IcmpEcho.h"
#include "platform/Status.h"

// Kernel-side filters for raw ICMP sockets. A raw socket receives a copy of
// every ICMP packet that reaches the host; with hundreds of workers each
// holding one, every socket would queue every other worker's replies and
// overflow, so replies would be lost. These filters let through only the
// messages an echo can wait for, and of those only the ones that carry (or
// quote) this socket's identifier.

// Passes echo replies and the error types an echo can end with; everything
// else (requests, neighbour discovery, redirects, ...) is dropped.
Status InstallIcmpTypeFilter(int fd, IpFamily family);

// A classic BPF program that passes an echo reply with `identifier`, or an
// error that quotes an echo request with `identifier`. Raw IPv4 sockets see
// the packet from its IP header on (with options), raw ICMPv6 sockets from
// the ICMPv6 header on.
Status AttachIdentifierFilter(int fd, IpFamily family, std::uint16_t identifier);
