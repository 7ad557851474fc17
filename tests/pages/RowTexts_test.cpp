#include "pages/RowTexts.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

namespace {

THostResult Host(std::uint32_t sent, std::uint32_t received, std::uint32_t lost, std::uint16_t cur) {
  THostResult h;
  h.State = 0;
  h.Address = "10.0.0.1";
  h.Sent = sent;
  h.Received = received;
  h.Lost = lost;
  h.MinTime = 3;
  h.MaxTime = 17;
  h.AvgTime = 9;
  h.CurTime = cur;
  return h;
}

TReplyRecord Reply(std::uint8_t status) {
  TReplyRecord r;
  r.Year = 25;
  r.Month = 1;
  r.Day = 3;
  r.Hour = 4;
  r.Minute = 5;
  r.Second = 6;
  r.Ipv4 = htonl(0xC0A80001);  // 192.168.0.1
  r.Bytes = 32;
  r.Ttl = 64;
  r.Time = 5;
  r.Status = status;
  return r;
}

template <std::size_t N>
std::vector<std::string> Cells(const std::array<std::string, N>& texts, std::size_t count) {
  return {texts.begin(), texts.begin() + count};
}

TEST(RowTexts, LostTextTruncatesAndSurvivesLargeCounts) {
  EXPECT_EQ(LostText(0, 0), "0 (0%)");
  EXPECT_EQ(LostText(1, 3), "1 (33%)");
  EXPECT_EQ(LostText(2, 3), "2 (66%)");
  EXPECT_EQ(LostText(3, 3), "3 (100%)");
  // Lost * 100 no longer fits 32 bits here; a 32-bit product would show 0%.
  EXPECT_EQ(LostText(50000000, 100000000), "50000000 (50%)");
  EXPECT_EQ(LostText(4294967295u, 4294967295u), "4294967295 (100%)");
}

TEST(RowTexts, StatisticsColumnsAndLostCurrentTime) {
  EXPECT_EQ(CurTimeText(0xFFFF), "Timeout");
  EXPECT_EQ(CurTimeText(0), "0");
  const auto stats = StatisticsTexts(Host(10, 7, 3, 12));
  EXPECT_EQ(std::vector<std::string>(stats.begin(), stats.end()),
            (std::vector<std::string>{"10", "7", "3 (30%)", "3", "17", "9", "12"}));
  EXPECT_EQ(StatisticsTexts(Host(3, 0, 3, LostEchoTime))[6], "Timeout");
}

TEST(RowTexts, PingRowsAndStatusRows) {
  THostResult h = Host(4, 4, 0, 5);
  HostRowText row = PingHostRow(0, h);
  EXPECT_EQ(Cells(row.Texts, 10),
            (std::vector<std::string>{"1", "10.0.0.1", " ", "4", "4", "0 (0%)", "3", "17", "9", "5"}));
  EXPECT_EQ(row.Image, ImageHost);
  h.HostName = "gateway";
  EXPECT_EQ(PingHostRow(2, h).Texts[0], "3");
  EXPECT_EQ(PingHostRow(2, h).Texts[2], "gateway");

  const HostRowText status = ResultStateRow(psNoIpv4Address, Mode::Ping);
  EXPECT_EQ(Cells(status.Texts, 10), (std::vector<std::string>{"1", "IPv4 address not found", " ", " ", " ",
                                                               " ", " ", " ", " ", " "}));
  EXPECT_EQ(status.Image, ImageHostFailed);
  EXPECT_EQ(ResultStateText(psHostNotFound, Mode::Ping), "Host not found");
  EXPECT_EQ(ResultStateText(psNoIpv6Address, Mode::Ping), "IPv6 address not found");
  EXPECT_EQ(ResultStateText(psError, Mode::Ping), "Ping error");
  EXPECT_EQ(ResultStateText(psError, Mode::MultiPing), "Ping error");
  EXPECT_EQ(ResultStateText(psError, Mode::Traceroute), "Traceroute error");
  EXPECT_EQ(ResultStateText(psError, Mode::PathPing), "Path ping error");
  EXPECT_EQ(ResultStateText(psPending, Mode::Ping), "");
}

TEST(RowTexts, MultiPingRowsFollowTheHostState) {
  THostResult h;
  h.Host = "mail";
  auto pending = MultiPingHostRow(h);
  ASSERT_TRUE(pending);
  EXPECT_EQ(Cells(pending->Texts, 10),
            (std::vector<std::string>{"mail", " ", " ", " ", " ", " ", " ", " ", " ", " "}));
  EXPECT_EQ(pending->Image, ImageHost);

  h.State = psNoIpv4Address;
  auto failed = MultiPingHostRow(h);
  ASSERT_TRUE(failed);
  EXPECT_EQ(failed->Texts[1], "IPv4 address not found");
  EXPECT_EQ(failed->Texts[9], " ");
  EXPECT_EQ(failed->Image, ImageHostFailed);

  THostResult ok = Host(2, 1, 1, LostEchoTime);
  ok.Host = "";
  ok.Address = "";
  auto resolved = MultiPingHostRow(ok);
  ASSERT_TRUE(resolved);
  EXPECT_EQ(Cells(resolved->Texts, 10),
            (std::vector<std::string>{" ", " ", " ", "2", "1", "1 (50%)", "3", "17", "9", "Timeout"}));

  h.State = 7;
  EXPECT_FALSE(MultiPingHostRow(h));
}

TEST(RowTexts, HopRowsByState) {
  THostResult silent = Host(3, 0, 3, LostEchoTime);
  silent.State = 1;
  auto row = HopRow(4, silent);
  ASSERT_TRUE(row);
  EXPECT_EQ(Cells(row->Texts, 10),
            (std::vector<std::string>{"5", "*", " ", "3", "0", "3 (100%)", "3", "17", "9", "Timeout"}));
  EXPECT_EQ(row->Image, ImageHostFailed);

  silent.State = 2;
  EXPECT_EQ(HopRow(0, silent)->Texts[1], "Error");
  THostResult answered = Host(1, 1, 0, 4);
  answered.Address = "";  // an empty address stays empty on a hop row
  EXPECT_EQ(HopRow(0, answered)->Texts[1], "");
  EXPECT_EQ(HopRow(0, answered)->Texts[2], " ");
  EXPECT_EQ(HopRow(0, answered)->Image, ImageHost);
  answered.State = -1;
  EXPECT_FALSE(HopRow(0, answered));
}

TEST(RowTexts, AliveHostRowAndKey) {
  THostResult h = Host(1, 1, 0, 2);
  h.Ipv4 = htonl(0x80000001);  // 128.0.0.1
  const HostRowText row = AliveHostRow(h);
  EXPECT_EQ(Cells(row.Texts, 9),
            (std::vector<std::string>{"10.0.0.1", " ", "1", "1", "0 (0%)", "3", "17", "9", "2"}));
  EXPECT_EQ(row.Texts[9], "");
  EXPECT_EQ(AliveHostKey(h), 0x80000001u);
}

TEST(RowTexts, ReplyRows) {
  EXPECT_EQ(ReplyDateText(Reply(rsSuccess)), "25.01.03  04:05:06");
  TReplyRecord late = Reply(rsSuccess);
  late.Year = 30;
  late.Month = 12;
  late.Day = 31;
  late.Hour = 23;
  late.Minute = 59;
  late.Second = 58;
  EXPECT_EQ(ReplyDateText(late), "30.12.31  23:59:58");

  const ReplyRowText ok = ReplyRow(Reply(rsSuccess), 16, false);
  EXPECT_EQ(Cells(ok.Texts, 7), (std::vector<std::string>{"16", "25.01.03  04:05:06", "Success",
                                                          "192.168.0.1", "32", "64", "5"}));
  EXPECT_EQ(ok.Number, 16);
  EXPECT_EQ(ok.Image, ImageReplyReceived);
  const ReplyRowText expired = ReplyRow(Reply(rsTtlExpired), 1, false);
  EXPECT_EQ(expired.Texts[2], "TTL expired");
  EXPECT_EQ(expired.Image, ImageReplyReceived);
  EXPECT_EQ(expired.Texts[6], "5");

  const ReplyRowText lost = ReplyRow(Reply(rsTimeout), 2, false);
  EXPECT_EQ(Cells(lost.Texts, 7),
            (std::vector<std::string>{"2", "25.01.03  04:05:06", "Timeout", "", "", "", ""}));
  EXPECT_EQ(lost.Image, ImageReplyMissing);
  EXPECT_EQ(ReplyRow(Reply(rsPingError), 3, false).Texts[2], "Ping error");
  EXPECT_EQ(ReplyRow(Reply(9), 3, false).Texts[2], "Ping error");
  EXPECT_EQ(ReplyRow(Reply(9), 3, false).Image, ImageReplyMissing);

  TReplyRecord v6 = Reply(rsSuccess);
  v6.Ipv4 = 0;
  v6.Ttl = 0;
  v6.Ipv6 = {0xfe, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
  EXPECT_EQ(ReplyRow(v6, 1, false).Texts[3], "fe80::1");
  EXPECT_EQ(ReplyRow(v6, 1, false).Texts[5], "0");
  // The range grids are IPv4 only: an address of 0 reads as such.
  EXPECT_EQ(ReplyRow(v6, 1, true).Texts[3], "0.0.0.0");
}

TEST(RowTexts, ReplyNumberingAndListing) {
  THostResult h = Host(25, 25, 0, 1);
  h.Replies.resize(10);
  EXPECT_EQ(FirstReplyNumber(h), 16);
  h.Sent = 4000000000u;
  EXPECT_EQ(FirstReplyNumber(h), 3999999991);

  h.State = 1;
  EXPECT_FALSE(ListsReplies(h, Mode::Ping));
  EXPECT_FALSE(ListsReplies(h, Mode::MultiPing));
  EXPECT_TRUE(ListsReplies(h, Mode::Traceroute));
  EXPECT_TRUE(ListsReplies(h, Mode::PathPing));
  h.State = 2;
  EXPECT_FALSE(ListsReplies(h, Mode::Traceroute));
  h.State = 0;
  EXPECT_TRUE(ListsReplies(h, Mode::RangePing));
}

TEST(RowTexts, JoinTexts) {
  const std::string texts[] = {"1", "a", "", ""};
  EXPECT_EQ(JoinTexts(texts, 4), "1 a  ");
  EXPECT_EQ(JoinTexts(texts, 1), "1");
  EXPECT_EQ(JoinTexts(texts, 0), "");
}

}  // namespace
