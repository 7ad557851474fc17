// IP range ping runs against the fake echo: the walk over the range, the
// records of the answering addresses, workers that fail, and the index that
// finds a reply's record.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "RunFixture.h"
#include "engine/RangeHostIndex.h"
#include "engine/RangePinger.h"
#include "pages/TextHelpers.h"
#include "support/TestNetwork.h"

namespace {

// The ranges here lie in 10.0.0.0/24: an address is its last octet.
std::vector<int> Octets(int first, int last) {
  std::vector<int> octets;
  for (int i = first; i <= last; ++i) octets.push_back(i);
  return octets;
}

class RangeRun : public RunFixture {
 protected:
  static std::vector<int> HostOctets(const TRangePingPage& page) {
    std::vector<int> octets;
    for (const THostResult* host : Rows(Mode::RangePing, page)) octets.push_back(ntohl(host->Ipv4) & 0xFF);
    return octets;
  }
  // Of the echoes sent since the `from`th, in send order or sorted.
  std::vector<int> EchoOctets(std::size_t from = 0, bool sorted = false) const {
    std::vector<int> octets;
    for (const FakeIcmp::Sent& sent : icmp_.Log()) octets.push_back(ntohl(sent.request.ipv4) & 0xFF);
    octets.erase(octets.begin(), octets.begin() + static_cast<std::ptrdiff_t>(from));
    if (sorted) std::sort(octets.begin(), octets.end());
    return octets;
  }
};

TEST_F(RangeRun, OnePassRecordsExactlyTheAnsweringAddresses) {
  icmp_.answer = [](const EchoRequest& request) {
    const std::string to = Ipv4ToString(request.ipv4);
    return to == "10.0.0.3" || to == "10.0.0.7" || to == "10.0.0.30" ? ReplyFromTarget(request)
                                                                     : IcmpEchoResult{};
  };
  TRangePingPage& page = AddRangePage("10.0.0.1", "10.0.0.30", 5);
  ASSERT_TRUE(Start(Mode::RangePing, page));
  ASSERT_TRUE(WaitFinished());
  EXPECT_EQ(EchoOctets(0, true), Octets(1, 30));  // each address once
  const std::vector<int> hosts = HostOctets(page);
  EXPECT_EQ(std::set<int>(hosts.begin(), hosts.end()), (std::set<int>{3, 7, 30}));
  for (const THostResult* host : Rows(Mode::RangePing, page)) {
    EXPECT_EQ(host->Received, 1u);
    EXPECT_EQ(host->Ipv4, Ipv4Of(host->Address.c_str()));
    ASSERT_EQ(host->ReplyCount(), 1);
    EXPECT_EQ(host->Replies[0].Ipv4, host->Ipv4);
  }
  // Rows came in record order; only the selected record reached the grid.
  EXPECT_EQ(ViewOf(Mode::RangePing).added, (std::vector<int>{0, 1, 2}));
  ASSERT_EQ(ViewOf(Mode::RangePing).gridLines.size(), 1u);
  EXPECT_EQ(ViewOf(Mode::RangePing).gridLines[0].second.Ipv4, page.Hosts[0]->Ipv4);
  EXPECT_EQ(icmp_.Log().front().request.ttl, 255);
}

TEST_F(RangeRun, AReversedRangeWithOneThreadIsPingedUpwardsPassAfterPassNamingEachHostOnce) {
  resolver_.names["10.0.0.5"] = "five.test";
  TRangePingPage& page = AddRangePage("10.0.0.9", "10.0.0.5", 1);
  page.Retries = 2;
  page.ResolveHostName = true;
  ASSERT_TRUE(Start(Mode::RangePing, page));
  ASSERT_TRUE(WaitFinished());
  EXPECT_EQ(EchoOctets(), (std::vector<int>{5, 6, 7, 8, 9, 5, 6, 7, 8, 9}));
  EXPECT_EQ(HostOctets(page), Octets(5, 9));
  for (const THostResult* host : Rows(Mode::RangePing, page)) EXPECT_EQ(host->Sent, 2u);
  EXPECT_EQ(resolver_.reverseLookups, 5);
  EXPECT_EQ(page.Hosts[0]->HostName, "five.test");
  EXPECT_EQ(page.Hosts[1]->HostName, "");  // only its own dotted text came back
  EXPECT_EQ(page.From, "10.0.0.9");        // the editors keep what was typed
}

TEST_F(RangeRun, WorkersThatCannotPingGiveTheirAddressesToTheOthers) {
  for (bool throws : {false, true}) {
    SCOPED_TRACE(throws);
    icmp_.refuse = {icmp_.Opens(), icmp_.Opens() + 2};  // two of the four workers
    icmp_.refuseThrows = throws;
    const std::size_t before = icmp_.Log().size();
    TRangePingPage& page = AddRangePage("10.0.0.1", "10.0.0.40", 4);
    ASSERT_TRUE(Start(Mode::RangePing, page));
    ASSERT_TRUE(WaitIdle(page));
    EXPECT_EQ(EchoOctets(before, true), Octets(1, 40));
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
  RangeRunSettings settings;
  settings.Retries = 2;
  settings.Threads = 2;
  settings.ResolveHostName = false;
  const std::size_t before = icmp_.Log().size();
  ASSERT_TRUE(LaunchController(page, std::make_unique<RangePinger>(RunStamp{page.Id, page.RunId}, 0x0A000001u,
                                                                   0x0A000008u, settings)));
  ASSERT_TRUE(WaitIdle(page));
  EXPECT_EQ(EchoOctets(before).size(), 16u);
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
