#include "pages/TextHelpers.h"

#include <gtest/gtest.h>

namespace {

TEST(TextHelpersTest, Ipv6Comparisons) {
  Ipv6Bytes loopback{};
  loopback[15] = 1;
  Ipv6Bytes copy = loopback;
  Ipv6Bytes zero{};
  EXPECT_TRUE(IsEqualIpv6(&loopback, &copy));
  EXPECT_FALSE(IsEqualIpv6(&loopback, &zero));
  EXPECT_FALSE(IsEqualIpv6(&loopback, nullptr));
  EXPECT_FALSE(IsEqualIpv6(nullptr, &loopback));
  EXPECT_FALSE(IsEqualIpv6(nullptr, nullptr));
  EXPECT_TRUE(IsNonZeroIpv6(&loopback));
  EXPECT_FALSE(IsNonZeroIpv6(&zero));
  EXPECT_FALSE(IsNonZeroIpv6(nullptr));
}

TEST(TextHelpersTest, AddressTexts) {
  Ipv6Bytes a{};
  a[15] = 1;
  EXPECT_EQ(Ipv6ToString(&a), "::1");
  EXPECT_EQ(Ipv6ToString(nullptr), "");
  Ipv6Bytes b{0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x2a};
  EXPECT_EQ(Ipv6ToString(&b), "2001:db8::2a");
  Ipv6Bytes mapped{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff, 192, 0, 2, 1};
  EXPECT_EQ(Ipv6ToString(&mapped), "::ffff:192.0.2.1");

  EXPECT_EQ(Ipv6LiteralName("fe80::1%4"), "fe80--1s4");
  EXPECT_EQ(Ipv6LiteralName("192.0.2.7"), "192.0.2.7");
  EXPECT_EQ(Ipv4ToString(0x0100007F), "127.0.0.1");  // network order in memory
}

TEST(TextHelpersTest, IntegerTexts) {
  EXPECT_EQ(IntToStrA(-5), "-5");
  EXPECT_EQ(IntToStrA(0), "0");
  EXPECT_EQ(IntToStrA(INT32_MIN), "-2147483648");
  EXPECT_EQ(ByteToStrA(300), "44");
  EXPECT_EQ(ByteToStrA(255), "255");
}

TEST(TextHelpersTest, CutNeverSplitsACharacter) {
  EXPECT_EQ(CutUtf8("abc", 5), "abc");
  EXPECT_EQ(CutUtf8("abcdef", 3), "abc");
  EXPECT_EQ(CutUtf8("ab\xE2\x82\xAC", 4), "ab");  // euro sign needs three bytes
  EXPECT_EQ(CutUtf8("ab\xE2\x82\xAC", 5), "ab\xE2\x82\xAC");
  EXPECT_EQ(CutUtf8("\xF0\x9F\x98\x80x", 3), "");
  EXPECT_TRUE(EqualsIgnoreCase("Host.Example", "host.EXAMPLE"));
  EXPECT_FALSE(EqualsIgnoreCase("host1", "host2"));
  EXPECT_FALSE(EqualsIgnoreCase("host", "hosts"));
}

}  // namespace
