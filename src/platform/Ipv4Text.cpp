#include "platform/Ipv4Text.h"

#include <arpa/inet.h>

std::optional<std::uint32_t> ParseIpv4Text(const std::string& text) {
  in_addr address{};
  if (text.empty() || inet_aton(text.c_str(), &address) == 0) return std::nullopt;
  return address.s_addr;
}
