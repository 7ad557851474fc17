#include "platform/Ipv4Text.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

namespace {

TEST(ParseIpv4Text, ReadsTheClassicFormsAndNothingElse) {
  EXPECT_EQ(ParseIpv4Text("10.0.0.1"), htonl(0x0A000001));
  EXPECT_EQ(ParseIpv4Text("10.1"), htonl(0x0A000001));       // the last part fills the rest
  EXPECT_EQ(ParseIpv4Text("127.1.300"), htonl(0x7F01012C));  // 300 fills two bytes
  EXPECT_EQ(ParseIpv4Text("0x7f.1"), htonl(0x7F000001));     // hexadecimal
  EXPECT_EQ(ParseIpv4Text("010.0.0.1"), htonl(0x08000001));  // octal
  EXPECT_EQ(ParseIpv4Text("255.255.255.255"), 0xFFFFFFFFu);  // read as itself
  EXPECT_EQ(ParseIpv4Text("0.0.0.0"), 0u);
  EXPECT_EQ(ParseIpv4Text("10.0.0.1 rest"), htonl(0x0A000001));  // a blank ends the address
  for (const char* text : {"", "localhost", "10.0.0.256", "1.2.3.4.5", "10.0.0.1x", "::1", "-1"})
    EXPECT_FALSE(ParseIpv4Text(text).has_value()) << text;
}

}  // namespace
