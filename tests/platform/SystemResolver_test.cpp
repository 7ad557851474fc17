// The system resolver against what needs no DNS: address literals, the
// host file's localhost entry, and unknown names looked up inside an empty
// namespace, from which no query can leave the machine.
#include "platform/SystemResolver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "support/TestNetwork.h"

namespace {

ResolvedAddress V4(const char* text) { return {IpFamily::V4, Ipv4Of(text), {}}; }
ResolvedAddress V6(const char* text) { return {IpFamily::V6, 0, Ipv6Of(text)}; }

bool Same(const ResolvedAddress& a, const ResolvedAddress& b) {
  return a.family == b.family && a.ipv4 == b.ipv4 && a.ipv6 == b.ipv6;
}

TEST(SystemResolverTest, AddressLiteralsAndLocalhostResolveToOneAddressEach) {
  SystemResolver resolver;
  auto v4 = resolver.LookupHost("127.0.0.1");
  ASSERT_EQ(v4.size(), 1u);  // a stream socket over TCP: one answer per address
  EXPECT_TRUE(Same(v4[0], V4("127.0.0.1")));
  auto v6 = resolver.LookupHost("::1");
  ASSERT_EQ(v6.size(), 1u);
  EXPECT_TRUE(Same(v6[0], V6("::1")));
  auto local = resolver.LookupHost("localhost");
  ASSERT_FALSE(local.empty());
  bool hasLoopback = false;
  for (const auto& address : local) hasLoopback = hasLoopback || Same(address, V4("127.0.0.1"));
  EXPECT_TRUE(hasLoopback);
  EXPECT_TRUE(resolver.LookupHost("").empty());
}

TEST(SystemResolverTest, ReverseLookupOfLoopbackFindsTheHostFileName) {
  SystemResolver resolver;
  EXPECT_EQ(resolver.NameOfAddress(V4("127.0.0.1")), "localhost");
  EXPECT_EQ(resolver.HostByAddress(Ipv4Of("127.0.0.1")), "localhost");
  // The re-entrant host-by-address call from many threads at once.
  std::atomic<int> right{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 16; ++t)
    threads.emplace_back([&] {
      SystemResolver own;
      for (int i = 0; i < 50; ++i)
        if (own.HostByAddress(Ipv4Of("127.0.0.1")) == "localhost") ++right;
    });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(right, 16 * 50);
}

TEST(SystemResolverTest, UnknownNamesAndAddressesInAnIsolatedNamespace) {
  if (const std::string why = TestNetwork::Unavailable(); !why.empty()) GTEST_SKIP() << why;
  TestNetwork network;
  const std::string ns = network.AddNamespace("nodns");
  ASSERT_FALSE(ns.empty());
  NetnsScope inside(ns);
  ASSERT_TRUE(inside.ok());
  SystemResolver resolver;
  EXPECT_TRUE(resolver.LookupHost("no-such-host.invalid").empty());
  // Name information knows no name: it answers with the numeric text, or,
  // when the name server cannot be reached at all, fails.
  const auto v4 = resolver.NameOfAddress(V4("10.1.2.3"));
  EXPECT_TRUE(!v4 || *v4 == "10.1.2.3") << v4.value_or("(none)");
  const auto v6 = resolver.NameOfAddress(V6("fd00::1234"));
  EXPECT_TRUE(!v6 || *v6 == "fd00::1234") << v6.value_or("(none)");
  EXPECT_EQ(resolver.HostByAddress(Ipv4Of("10.1.2.3")), std::nullopt);
}

}  // namespace
