#include "pages/TextHelpers.h"

#include <arpa/inet.h>

#include <cstring>

bool IsEqualIpv6(const Ipv6Bytes* a, const Ipv6Bytes* b) { return a && b && *a == *b; }

bool IsNonZeroIpv6(const Ipv6Bytes* a) {
  if (!a) return false;
  for (std::uint8_t byte : *a)
    if (byte) return true;
  return false;
}

std::string Ipv6ToString(const Ipv6Bytes* a) {
  if (!a) return {};
  in6_addr addr{};
  std::memcpy(&addr, a->data(), a->size());
  char text[INET6_ADDRSTRLEN] = {};
  if (!inet_ntop(AF_INET6, &addr, text, sizeof text)) return {};
  return text;
}

std::string Ipv6LiteralName(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c == ':')
      c = '-';
    else if (c == '%')
      c = 's';
  }
  return out;
}

std::string Ipv4ToString(std::uint32_t networkOrder) {
  in_addr addr{};
  addr.s_addr = networkOrder;
  char text[INET_ADDRSTRLEN] = {};
  if (!inet_ntop(AF_INET, &addr, text, sizeof text)) return {};
  return text;
}

std::string IntToStrA(std::int32_t value) { return std::to_string(value); }

std::string ByteToStrA(unsigned value) { return std::to_string(value & 0xFFu); }

std::string CutUtf8(std::string_view text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return std::string(text);
  std::size_t end = maxBytes;
  // Step back over continuation bytes (10xxxxxx) to the start of the cut character.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return std::string(text.substr(0, end));
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

bool IsWebAddress(std::string_view target) {
  return EqualsIgnoreCase(target.substr(0, 7), "http://") ||
         EqualsIgnoreCase(target.substr(0, 8), "https://");
}
