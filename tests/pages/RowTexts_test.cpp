// The texts of the lists and grids, and the helpers that make them.

#include "pages/RowTexts.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include "pages/TextHelpers.h"

namespace {

// The cells joined by "|", then the picture: what one row shows.
template <std::size_t N>
std::string Shown(const std::array<std::string, N>& texts, int image) {
  std::string line;
  for (const std::string& text : texts) line += text + "|";
  return line + std::to_string(image);
}
std::string Shown(const std::optional<HostRowText>& r) { return r ? Shown(r->Texts, r->Image) : "none"; }

THostResult Host(int state, std::uint32_t sent, std::uint32_t lost, std::uint16_t cur, const char* address,
                 const char* name = "", const char* host = "") {
  THostResult h;
  h.State = static_cast<std::int16_t>(state), h.Host = host, h.Address = address, h.HostName = name;
  h.Ipv4 = htonl(0x80000001), h.Sent = sent, h.Received = sent - lost, h.Lost = lost;
  h.MinTime = 3, h.MaxTime = 17, h.AvgTime = 9, h.CurTime = cur;
  return h;
}

TEST(RowTexts, LostPercentIsTruncatedAndComputedIn64Bits) {
  EXPECT_EQ(LostText(0, 0), "0 (0%)");
  EXPECT_EQ(LostText(2, 3), "2 (66%)");
  // Lost * 100 no longer fits 32 bits here; a 32-bit product would show 0%.
  EXPECT_EQ(LostText(50000000, 100000000), "50000000 (50%)");
  EXPECT_EQ(LostText(4294967295u, 4294967295u), "4294967295 (100%)");
}

TEST(RowTexts, HostRowsOfEveryList) {
  const std::pair<std::optional<HostRowText>, const char*> cases[] = {
      {PingHostRow(0, Host(0, 4, 0, 5, "10.0.0.1")), "1|10.0.0.1| |4|4|0 (0%)|3|17|9|5|2"},
      {PingHostRow(2, Host(0, 3, 3, LostEchoTime, "::1", "gw")), "3|::1|gw|3|0|3 (100%)|3|17|9|Timeout|2"},
      {ResultStateRow(psNoIpv4Address, Mode::Ping), "1|IPv4 address not found| | | | | | | | |4"},
      {ResultStateRow(psError, Mode::Traceroute), "1|Traceroute error| | | | | | | | |4"},
      {ResultStateRow(psError, Mode::PathPing), "1|Path ping error| | | | | | | | |4"},
      {MultiPingHostRow(Host(-1, 0, 0, 0, "", "", "mail")), "mail| | | | | | | | | |2"},
      {MultiPingHostRow(Host(psError, 0, 0, 0, "", "", "mail")), "mail|Ping error| | | | | | | | |4"},
      {MultiPingHostRow(Host(0, 2, 1, 4, "")), " | | |2|1|1 (50%)|3|17|9|4|2"},
      {MultiPingHostRow(Host(7, 0, 0, 0, "")), "none"},
      {HopRow(4, Host(1, 3, 3, LostEchoTime, "10.0.0.1", "gw")), "5|*| |3|0|3 (100%)|3|17|9|Timeout|4"},
      {HopRow(0, Host(2, 1, 1, 0, "")), "1|Error| |1|0|1 (100%)|3|17|9|0|4"},
      {HopRow(0, Host(0, 1, 0, 4, "")), "1|| |1|1|0 (0%)|3|17|9|4|2"},
      {HopRow(0, Host(-1, 0, 0, 0, "")), "none"},
      {AliveHostRow(Host(0, 1, 0, 2, "10.0.0.1")), "10.0.0.1| |1|1|0 (0%)|3|17|9|2||2"},
  };
  for (const auto& [row, shown] : cases) EXPECT_EQ(Shown(row), shown);
  EXPECT_EQ(AliveHostKey(Host(0, 1, 0, 2, "")), 0x80000001u);
  EXPECT_EQ(ResultStateText(psNoIpv6Address, Mode::MultiPing), "IPv6 address not found");
}

TEST(RowTexts, ReplyRowsAndHelpers) {
  const TReplyRecord v4{25, 1, 3, 4, 5, 6, htonl(0xC0A80001), {}, 32, 64, 5, rsSuccess};
  TReplyRecord v6 = v4, lost{30, 12, 31, 23, 59, 58, 0, {}, 0, 0, 0, rsTimeout}, failed = v4, odd = v4;
  v6.Ipv4 = 0, v6.Ipv6 = {0xfe, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, v6.Status = rsTtlExpired;
  failed.Status = rsPingError, odd.Status = 9;
  const std::tuple<TReplyRecord, bool, const char*> cases[] = {
      {v4, false, "16|25.01.03  04:05:06|Success|192.168.0.1|32|64|5|0"},
      {v6, false, "16|25.01.03  04:05:06|TTL expired|fe80::1|32|64|5|0"},
      {v6, true, "16|25.01.03  04:05:06|TTL expired|0.0.0.0|32|64|5|0"},  // the range grids are IPv4 only
      {lost, false, "16|30.12.31  23:59:58|Timeout|||||1"},
      {failed, false, "16|25.01.03  04:05:06|Ping error|||||1"},
      {odd, false, "16|25.01.03  04:05:06|Ping error|||||1"},
  };
  for (const auto& [reply, ipv4Only, shown] : cases) {
    const ReplyRowText row = ReplyRow(reply, 16, ipv4Only);
    EXPECT_EQ(Shown(row.Texts, row.Image), shown);
    EXPECT_EQ(row.Number, 16);
  }

  THostResult h = Host(1, 4000000000u, 0, 1, "");
  h.Replies.resize(10);
  EXPECT_EQ(FirstReplyNumber(h), 3999999991);
  // Which hosts list their replies: answering ones, and silent hops.
  for (const auto& [state, modes] : {std::pair(0, "PMRTH"), {1, "TH"}, {2, ""}})
    for (Mode mode : AllModes) {
      h.State = static_cast<std::int16_t>(state);
      EXPECT_EQ(ListsReplies(h, mode),
                std::string_view(modes).find("PMRTH"[static_cast<int>(mode)]) != std::string_view::npos)
          << state << " " << static_cast<int>(mode);
    }
  EXPECT_EQ(JoinTexts(std::array<std::string, 4>{"1", "a", "", ""}.data(), 4), "1 a  ");
  EXPECT_EQ(Ipv6LiteralName("fe80::1%4"), "fe80--1s4");
}

}  // namespace
