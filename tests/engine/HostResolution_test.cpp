// The resolution rules against a resolver that answers from a table, so no
// lookup ever reaches DNS.
#include "engine/HostResolution.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <map>

#include "pages/Settings.h"

namespace {

std::uint32_t V4(const std::string& text) {
  in_addr a{};
  inet_pton(AF_INET, text.c_str(), &a);
  return a.s_addr;
}

Ipv6Octets V6(const std::string& text) {
  Ipv6Octets a{};
  inet_pton(AF_INET6, text.c_str(), a.data());
  return a;
}

ResolvedAddress A4(const std::string& text) { return {IpFamily::V4, V4(text), {}}; }
ResolvedAddress A6(const std::string& text) { return {IpFamily::V6, 0, V6(text)}; }

class TableResolver : public NameResolver {
 public:
  std::map<std::string, std::vector<ResolvedAddress>> hosts;
  std::map<std::string, std::string> names;       // numeric text -> what name information says
  std::map<std::uint32_t, std::string> database;  // the host-by-address answers
  int lookups = 0;
  int databaseQueries = 0;

  std::vector<ResolvedAddress> LookupHost(const std::string& host) override {
    ++lookups;
    auto it = hosts.find(host);
    return it == hosts.end() ? std::vector<ResolvedAddress>{} : it->second;
  }
  std::optional<std::string> NameOfAddress(const ResolvedAddress& address) override {
    char text[64] = {};
    if (address.family == IpFamily::V4)
      inet_ntop(AF_INET, &address.ipv4, text, sizeof text);
    else
      inet_ntop(AF_INET6, address.ipv6.data(), text, sizeof text);
    auto it = names.find(text);
    if (it == names.end()) return std::nullopt;
    return it->second;
  }
  std::optional<std::string> HostByAddress(std::uint32_t ipv4) override {
    ++databaseQueries;
    auto it = database.find(ipv4);
    if (it == database.end()) return std::nullopt;
    return it->second;
  }
};

constexpr FamilyOptions kBoth{0, 0};
constexpr FamilyOptions kBothPreferV6{0, 1};
constexpr FamilyOptions kV4Only{1, 0};
constexpr FamilyOptions kV6Only{2, 0};

class HostResolutionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resolver.hosts["five-and-two"] = {A4("10.0.0.1"), A6("fd00::1"),  A4("10.0.0.2"), A4("10.0.0.3"),
                                      A6("fd00::2"),  A4("10.0.0.4"), A4("10.0.0.5")};
    resolver.hosts["v4"] = {A4("192.0.2.1"), A4("192.0.2.2")};
    resolver.hosts["v6"] = {A6("2001:db8::1"), A6("2001:db8::2")};
  }
  TableResolver resolver;
};

TEST_F(HostResolutionTest, AnEmptyHostIsNotFoundWithoutAnyLookup) {
  EXPECT_EQ(ResolveHostAddresses(resolver, "", true, kBoth).ResolveStatus, psHostNotFound);
  EXPECT_EQ(ResolveSingleTarget(resolver, "", kBoth).ResolveStatus, psHostNotFound);
  EXPECT_EQ(resolver.lookups, 0);
}

TEST_F(HostResolutionTest, OneAddressByPriorityOrAllOfThemIpv4First) {
  HostAddressList one = ResolveHostAddresses(resolver, "five-and-two", false, kBoth);
  EXPECT_EQ(one.ResolveStatus, psOk);
  EXPECT_EQ(one.Ipv4List, std::vector<std::uint32_t>{V4("10.0.0.1")});
  EXPECT_TRUE(one.Ipv6List.empty());

  one = ResolveHostAddresses(resolver, "five-and-two", false, kBothPreferV6);
  EXPECT_TRUE(one.Ipv4List.empty());
  EXPECT_EQ(one.Ipv6List, std::vector<Ipv6Octets>{V6("fd00::1")});

  for (FamilyOptions options : {kBoth, kBothPreferV6}) {  // the priority has no say over all addresses
    const HostAddressList all = ResolveHostAddresses(resolver, "five-and-two", true, options);
    EXPECT_EQ(all.Ipv4List, (std::vector<std::uint32_t>{V4("10.0.0.1"), V4("10.0.0.2"), V4("10.0.0.3"),
                                                        V4("10.0.0.4"), V4("10.0.0.5")}));
    EXPECT_EQ(all.Ipv6List, (std::vector<Ipv6Octets>{V6("fd00::1"), V6("fd00::2")}));
  }
}

TEST_F(HostResolutionTest, TheIpVersionOptionDecidesWhatIsAcceptedAndKept) {
  struct Case {
    const char* host;
    FamilyOptions options;
    TPageResultState state;
    std::size_t ipv4, ipv6;  // addresses kept with all addresses pinged
  };
  const Case cases[] = {
      {"five-and-two", kBoth, psOk, 5, 2},        {"five-and-two", kV4Only, psOk, 5, 0},
      {"five-and-two", kV6Only, psOk, 0, 2},      {"v4", kV6Only, psNoIpv6Address, 0, 0},
      {"v6", kV4Only, psNoIpv4Address, 0, 0},     {"v6", kBoth, psOk, 0, 2},
      {"nowhere", kBoth, psHostNotFound, 0, 0},   {"nowhere", kV4Only, psHostNotFound, 0, 0},
      {"nowhere", kV6Only, psHostNotFound, 0, 0}, {"v4", FamilyOptions{7, 0}, psHostNotFound, 0, 0},
  };
  for (const Case& c : cases) {
    const HostAddressList all = ResolveHostAddresses(resolver, c.host, true, c.options);
    EXPECT_EQ(all.ResolveStatus, c.state) << c.host << " " << int(c.options.IpVersion);
    EXPECT_EQ(all.Ipv4List.size(), c.ipv4) << c.host << " " << int(c.options.IpVersion);
    EXPECT_EQ(all.Ipv6List.size(), c.ipv6) << c.host << " " << int(c.options.IpVersion);
    const SingleTarget single = ResolveSingleTarget(resolver, c.host, c.options);
    EXPECT_EQ(single.ResolveStatus, c.state) << c.host << " " << int(c.options.IpVersion);
  }
}

TEST_F(HostResolutionTest, AtMost128RowsFilledWithIpv4First) {
  std::vector<ResolvedAddress> many;
  for (int i = 0; i < 200; ++i) many.push_back(A6("fd00::" + std::to_string(i + 1)));
  for (int i = 0; i < 100; ++i)
    many.push_back(A4("10.1." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1)));
  resolver.hosts["many"] = many;
  HostAddressList all = ResolveHostAddresses(resolver, "many", true, kBoth);
  EXPECT_EQ(all.Ipv4List.size(), 100u);
  EXPECT_EQ(all.Ipv6List.size(), 28u);
  EXPECT_EQ(all.Ipv6List.back(), V6("fd00::28"));  // the 28th in list order

  all = ResolveHostAddresses(resolver, "many", true, kV6Only);
  EXPECT_EQ(all.Ipv6List.size(), 128u);
  for (int i = 0; i < 200; ++i)
    many.push_back(A4("10.2." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1)));
  resolver.hosts["many"] = many;
  all = ResolveHostAddresses(resolver, "many", true, kV4Only);
  EXPECT_EQ(all.Ipv4List.size(), 128u);
  EXPECT_EQ(all.Ipv4List.front(), V4("10.1.0.1"));
}

TEST_F(HostResolutionTest, UnspecifiedAddressesAreNeverTargets) {
  resolver.hosts["zero"] = {A4("0.0.0.0"), A6("::")};
  EXPECT_EQ(ResolveHostAddresses(resolver, "zero", true, kBoth).ResolveStatus, psHostNotFound);
  EXPECT_EQ(ResolveSingleTarget(resolver, "zero", kBoth).ResolveStatus, psHostNotFound);
  resolver.hosts["mixed"] = {A4("0.0.0.0"), A6("::"), A6("fd00::7"), A4("10.0.0.7")};
  const HostAddressList all = ResolveHostAddresses(resolver, "mixed", true, kBoth);
  EXPECT_EQ(all.Ipv4List, std::vector<std::uint32_t>{V4("10.0.0.7")});
  EXPECT_EQ(all.Ipv6List, std::vector<Ipv6Octets>{V6("fd00::7")});
  const SingleTarget single = ResolveSingleTarget(resolver, "mixed", kBothPreferV6);
  EXPECT_EQ(single.Ipv6, V6("fd00::7"));
}

TEST_F(HostResolutionTest, ASingleTargetIsTheFirstOfItsFamilyChosenByTheOptions) {
  SingleTarget target = ResolveSingleTarget(resolver, "five-and-two", kBoth);
  EXPECT_EQ(target.ResolveStatus, psOk);
  EXPECT_EQ(target.Ipv4, V4("10.0.0.1"));
  EXPECT_EQ(target.Ipv6, Ipv6Octets{});
  target = ResolveSingleTarget(resolver, "five-and-two", kBothPreferV6);
  EXPECT_EQ(target.Ipv4, 0u);
  EXPECT_EQ(target.Ipv6, V6("fd00::1"));
  target =
      ResolveSingleTarget(resolver, "five-and-two", FamilyOptions{1, 1});  // IPv4 only outranks the priority
  EXPECT_EQ(target.Ipv4, V4("10.0.0.1"));
  EXPECT_EQ(target.Ipv6, Ipv6Octets{});
  target = ResolveSingleTarget(resolver, "v6", kBoth);  // the priority only chooses between two
  EXPECT_EQ(target.Ipv6, V6("2001:db8::1"));
  target = ResolveSingleTarget(resolver, "v4", kV6Only);
  EXPECT_EQ(target.ResolveStatus, psNoIpv6Address);
  EXPECT_EQ(target.Ipv4, 0u);
}

TEST_F(HostResolutionTest, TheRulesReadTheProgramOptions) {
  GlobalOptions.IpVersion = 2;
  GlobalOptions.IpPriority = 1;
  const FamilyOptions options = CurrentFamilyOptions();
  EXPECT_EQ(options.IpVersion, 2);
  EXPECT_EQ(options.IpPriority, 1);
  ResetOptions();
  EXPECT_EQ(CurrentFamilyOptions().IpVersion, 0);
}

TEST_F(HostResolutionTest, ReverseLookupIgnoresTheNumericTextAndAsksTheDatabaseForIpv4Only) {
  resolver.names["192.0.2.1"] = "router.example";
  resolver.names["192.0.2.2"] = "192.0.2.2";
  resolver.database[V4("192.0.2.2")] = "db.example";
  resolver.names["2001:db8::1"] = "six.example";
  resolver.names["2001:db8::2"] = "2001:db8::2";

  EXPECT_EQ(ReverseLookupName(resolver, V4("192.0.2.1"), {}), "router.example");
  EXPECT_EQ(resolver.databaseQueries, 0);
  EXPECT_EQ(ReverseLookupName(resolver, V4("192.0.2.2"), {}), "db.example");
  EXPECT_EQ(ReverseLookupName(resolver, V4("192.0.2.3"), {}), std::nullopt);  // both ways fail
  EXPECT_EQ(resolver.databaseQueries, 2);

  EXPECT_EQ(ReverseLookupName(resolver, 0, V6("2001:db8::1")), "six.example");
  EXPECT_EQ(ReverseLookupName(resolver, 0, V6("2001:db8::2")), std::nullopt);
  EXPECT_EQ(ReverseLookupName(resolver, 0, V6("2001:db8::3")), std::nullopt);
  EXPECT_EQ(resolver.databaseQueries, 2);  // no second way for IPv6
}

}  // namespace
