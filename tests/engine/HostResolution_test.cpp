// How a host text becomes the addresses a run pings and how a pinged
// address gets its name, against a resolver that answers from tables; and
// the lookup thread that puts the name into its row.
#include "engine/HostResolution.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "RunFixture.h"
#include "engine/ResolveHostThread.h"
#include "pages/TextHelpers.h"
#include "support/TestNetwork.h"

namespace {

TEST(HostResolution, TheOptionsDecideWhichAddressesAreKeptOrWhyNone) {
  FakeResolver resolver;
  resolver.hosts["mixed"] = {V6("fd00::1"),  V4("10.0.0.1"), V4("0.0.0.0"),
                             V4("10.0.0.2"), V6("::"),       V6("fd00::2")};
  resolver.hosts["v4"] = {V4("192.0.2.1")};
  resolver.hosts["v6"] = {V6("2001:db8::1")};
  resolver.hosts["zero"] = {V4("0.0.0.0"), V6("::")};
  struct Case {
    const char* host;
    FamilyOptions options;  // IpVersion (0 both, 1 IPv4, 2 IPv6), IpPriority (1 IPv6)
    TPageResultState state;
    std::size_t ipv4, ipv6;  // kept with all addresses pinged
    const char* single;      // the one target otherwise
  };
  const Case cases[] = {
      {"mixed", {0, 0}, psOk, 2, 2, "10.0.0.1"},     {"mixed", {0, 1}, psOk, 2, 2, "fd00::1"},
      {"mixed", {1, 0}, psOk, 2, 0, "10.0.0.1"},     {"mixed", {2, 0}, psOk, 0, 2, "fd00::1"},
      {"mixed", {1, 1}, psOk, 2, 0, "10.0.0.1"},     {"v6", {0, 0}, psOk, 0, 1, "2001:db8::1"},
      {"v4", {2, 0}, psNoIpv6Address, 0, 0, ""},     {"v6", {1, 0}, psNoIpv4Address, 0, 0, ""},
      {"nowhere", {2, 0}, psHostNotFound, 0, 0, ""}, {"zero", {0, 0}, psHostNotFound, 0, 0, ""},
      {"", {0, 0}, psHostNotFound, 0, 0, ""},        {"v4", {7, 0}, psHostNotFound, 0, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.host << ' ' << +c.options.IpVersion << +c.options.IpPriority);
    const HostAddressList all = ResolveHostAddresses(resolver, c.host, true, c.options);
    EXPECT_EQ(all.ResolveStatus, c.state);
    EXPECT_EQ(all.Ipv4List.size(), c.ipv4);
    EXPECT_EQ(all.Ipv6List.size(), c.ipv6);
    const HostAddressList one = ResolveHostAddresses(resolver, c.host, false, c.options);
    EXPECT_EQ(one.Ipv4List.size() + one.Ipv6List.size(), c.state == psOk ? 1u : 0u);
    const SingleTarget single = ResolveSingleTarget(resolver, c.host, c.options);
    EXPECT_EQ(single.ResolveStatus, c.state);
    EXPECT_EQ(single.Ipv4 != 0  ? Ipv4ToString(single.Ipv4)
              : c.state == psOk ? Ipv6ToString(&single.Ipv6)
                                : "",
              c.single);
  }
}

TEST(HostResolution, AReverseNameIsNoNumericTextAndIpv4AsksTheDatabaseToo) {
  FakeResolver resolver;
  resolver.names["192.0.2.1"] = "router.example";
  resolver.database[Ipv4Of("192.0.2.2")] = "db.example";
  resolver.names["2001:db8::1"] = "six.example";
  EXPECT_EQ(ReverseLookupName(resolver, Ipv4Of("192.0.2.1"), {}), "router.example");
  EXPECT_EQ(resolver.databaseQueries, 0);
  EXPECT_EQ(ReverseLookupName(resolver, Ipv4Of("192.0.2.2"), {}), "db.example");
  EXPECT_EQ(ReverseLookupName(resolver, Ipv4Of("192.0.2.3"), {}), std::nullopt);
  EXPECT_EQ(ReverseLookupName(resolver, 0, Ipv6Of("2001:db8::1")), "six.example");
  EXPECT_EQ(ReverseLookupName(resolver, 0, Ipv6Of("2001:db8::2")), std::nullopt);
  EXPECT_EQ(resolver.databaseQueries, 2);  // no second way for IPv6
}

// One lookup to its end, its hand-off served.
void Lookup(Mode mode, RunStamp stamp, int slot) {
  auto thread = ResolveHostThread::Start(stamp, mode, slot, Ipv4Of("10.0.0.7"), {});
  ASSERT_NE(thread, nullptr);
  SpinUntil([] { return RunThread::RunningThreads() == 0; });
  ResolveHostThread::Finish(thread);
}

using LookupThread = RunFixture;

TEST_F(LookupThread, TheNameGoesCutToItsRowOfItsRunsPageOnly) {
  resolver_.names["10.0.0.7"] = std::string(100, 'n');
  for (Mode mode : {Mode::Ping, Mode::PathPing}) AddPage(mode, "").HostCount = 3;
  Lookup(Mode::PathPing, {0, 0}, 2);
  EXPECT_EQ(PathPingRegistry.Pages[0]->Hosts[2].HostName, std::string(96, 'n'));
  Lookup(Mode::Ping, {0, 1}, 0);    // another run
  Lookup(Mode::Ping, {0, 0}, 500);  // clamped to row 127, beyond the three rows
  // A lookup still running when its worker finishes it: Finish waits for it, the name is dropped.
  resolver_.gate.Close();
  auto thread = ResolveHostThread::Start({0, 0}, Mode::Ping, 0, Ipv4Of("10.0.0.7"), {});
  ASSERT_TRUE(resolver_.gate.WaitHeld(1));
  std::atomic<int> step{0};
  std::thread worker([&] {
    thread->Terminate();
    step = 1;
    ResolveHostThread::Finish(thread);
    step = 2;
  });
  EXPECT_TRUE(SpinUntil([&] { return step == 1; }));
  resolver_.gate.Open();
  EXPECT_TRUE(SpinUntil([&] { return step == 2; }));  // serving whatever the lookup hands over
  worker.join();
  for (const THostResult& host : PingRegistry.Pages[0]->Hosts) EXPECT_EQ(host.HostName, "");
}

}  // namespace
