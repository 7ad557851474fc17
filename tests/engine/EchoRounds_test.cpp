// How a worker's settings are clamped and how an echo's outcome becomes the
// result handed to its row.
#include "engine/EchoRounds.h"

#include <gtest/gtest.h>

#include "engine/RunLifecycle.h"
#include "support/TestNetwork.h"

namespace {

TEST(EchoRunSettings, ValuesOutsideTheirRangesAreClamped) {
  EchoRunSettings low;
  low.Retries = 0;
  low.Minutes = -4;
  low.TimeOut = 5;
  low.Delay = -1;
  low.Bytes = -1;
  low.Ttl = 0;
  const EchoRunSettings a = low.Clamped();
  EXPECT_EQ(a.Retries, 1);
  EXPECT_EQ(a.Minutes, 1);
  EXPECT_EQ(a.TimeOut, 100);
  EXPECT_EQ(a.Delay, 0);
  EXPECT_EQ(a.Bytes, 0);
  EXPECT_EQ(a.Ttl, 1);

  EchoRunSettings high;
  high.Retries = 2'000'000'000;
  high.Minutes = 100'000;
  high.TimeOut = 70'000;
  high.Delay = 2'000'000'000;
  high.Bytes = 70'000;
  high.Ttl = 300;
  const EchoRunSettings b = high.Clamped();
  EXPECT_EQ(b.Retries, 999'999'999);
  EXPECT_EQ(b.Minutes, 60'000);
  EXPECT_EQ(b.TimeOut, 60'000);
  EXPECT_EQ(b.Delay, 999'999'999);
  EXPECT_EQ(b.Bytes, 65'500);
  EXPECT_EQ(b.Ttl, 255);
}

TEST(EchoRunSettings, ATaskReplacesCountAndModeForOneRunOnly) {
  TPingPage page;
  page.Retries = 7;
  page.Minutes = 3;
  page.Ttl = 0;
  EXPECT_EQ(RunSettingsOfPage(page, nullptr).Retries, 7);
  EXPECT_EQ(RunSettingsOfPage(page, nullptr).Ttl, 1);
  const TaskRunValues task{0, 100'000, true};
  const EchoRunSettings settings = RunSettingsOfPage(page, &task);
  EXPECT_EQ(settings.Retries, 1);
  EXPECT_EQ(settings.Minutes, 60'000);
  EXPECT_TRUE(settings.ByMinutes);
  const TaskRunValues many{5'000'000, 1, false};
  EXPECT_EQ(RunSettingsOfPage(page, &many).Retries, 999'999);
  EXPECT_EQ(page.Retries, 7);
}

TEST(ToReplyResult, RepliesAndExpiredTtlsCarryTheirFieldsEverythingElseIsATimeout) {
  IcmpEchoResult reply;
  reply.status = EchoStatus::Success;
  reply.replyIpv4 = Ipv4Of("127.0.0.1");
  reply.roundTripMs = 12;
  reply.dataSize = 32;
  reply.replyTtl = 64;
  const EchoResult first = ToReplyResult(reply, {});
  EXPECT_EQ(first.Status, rsSuccess);
  EXPECT_EQ(first.ReplyIpv4, Ipv4Of("127.0.0.1"));
  EXPECT_EQ(first.ReplyTime, 12u);
  EXPECT_EQ(first.ReplyBytes, 32u);
  EXPECT_EQ(first.ReplyTtl, 64u);

  // Lost echoes keep what the last answer left.
  for (EchoStatus lost : {EchoStatus::TimedOut, EchoStatus::OtherStatus, EchoStatus::SendFailed}) {
    IcmpEchoResult echo;
    echo.status = lost;
    const EchoResult result = ToReplyResult(echo, first);
    EXPECT_EQ(result.Status, rsTimeout);
    EXPECT_EQ(result.ReplyIpv4, first.ReplyIpv4);
    EXPECT_EQ(result.ReplyTime, 12u);
  }

  IcmpEchoResult expired;
  expired.status = EchoStatus::TtlExpired;
  expired.replyIpv6 = Ipv6Of("fd00::9");
  expired.roundTripMs = 3;
  const EchoResult router = ToReplyResult(expired, first);
  EXPECT_EQ(router.Status, rsTtlExpired);
  EXPECT_EQ(router.ReplyIpv4, 0u);
  EXPECT_EQ(router.ReplyIpv6, Ipv6Of("fd00::9"));
  EXPECT_EQ(router.ReplyBytes, 0u);
  EXPECT_EQ(router.ReplyTtl, 0u);
  EXPECT_EQ(router.ReplyTime, 3u);
}

TEST(MakeEchoRequest, TheFamilyFollowsTheIpv4Address) {
  EchoRunSettings settings;
  settings.Bytes = 0;
  settings.Ttl = 7;
  settings.TimeOut = 250;
  const EchoRequest v4 = MakeEchoRequest(Ipv4Of("10.0.0.1"), Ipv6Of("fd00::1"), settings);
  EXPECT_EQ(v4.family, IpFamily::V4);
  EXPECT_EQ(v4.ipv6, Ipv6Octets{});
  EXPECT_EQ(v4.bytes, 0);
  EXPECT_EQ(v4.ttl, 7);
  EXPECT_EQ(v4.timeoutMs, 250);
  const EchoRequest v6 = MakeEchoRequest(0, Ipv6Of("fd00::1"), settings);
  EXPECT_EQ(v6.family, IpFamily::V6);
  EXPECT_EQ(v6.ipv6, Ipv6Of("fd00::1"));
}

}  // namespace
