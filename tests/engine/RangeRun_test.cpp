// IP range ping runs against the fake echo: the walk over the range, the
// records of the answering addresses, workers that fail, and the index that
// finds a reply's record.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

#include "RunFixture.h"
#include "engine/RangeHostIndex.h"
#include "engine/RangePinger.h"
#include "pages/TextHelpers.h"
#include "support/TestNetwork.h"

namespace {

using RangeRun = RunFixture;

// The last octets of the echoes sent since the `from`th, in send order or
// sorted: the ranges here lie in 10.0.0.0/24.
std::vector<int> EchoOctets(const FakeIcmp& icmp, std::size_t from = 0, bool sorted = false) {
  std::vector<int> octets;
  for (const FakeIcmp::Sent& sent : icmp.Log()) octets.push_back(ntohl(sent.request.ipv4) & 0xFF);
  octets.erase(octets.begin(), octets.begin() + static_cast<std::ptrdiff_t>(from));
  if (sorted) std::sort(octets.begin(), octets.end());
  return octets;
}

TEST_F(RangeRun, AReversedRangeWithOneThreadIsPingedUpwardsPassAfterPassRecordingAndNamingWhoAnswers) {
  icmp_.answer = [](const EchoRequest& request) {
    const std::string to = Ipv4ToString(request.ipv4);
    return to == "10.0.0.3" || to == "10.0.0.7" || to == "10.0.0.9" ? ReplyFromTarget(request)
                                                                    : IcmpEchoResult{};
  };
  resolver_.names["10.0.0.3"] = "three.test";
  TRangePingPage& page = AddRangePage("10.0.0.9", "10.0.0.1", 1);
  page.Retries = 2;
  page.ResolveHostName = true;
  ASSERT_TRUE(Start(Mode::RangePing, page));
  ASSERT_TRUE(WaitFinished());
  EXPECT_EQ(EchoOctets(icmp_), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  std::vector<int> hosts;
  for (const THostResult* host : Rows(Mode::RangePing, page)) {
    hosts.push_back(ntohl(host->Ipv4) & 0xFF);
    EXPECT_EQ(host->Address, Ipv4ToString(host->Ipv4));
    ASSERT_EQ(host->ReplyCount(), 2);
    EXPECT_EQ(host->Received, 2u);
    EXPECT_EQ(host->Replies[1].Ipv4, host->Ipv4);
  }
  EXPECT_EQ(hosts, (std::vector<int>{3, 7, 9}));
  EXPECT_EQ(resolver_.reverseLookups, 3);
  EXPECT_EQ(page.Hosts[0]->HostName, "three.test");
  EXPECT_EQ(page.Hosts[1]->HostName, "");  // only its own dotted text came back
  EXPECT_EQ(page.From, "10.0.0.9");        // the editors keep what was typed
  // One row per record; only the selected record reached the grid.
  EXPECT_EQ(ViewOf(Mode::RangePing).rows, (std::set<int>{0, 1, 2}));
  ASSERT_EQ(ViewOf(Mode::RangePing).gridLines.size(), 2u);
  EXPECT_EQ(ViewOf(Mode::RangePing).gridLines[1].second.Ipv4, page.Hosts[0]->Ipv4);
}

TEST_F(RangeRun, WorkersThatCannotPingGiveTheirAddressesToTheOthers) {
  std::vector<int> everyAddress(40);
  std::iota(everyAddress.begin(), everyAddress.end(), 1);
  for (bool throws : {false, true}) {
    SCOPED_TRACE(throws);
    icmp_.refuse = {icmp_.Opens(), icmp_.Opens() + 2};  // two of the four workers
    icmp_.refuseThrows = throws;
    const std::size_t before = icmp_.Log().size();
    TRangePingPage& page = AddRangePage("10.0.0.1", "10.0.0.40", 4);
    ASSERT_TRUE(Start(Mode::RangePing, page));
    ASSERT_TRUE(WaitIdle(page));
    EXPECT_EQ(EchoOctets(icmp_, before, true), everyAddress);
    EXPECT_EQ(page.ResultState, psOk);
  }
}

TEST_F(RangeRun, AFullHostListDropsNewHostsWhileEveryAddressIsStillPinged) {
  TRangePingPage& big = AddRangePage("10.0.0.1", "10.1.17.112", 4);  // 70,000 addresses
  icmp_.gate.Close();
  ASSERT_TRUE(Start(Mode::RangePing, big));
  EXPECT_EQ(big.Hosts.size(), static_cast<std::size_t>(MaxRangeHosts));
  ASSERT_TRUE(icmp_.gate.WaitHeld(4));
  Stop(big);
  icmp_.gate.Open();
  // The controller over a host list smaller than its range, as such a range has.
  TRangePingPage& page = AddRangePage("10.0.0.1", "10.0.0.8", 2);
  page.RunId = RunIdAfter(page.RunId);
  page.HostCapacity = 3;
  page.Hosts.resize(3);
  page.Retries = 2;
  const std::size_t before = icmp_.Log().size();
  ASSERT_TRUE(
      LaunchController(RangePingRegistry, page,
                       std::make_unique<RangePinger>(RunStamp{page.Id, page.RunId}, 0x0A000001u, 0x0A000008u,
                                                     RangeRunSettingsOfPage(page, nullptr))));
  ASSERT_TRUE(WaitIdle(page));
  EXPECT_EQ(EchoOctets(icmp_, before).size(), 16u);
  ASSERT_EQ(page.HostCount, 3);
  for (const THostResult* host : Rows(Mode::RangePing, page)) EXPECT_EQ(host->Sent, 2u);
}

TEST(RangeHostIndex, FindsWhatALinearSearchFinds) {
  TRangePingPage page;
  page.HostCapacity = 4000;
  page.Hosts.resize(4000);
  RangeHostIndex index;
  std::mt19937 random(5);
  std::uniform_int_distribution<std::uint32_t> address(1, 6000);
  for (int reply = 0; reply < 30000; ++reply) {
    const std::uint32_t ipv4 = address(random);
    int expected = -1;
    for (int k = 0; k < page.HostCount && expected < 0; ++k)
      if (page.Hosts[static_cast<std::size_t>(k)]->Ipv4 == ipv4) expected = k;
    ASSERT_EQ(index.Find(page, ipv4), expected) << reply;
    const int count = page.HostCount;
    if (expected < 0) {
      ASSERT_EQ(index.Add(page, ipv4), count < 4000 ? count : -1);  // full: dropped
    }
  }
}

}  // namespace
