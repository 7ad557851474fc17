// IP range ping with real echoes: every address of 127.0.0.0/8 answers on
// the loopback device, so a range there must come back whole.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>

#include "RangeRunFixture.h"
#include "engine/EchoServices.h"
#include "platform/SocketIcmpEcho.h"

namespace {

TEST_F(RangeRunTest, EveryLoopbackAddressOfARangeAnswers) {
  if (geteuid() != 0) GTEST_SKIP() << "raw sockets need root";
  RaiseOpenFileLimit();
  static SocketIcmpEcho* echo = new SocketIcmpEcho(ProbeIcmpRoads());
  if (!echo->CanPing(IpFamily::V4)) GTEST_SKIP() << "no ICMP socket";
  SetEngineIcmp(echo);
  SetEngineResolver(nullptr);

  TRangePingPage& page = AddPage("127.3.0.70", "127.3.0.1", 16);
  page.Retries = 2;
  ASSERT_TRUE(Start(page));
  ASSERT_TRUE(WaitIdle(page));
  ASSERT_EQ(page.HostCount, 70);
  std::vector<std::uint32_t> addresses;
  for (int k = 0; k < page.HostCount; ++k) {
    const THostResult& host = *page.Hosts[static_cast<std::size_t>(k)];
    EXPECT_EQ(host.Sent, 2u) << host.Address;
    EXPECT_EQ(host.Received, 2u) << host.Address;
    ASSERT_EQ(host.ReplyCount(), 2);
    EXPECT_EQ(host.Replies[1].Ipv4, host.Ipv4);
    EXPECT_EQ(host.Replies[1].Bytes, 32);
    addresses.push_back(ntohl(host.Ipv4));
  }
  std::sort(addresses.begin(), addresses.end());
  EXPECT_EQ(addresses.front(), ntohl(inet_addr("127.3.0.1")));
  EXPECT_EQ(addresses.back(), ntohl(inet_addr("127.3.0.70")));
  EXPECT_EQ(std::adjacent_find(addresses.begin(), addresses.end()), addresses.end());
  EXPECT_EQ(Finished().size(), 1u);
}

}  // namespace
