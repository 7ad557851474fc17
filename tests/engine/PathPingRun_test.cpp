// Path ping's two phases against a fake route: how a router is found, and
// that only the direct echoes to it count.
#include <gtest/gtest.h>

#include "HopRunFixture.h"
#include "engine/HopEcho.h"
#include "pages/RowTexts.h"

namespace {

using PathPingRunTest = HopRunTest;

int CountEchoes(const std::vector<FakeIcmp::Sent>& log, int ttl, std::uint32_t to) {
  int count = 0;
  for (const FakeIcmp::Sent& sent : log)
    if (sent.request.ttl == ttl && sent.request.ipv4 == to) ++count;
  return count;
}

TEST_F(PathPingRunTest, EachRouterIsFoundOnceAndThenPingedDirectly) {
  TPingPage& page = AddPage(Mode::PathPing, "target4");
  page.Retries = 3;
  Start(Mode::PathPing, page);
  ASSERT_TRUE(WaitIdle(page));

  const std::vector<FakeIcmp::Sent> log = icmp_.Log();
  const std::uint32_t target = route_.HopIpv4(3);
  for (int hop = 1; hop <= 3; ++hop) {
    SCOPED_TRACE(hop);
    EXPECT_EQ(CountEchoes(log, hop, target), 1);
    EXPECT_EQ(CountEchoes(log, RouterTtl, route_.HopIpv4(hop)), 3);
    // Statistics count the direct echoes only.
    EXPECT_EQ(page.Hosts[static_cast<std::size_t>(hop) - 1].Sent, 3u);
  }
  EXPECT_EQ(page.DestinationHop, 3);
}

TEST_F(PathPingRunTest, ARouterThatIgnoresDirectEchoesShowsItsAddressAndFullLoss) {
  route_.muteRouters = {1};
  route_.firstTtlAnswer = {{2, EchoStatus::TimedOut}};  // hop 2 needs a second attempt
  UseRoute(route_);
  // Router 2 forwards what is sent to it and lets the TTL of 255 run out:
  // not an answer to a direct echo.
  icmp_.answer = [this](const EchoRequest& request) {
    IcmpEchoResult answer = route_.Answer(request);
    if (request.ttl == RouterTtl && request.ipv4 == route_.HopIpv4(2)) answer.status = EchoStatus::TtlExpired;
    return answer;
  };
  TPingPage& page = AddPage(Mode::PathPing, "target4");
  page.Retries = 3;
  page.Hops = 3;
  const auto start = std::chrono::steady_clock::now();
  Start(Mode::PathPing, page);
  ASSERT_TRUE(WaitIdle(page));

  // Hop 2 found its router on the second attempt, each lasting over a second.
  const std::vector<FakeIcmp::Sent> log = icmp_.Log();
  EXPECT_EQ(CountEchoes(log, 2, route_.HopIpv4(3)), 2);
  EXPECT_GT(MillisecondsSince(start), 2000);
  for (int slot : {0, 1}) {
    SCOPED_TRACE(slot);
    const THostResult& host = page.Hosts[static_cast<std::size_t>(slot)];
    EXPECT_EQ(host.State, 0);
    EXPECT_EQ(host.Address, route_.HopText(slot + 1));
    EXPECT_EQ(host.Sent, 3u);
    EXPECT_EQ(host.Received, 0u);
    EXPECT_EQ(host.Lost, 3u);
    const std::optional<HostRowText> row = HopRow(slot, host);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->Texts[1], route_.HopText(slot + 1));
    EXPECT_EQ(row->Image, ImageHost);
    EXPECT_EQ(row->Texts[5], "3 (100%)");
    EXPECT_EQ(row->Texts[9], "Timeout");
    // A lost echo keeps the fields of the router's answer in phase 1.
    ASSERT_EQ(host.ReplyCount(), 3);
    for (const TReplyRecord& reply : host.Replies) {
      EXPECT_EQ(reply.Status, rsTimeout);
      EXPECT_EQ(reply.Ipv4, route_.HopIpv4(slot + 1));
    }
  }
  EXPECT_EQ(page.Hosts[2].Received, 3u);
}

}  // namespace
