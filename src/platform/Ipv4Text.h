#pragma once

#include <cstdint>
#include <optional>
#include <string>

// IPv4 address texts as the system's classic address conversion reads them:
// one to four dot-separated parts, each decimal, octal (leading 0) or
// hexadecimal (leading 0x), the last part filling the remaining bytes
// ("10.1" is 10.0.0.1), ended by the end of the text or a blank (what
// follows a blank is not read). Nullopt for anything else; 255.255.255.255
// reads as itself, so callers that reject "no address" reject it as well.
std::optional<std::uint32_t> ParseIpv4Text(const std::string& text);  // network order
