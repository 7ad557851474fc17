#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using Ipv6Bytes = std::array<std::uint8_t, 16>;

// False when either side is null, true exactly when all 16 bytes match.
bool IsEqualIpv6(const Ipv6Bytes* a, const Ipv6Bytes* b);
// False for null and for the unspecified address.
bool IsNonZeroIpv6(const Ipv6Bytes* a);
// Standard compressed notation without port or zone; empty for null.
std::string Ipv6ToString(const Ipv6Bytes* a);
// The address text made safe for a file name: ":" -> "-", "%" -> "s".
std::string Ipv6LiteralName(std::string_view text);
// IPv4 address in network order as dotted text.
std::string Ipv4ToString(std::uint32_t networkOrder);

std::string IntToStrA(std::int32_t value);
// The low 8 bits of the value as decimal text.
std::string ByteToStrA(unsigned value);

// The longest prefix of at most maxBytes bytes that ends on a UTF-8
// character boundary, so a field limit never splits a character.
std::string CutUtf8(std::string_view text, std::size_t maxBytes);
// Equal when ASCII letter case is ignored.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
// Whether `target` is a web address ("http://" or "https://", in any case)
// rather than a local path.
bool IsWebAddress(std::string_view target);
