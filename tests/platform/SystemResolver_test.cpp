// The system resolver on what needs no name server: literals, the host file's
// localhost, and unknown names asked from an empty network namespace.
#include "platform/SystemResolver.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sched.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace {

ResolvedAddress Address(const char* text) {
  ResolvedAddress a{IpFamily::V4, 0, {}};
  if (inet_pton(AF_INET, text, &a.ipv4) != 1)
    a.family = IpFamily::V6, inet_pton(AF_INET6, text, a.ipv6.data());
  return a;
}
bool Same(const ResolvedAddress& a, const ResolvedAddress& b) {
  return a.family == b.family && a.ipv4 == b.ipv4 && a.ipv6 == b.ipv6;
}

TEST(SystemResolverTest, LiteralsAndLocalhostResolveOnceEachAndBack) {
  SystemResolver resolver;
  const auto v4 = resolver.LookupHost("127.0.0.1"), v6 = resolver.LookupHost("::1");
  ASSERT_TRUE(v4.size() == 1 && v6.size() == 1) << "one answer per address, not one per socket type";
  EXPECT_TRUE(Same(v4[0], Address("127.0.0.1")) && Same(v6[0], Address("::1")));
  const auto local = resolver.LookupHost("localhost");
  EXPECT_TRUE(std::any_of(local.begin(), local.end(), [](auto& a) { return Same(a, Address("127.0.0.1")); }));
  EXPECT_TRUE(resolver.LookupHost("").empty());
  EXPECT_EQ(resolver.NameOfAddress(Address("127.0.0.1")), "localhost");
  // The re-entrant host-by-address call from many threads at once.
  std::atomic<int> right{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 16; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 50; ++i)
        right += SystemResolver().HostByAddress(Address("127.0.0.1").ipv4) == "localhost";
    });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(right, 16 * 50);
}

TEST(SystemResolverTest, UnknownNamesAndAddressesWithoutANameServer) {
  std::thread([] {
    ASSERT_EQ(::unshare(CLONE_NEWNET), 0) << "tests run as root";  // for this thread only
    SystemResolver resolver;
    EXPECT_TRUE(resolver.LookupHost("no-such-host.invalid").empty());
    // Without a name, name information gives the numeric text, or fails when
    // no name server can be reached at all.
    const auto v4 = resolver.NameOfAddress(Address("10.1.2.3")),
               v6 = resolver.NameOfAddress(Address("fd00::1"));
    EXPECT_TRUE(!v4 || *v4 == "10.1.2.3") << *v4;
    EXPECT_TRUE(!v6 || *v6 == "fd00::1") << *v6;
    EXPECT_EQ(resolver.HostByAddress(Address("10.1.2.3").ipv4), std::nullopt);
  }).join();
}

}  // namespace
