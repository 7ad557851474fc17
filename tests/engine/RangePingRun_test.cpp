// IP range ping runs against a fake echo: the walk over the range, the
// pool's slot hand-shake, the host records, and the runs that must end
// although workers fail.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <set>
#include <stdexcept>

#include "RangeRunFixture.h"
#include "engine/EchoServices.h"
#include "engine/RangePinger.h"
#include "engine/RunLifecycle.h"
#include "pages/RowTexts.h"
#include "pages/TextHelpers.h"
#include "support/TestNetwork.h"

namespace {

std::vector<std::string> Range(int first, int last) {
  std::vector<std::string> texts;
  for (int i = first; i <= last; ++i) texts.push_back("10.0.0." + std::to_string(i));
  return texts;
}

std::vector<std::string> Sorted(std::vector<std::string> texts) {
  std::sort(texts.begin(), texts.end(), [](const std::string& a, const std::string& b) {
    return ntohl(Ipv4Of(a.c_str())) < ntohl(Ipv4Of(b.c_str()));
  });
  return texts;
}

TEST_F(RangeRunTest, OnePassRecordsExactlyTheAnsweringAddresses) {
  icmp_.answer = AnswerOnly({"10.0.0.3", "10.0.0.7", "10.0.0.30"});
  TRangePingPage& page = AddPage("10.0.0.1", "10.0.0.30", 5);
  ASSERT_TRUE(Start(page));
  const int runId = page.RunId;
  EXPECT_EQ(page.HostCapacity, 30);
  EXPECT_EQ(page.ReplyCapacity, 1);  // one pass: one record per host is all it needs
  ASSERT_TRUE(WaitIdle(page));

  EXPECT_EQ(Sorted(EchoTargets()), Range(1, 30));  // each address once
  EXPECT_EQ(Sorted(HostTexts(page)), (std::vector<std::string>{"10.0.0.3", "10.0.0.7", "10.0.0.30"}));
  for (int k = 0; k < page.HostCount; ++k) {
    const THostResult& host = *page.Hosts[static_cast<std::size_t>(k)];
    EXPECT_EQ(host.State, 0);
    EXPECT_EQ(host.Sent, 1u);
    EXPECT_EQ(host.Received, 1u);
    EXPECT_EQ(host.Ipv4, Ipv4Of(host.Address.c_str()));
    EXPECT_NE(host.ListItem, NoListItem);  // its grid row
    ASSERT_EQ(host.ReplyCount(), 1);
    EXPECT_EQ(host.Replies[0].Ipv4, host.Ipv4);
    EXPECT_EQ(host.Replies[0].Ttl, 64);
  }
  // Rows were added in record order, and only the selected record's replies
  // went to the grid.
  ASSERT_EQ(view_.added.size(), 3u);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(view_.added[static_cast<std::size_t>(k)], page.Hosts[k]->Ipv4);
  ASSERT_EQ(view_.gridLines.size(), 1u);
  EXPECT_EQ(view_.gridLines[0].second.Ipv4, page.Hosts[0]->Ipv4);

  EXPECT_EQ(page.ResultState, psOk);
  EXPECT_EQ(page.RunId, runId + 1);
  EXPECT_EQ(view_.running, (std::vector<bool>{true, false}));
  EXPECT_EQ(Finished(), std::vector<int>{0});
  EXPECT_TRUE(
      std::all_of(page.Dispatch.begin(), page.Dispatch.end(), [](std::uint32_t a) { return a == 0; }));
  const EchoRequest first = icmp_.Log().front().request;
  EXPECT_EQ(first.ttl, 255);
  EXPECT_EQ(first.bytes, 32);
  EXPECT_EQ(first.timeoutMs, 1000);
}

TEST_F(RangeRunTest, AReversedRangeWithOneThreadIsPingedStrictlyUpwards) {
  TRangePingPage& page = AddPage("10.0.0.9", "10.0.0.5", 1);
  ASSERT_TRUE(Start(page));
  ASSERT_TRUE(WaitIdle(page));
  EXPECT_EQ(EchoTargets(), Range(5, 9));
  EXPECT_EQ(HostTexts(page), Range(5, 9));
  EXPECT_EQ(page.From, "10.0.0.9");  // the editors' texts stay as typed
  // One slot, one echo at a time: each echo starts after the last one's
  // hand-shake, which waits for the worker's next look into its slot.
  const auto log = icmp_.Log();
  for (std::size_t i = 1; i < log.size(); ++i) EXPECT_GT(log[i].at, log[i - 1].at);
}

TEST_F(RangeRunTest, LaterPassesCountAgainAndHostsAnsweringLateGetTheirRecordThen) {
  // 10.0.0.1 always answers, .2 from the second pass on, .3 in the first pass only.
  auto calls = std::make_shared<std::map<std::string, int>>();
  auto mutex = std::make_shared<std::mutex>();
  icmp_.answer = [calls, mutex](const EchoRequest& request) {
    const std::string target = Ipv4ToString(request.ipv4);
    int call = 0;
    {
      std::lock_guard lock(*mutex);
      call = (*calls)[target]++;
    }
    const bool answers =
        target == "10.0.0.1" || (target == "10.0.0.2" && call >= 1) || (target == "10.0.0.3" && call == 0);
    return answers ? ReplyFromTarget(request, 5) : IcmpEchoResult{};
  };
  TRangePingPage& page = AddPage("10.0.0.1", "10.0.0.4", 2);
  page.Retries = 3;
  ASSERT_TRUE(Start(page));
  ASSERT_TRUE(WaitIdle(page));

  EXPECT_EQ(icmp_.Echoes(), 12);
  std::map<std::string, const THostResult*> byAddress;
  for (int k = 0; k < page.HostCount; ++k) byAddress[page.Hosts[k]->Address] = page.Hosts[k].get();
  ASSERT_EQ(byAddress.size(), 3u);
  EXPECT_EQ(byAddress["10.0.0.1"]->Sent, 3u);
  EXPECT_EQ(byAddress["10.0.0.1"]->Received, 3u);
  EXPECT_EQ(byAddress["10.0.0.2"]->Sent, 2u);
  EXPECT_EQ(byAddress["10.0.0.2"]->Received, 2u);
  const THostResult& gone = *byAddress["10.0.0.3"];
  EXPECT_EQ(gone.Sent, 3u);
  EXPECT_EQ(gone.Lost, 2u);
  EXPECT_EQ(gone.CurTime, LostEchoTime);
  EXPECT_EQ(gone.MinTime, 5);
  // A lost echo is stored with the worker's last answered echo, whichever host that was.
  ASSERT_EQ(gone.ReplyCount(), 3);
  EXPECT_EQ(gone.Replies[2].Status, rsTimeout);
  EXPECT_EQ(page.HostCount, 3);
  EXPECT_EQ(Finished().size(), 1u);
}

TEST_F(RangeRunTest, WithRepliesOffHostsAreCountedButNothingIsStored) {
  TRangePingPage& page = AddPage("10.0.0.1", "10.0.0.6", 3);
  page.ShowReplys = false;
  page.Retries = 2;
  ASSERT_TRUE(Start(page));
  EXPECT_EQ(page.ReplyCapacity, 0);
  ASSERT_TRUE(WaitIdle(page));
  ASSERT_EQ(page.HostCount, 6);
  for (int k = 0; k < 6; ++k) {
    EXPECT_EQ(page.Hosts[k]->Received, 2u);
    EXPECT_EQ(page.Hosts[k]->ReplyCount(), 0);
    EXPECT_EQ(page.Hosts[k]->Replies.capacity(), 0u);
  }
  EXPECT_TRUE(view_.gridLines.empty());
}

TEST_F(RangeRunTest, WorkersWithoutSocketGiveBackTheirAddressesAndTheRunEnds) {
  for (bool throws : {false, true}) {
    SCOPED_TRACE(throws ? "opening throws" : "opening fails");
    RefusingIcmp refusing(icmp_);
    refusing.refuse = [](int call) { return call == 0 || call == 2; };
    refusing.throwInstead = throws;
    SetEngineIcmp(&refusing);
    ResetRegistries();
    Finished().clear();
    const std::size_t before = icmp_.Log().size();
    TRangePingPage& page = AddPage("10.0.0.1", "10.0.0.40", 4);
    ASSERT_TRUE(Start(page));
    ASSERT_TRUE(WaitIdle(page));
    EXPECT_EQ(refusing.Opens(), 4);
    // Every address was pinged once by the two working slots, none lost.
    std::vector<std::string> targets = EchoTargets();
    targets.erase(targets.begin(), targets.begin() + static_cast<std::ptrdiff_t>(before));
    EXPECT_EQ(Sorted(targets), Range(1, 40));
    EXPECT_EQ(page.HostCount, 40);
    EXPECT_EQ(Finished(), std::vector<int>{0});
    ASSERT_TRUE(WaitAllEnded());
    SetEngineIcmp(&icmp_);
  }
}

TEST_F(RangeRunTest, WithNoUsableWorkerTheRestIsAbandonedAndTheRunEndsNormally) {
  RefusingIcmp refusing(icmp_);
  refusing.refuse = [](int) { return true; };
  SetEngineIcmp(&refusing);
  TRangePingPage& page = AddPage("10.0.0.1", "10.0.3.255", 8);
  const auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(Start(page));
  ASSERT_TRUE(WaitIdle(page, std::chrono::seconds(5)));
  EXPECT_LT(MillisecondsSince(started), 3000);
  EXPECT_EQ(icmp_.Echoes(), 0);
  EXPECT_EQ(page.HostCount, 0);
  EXPECT_EQ(page.ResultState, psOk);
  EXPECT_EQ(view_.running, (std::vector<bool>{true, false}));
  EXPECT_EQ(Finished(), std::vector<int>{0});
  ASSERT_TRUE(WaitAllEnded());
  SetEngineIcmp(&icmp_);
}

TEST_F(RangeRunTest, AnEchoThatFailsCostsOnlyItsAddress) {
  icmp_.answer = [](const EchoRequest& request) {
    if (Ipv4ToString(request.ipv4) == "10.0.0.3") throw std::runtime_error("echo failed");
    return ReplyFromTarget(request);
  };
  TRangePingPage& page = AddPage("10.0.0.1", "10.0.0.6", 1);
  ASSERT_TRUE(Start(page));
  ASSERT_TRUE(WaitIdle(page));
  EXPECT_EQ(HostTexts(page),
            (std::vector<std::string>{"10.0.0.1", "10.0.0.2", "10.0.0.4", "10.0.0.5", "10.0.0.6"}));
  EXPECT_EQ(Finished().size(), 1u);
}

TEST_F(RangeRunTest, AFullHostListDropsNewHostsWhileEveryAddressIsStillPinged) {
  // The controller as Start launches it, over a host list smaller than the
  // range, as a range of more than 65,536 addresses has.
  TRangePingPage& page = AddPage("10.0.0.1", "10.0.0.8", 2);
  page.RunId = RunIdAfter(page.RunId);
  page.HostCapacity = 3;
  page.Hosts.resize(3);
  page.ReplyCapacity = 2;
  page.ResultState = psOk;
  RangeRunSettings settings;
  settings.Retries = 2;
  settings.Threads = 2;
  settings.Delay = 0;
  settings.ResolveHostName = false;
  ASSERT_TRUE(LaunchController(
      page, std::make_unique<RangePinger>(RunStamp{page.Id, page.RunId}, ntohl(Ipv4Of("10.0.0.1")),
                                          ntohl(Ipv4Of("10.0.0.8")), settings)));
  ASSERT_TRUE(WaitIdle(page));
  EXPECT_EQ(Sorted(EchoTargets()).size(), 16u);
  ASSERT_EQ(page.HostCount, 3);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(page.Hosts[k]->Sent, 2u);
  EXPECT_EQ(view_.added.size(), 3u);
}

TEST_F(RangeRunTest, ARangeBeyondTheHostLimitGetsTheLimitAndStillStarts) {
  TRangePingPage& page = AddPage("10.0.0.1", "10.1.17.112", 4);  // 70,000 addresses
  icmp_.CloseGate();
  ASSERT_TRUE(Start(page));
  EXPECT_EQ(page.HostCapacity, MaxRangeHosts);
  EXPECT_EQ(page.Hosts.size(), static_cast<std::size_t>(MaxRangeHosts));
  EXPECT_EQ(page.ReplyCapacity, 1);
  ASSERT_TRUE(SpinUntil([&] { return icmp_.Waiting() == 4; }));
  Stop(page);
}

TEST_F(RangeRunTest, StopEndsTheRunWithoutActionsAndDropsLateReplies) {
  icmp_.CloseGate();
  TRangePingPage& page = AddPage("10.0.0.1", "10.0.0.20", 3);
  ASSERT_TRUE(Start(page));
  ASSERT_TRUE(SpinUntil([&] { return icmp_.Waiting() == 3; }));
  Stop(page);
  icmp_.OpenGate();
  ASSERT_TRUE(WaitAllEnded());
  EXPECT_EQ(icmp_.Echoes(), 3);
  EXPECT_EQ(page.HostCount, 0);
  EXPECT_TRUE(Finished().empty());
  EXPECT_EQ(view_.running, std::vector<bool>{true});
}

TEST_F(RangeRunTest, NamesAreLookedUpOncePerNewHost) {
  resolver_.names["10.0.0.1"] = "one.test";
  TRangePingPage& page = AddPage("10.0.0.1", "10.0.0.2", 2);
  page.ResolveHostName = true;
  page.Retries = 3;
  ASSERT_TRUE(Start(page));
  ASSERT_TRUE(WaitIdle(page));
  EXPECT_EQ(resolver_.ReverseLookups(), 2);
  std::map<std::string, std::string> names;
  for (int k = 0; k < page.HostCount; ++k) names[page.Hosts[k]->Address] = page.Hosts[k]->HostName;
  EXPECT_EQ(names["10.0.0.1"], "one.test");
  EXPECT_EQ(names["10.0.0.2"], "");  // only its own dotted text came back
}

TEST_F(RangeRunTest, AnInvalidRangeStartsNothing) {
  for (const auto& [from, to] :
       std::vector<std::pair<std::string, std::string>>{{"", "10.0.0.1"},
                                                        {"10.0.0.1", "host"},
                                                        {"0.0.0.0", "10.0.0.1"},
                                                        {"10.0.0.1", "255.255.255.255"}}) {
    TRangePingPage& page = AddPage(from, to, 2);
    EXPECT_FALSE(Start(page)) << from << " " << to;
    EXPECT_EQ(page.Worker, nullptr);
    EXPECT_EQ(page.HostCapacity, 0);
  }
  EXPECT_EQ(RunThread::LiveThreads(), 0);
}

}  // namespace
