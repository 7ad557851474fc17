// Runs that cannot have the threads or the echo sockets they need: the run
// fails at once and says so, or, on IP range ping, serves the whole range
// with the workers it got. The system running out of threads is staged with
// RunThread's limit, out of sockets with the fake echo's refused opens.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <numeric>

#include "RunFixture.h"
#include "engine/RunFailureNotice.h"

namespace {

class ShortOfThreads : public RunFixture {
 protected:
  void SetUp() override {
    RunFixture::SetUp();
    SetRunFailureNotice([this](RunMoment when, const std::string& failure) {
      EXPECT_EQ(when, RunMoment::Start);
      told_.push_back(failure);
    });
  }
  void TearDown() override {
    RunThread::LimitStarts(-1);
    SetRunFailureNotice(nullptr);
    RunFixture::TearDown();
  }

  // The page's Start with `starts` threads left to the process; its
  // controller and workers run until the page is idle. The lines the run
  // wrote to stderr.
  std::vector<std::string> StartShort(Mode mode, TPageCommon& page, int starts, bool launched) {
    RunThread::LimitStarts(starts);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(Start(mode, page), launched);
    EXPECT_TRUE(WaitIdle(page));
    const std::string said = ::testing::internal::GetCapturedStderr();
    RunThread::LimitStarts(-1);
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; (end = said.find('\n', at)) != std::string::npos; at = end + 1)
      lines.push_back(said.substr(at, end - at));
    return lines;
  }

  // How a run short of what it needs ends: failed at once, said once on
  // stderr and once to the notice, with no end-of-run action and the
  // page's rows rebuilt to show it. `release` lets go of what still holds the
  // run's threads before they are waited for.
  void ExpectFailedAtOnce(Mode mode, const TPageCommon& page, const std::vector<std::string>& said,
                          const std::string& failure, const std::function<void()>& release = {}) {
    EXPECT_EQ(said, std::vector<std::string>{"velquor: " + failure});
    EXPECT_EQ(told_, std::vector<std::string>{failure});
    EXPECT_EQ(page.ResultState, psError);
    EXPECT_TRUE(Finished().empty());
    const RecordingView& view = ViewOf(mode);
    ASSERT_FALSE(view.running.empty());
    EXPECT_FALSE(view.running.back());
    EXPECT_GE(view.rowsRebuilt, 1);
    if (release) release();
    ASSERT_TRUE(WaitAllEnded());
  }

  static std::string Why() { return std::string(" (") + std::strerror(EAGAIN) + ")"; }

  std::vector<std::string> told_;
};

// Three of everything the run needs threads for: addresses on Ping, entries
// on Multi ping, hops on the hop tabs, pool workers on IP range ping. With
// no start left even the controller is missing: Start itself fails. Either
// way the page ends idle in psError, without end-of-run actions, its shown
// rows rebuilt to show the failure, and says once on stderr and once to the
// notice which page of which tab could not run and why.
TEST_F(ShortOfThreads, ARunThatCannotStartEveryThreadItNeedsFailsAtOnceAndSaysSo) {
  resolver_.hosts["three"] = {V4("10.1.0.1"), V4("10.1.0.2"), V6("fd00::3")};
  const struct {
    Mode mode;
    int starts;  // the controller's, then its workers'
    std::string tab, missing;
  } rows[] = {
      {Mode::Ping, 2, "Ping", "2 of the 3 threads it needs could not be started"},
      {Mode::MultiPing, 3, "Multi ping", "1 of the 3 threads it needs could not be started"},
      {Mode::RangePing, 1, "IP range ping", "none of the 3 threads it needs could be started"},
      {Mode::Traceroute, 2, "Trace route", "2 of the 3 threads it needs could not be started"},
      {Mode::PathPing, 1, "Path ping", "none of the 3 threads it needs could be started"},
      {Mode::Ping, 0, "Ping", "its thread could not be started"},
      {Mode::MultiPing, 0, "Multi ping", "its thread could not be started"},
      {Mode::RangePing, 0, "IP range ping", "its thread could not be started"},
      {Mode::Traceroute, 0, "Trace route", "its thread could not be started"},
      {Mode::PathPing, 0, "Path ping", "its thread could not be started"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.tab + " " + std::to_string(row.starts));
    told_.clear();
    ViewOf(row.mode) = RecordingView{};
    TPageCommon* page = nullptr;
    if (row.mode == Mode::RangePing) {
      page = &AddRangePage("10.0.0.1", "10.0.0.9", 3);
    } else {
      TPingPage& ping = AddPage(row.mode, "three");
      ping.PingForAllIp = true;
      while (row.mode == Mode::MultiPing && ping.HostCount < 3)
        ping.Hosts[static_cast<std::size_t>(ping.HostCount++)].Host = "three";
      page = &ping;
    }
    page->Name = "short of threads";

    const std::vector<std::string> said = StartShort(row.mode, *page, row.starts, row.starts > 0);
    const std::string failure =
        "the page \"short of threads\" of the " + row.tab + " tab could not run: " + row.missing + Why();
    if (row.mode == Mode::MultiPing) {
      // The entry that got no worker; with no controller, every entry.
      const auto& hosts = static_cast<TPingPage*>(page)->Hosts;
      EXPECT_EQ(hosts[2].State, psError);
      if (row.starts == 0) {
        EXPECT_EQ(hosts[0].State, psError);
        EXPECT_EQ(hosts[1].State, psError);
      }
    }
    ASSERT_NO_FATAL_FAILURE(ExpectFailedAtOnce(row.mode, *page, said, failure));
  }
}

// Workers start in slot order, so those that could be had serve the lowest
// slots and nothing is handed to a slot without a worker: every address of
// the range is still pinged once, and the run ends as runs end.
TEST_F(ShortOfThreads, ARangeRunGoesOnWithTheWorkersItGotAndPingsEveryAddress) {
  TRangePingPage& page = AddRangePage("10.0.0.1", "10.0.0.40", 6);
  page.Name = "part of the pool";
  const std::vector<std::string> said = StartShort(Mode::RangePing, page, 1 + 2, true);
  const std::string failure =
      "the page \"part of the pool\" of the IP range ping tab runs with 2 of its 6 threads: the others "
      "could not be started" +
      Why();
  EXPECT_EQ(said, std::vector<std::string>{"velquor: " + failure});
  EXPECT_EQ(told_, std::vector<std::string>{failure});
  std::vector<int> octets;
  for (const FakeIcmp::Sent& sent : icmp_.Log()) octets.push_back(ntohl(sent.request.ipv4) & 0xFF);
  std::sort(octets.begin(), octets.end());
  std::vector<int> everyAddress(40);
  std::iota(everyAddress.begin(), everyAddress.end(), 1);
  EXPECT_EQ(octets, everyAddress);
  EXPECT_EQ(page.ResultState, psOk);
  EXPECT_EQ(Finished().size(), 1u);
}

using ShortOfSockets = ShortOfThreads;

// Hops whose open fails or throws: once every hop has tried for its socket,
// the run fails as a run short of threads does and says how many hops had
// none. It does so while the hops that have one are still held at their
// first echo, and runs no end-of-run action.
TEST_F(ShortOfSockets, AHopRunWhoseHopsCannotAllOpenASocketFailsAtOnceAndSaysHowMany) {
  const struct {
    Mode mode;
    int hops, refused;
    bool throws;
    std::string tab, missing;
  } rows[] = {
      {Mode::Traceroute, 3, 1, false, "Trace route", "1 of its 3 hops could not open an echo socket"},
      {Mode::PathPing, 3, 2, true, "Path ping", "2 of its 3 hops could not open an echo socket"},
      {Mode::Traceroute, 3, 3, true, "Trace route", "none of its 3 hops could open an echo socket"},
      {Mode::PathPing, 1, 1, false, "Path ping", "its hop could not open an echo socket"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.tab + " " + row.missing);
    told_.clear();
    ViewOf(row.mode) = RecordingView{};
    icmp_.refuse.clear();
    for (int k = 0; k < row.refused; ++k) icmp_.refuse.insert(icmp_.Opens() + k);
    icmp_.refuseThrows = row.throws;
    icmp_.gate.Close();
    TPingPage& page = AddPage(row.mode, "target4");
    page.Name = "short of sockets";
    page.Hops = row.hops;

    const std::vector<std::string> said = StartShort(row.mode, page, -1, true);
    const std::string failure =
        "the page \"short of sockets\" of the " + row.tab + " tab could not run: " + row.missing;
    // Every hop's row came first.
    const auto hops = Rows(row.mode, page);
    const auto rowsIn = [&](int state) {
      return std::count_if(hops.begin(), hops.end(),
                           [&](const THostResult* hop) { return hop->State == state; });
    };
    EXPECT_EQ(rowsIn(2), row.refused);             // "Error"
    EXPECT_EQ(rowsIn(1), row.hops - row.refused);  // "*"
    ASSERT_NO_FATAL_FAILURE(ExpectFailedAtOnce(row.mode, page, said, failure, [&] { icmp_.gate.Open(); }));
  }
}

}  // namespace
