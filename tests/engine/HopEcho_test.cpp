// The pieces under the hop workers: settings, answers and waits.
#include "engine/HopEcho.h"

#include <gtest/gtest.h>

#include "EngineTestSupport.h"

namespace {

TEST(HopSettings, ThePageOrATaskGivesTheSettingsWithinTheirRanges) {
  TPingPage page;
  page.Retries = 0;
  page.Minutes = 70'000;
  page.TimeOut = 70'000;
  page.Delay = -5;
  page.Bytes = 70'000;
  page.Hops = 500;
  HopRunSettings settings = HopSettingsOfPage(page, nullptr);
  EXPECT_EQ(settings.Retries, 1);
  EXPECT_EQ(settings.Minutes, 60'000);
  EXPECT_EQ(settings.TimeOut, 60'000);
  EXPECT_EQ(settings.Delay, 0);
  EXPECT_EQ(settings.Bytes, 65'500);
  EXPECT_EQ(settings.Hops, 128);

  page.Retries = 2'000'000;
  page.Hops = 0;
  EXPECT_EQ(HopSettingsOfPage(page, nullptr).Retries, 999'999);
  EXPECT_EQ(HopSettingsOfPage(page, nullptr).Hops, 1);

  const TaskRunValues task{7, 3, true};
  settings = HopSettingsOfPage(page, &task);
  EXPECT_EQ(settings.Retries, 7);
  EXPECT_EQ(settings.Minutes, 3);
  EXPECT_TRUE(settings.ByMinutes);
  EXPECT_EQ(page.Retries, 2'000'000);  // the page keeps its own
}

TEST(HopAnswers, AnExpiredTtlIsTheHopsAnswerAndALossKeepsTheLastFields) {
  IcmpEchoResult expired;
  expired.status = EchoStatus::TtlExpired;
  expired.replyIpv4 = 0x0102000A;
  expired.replyIpv6[0] = 0xFD;  // stray bytes of an IPv4 answer are not kept
  expired.roundTripMs = 12;
  expired.replyTtl = 63;
  ASSERT_TRUE(NamesAnAddress(expired));
  const EchoResult answer = AnswerOf(expired);
  EXPECT_EQ(answer.Status, rsSuccess);
  EXPECT_EQ(answer.ReplyIpv4, 0x0102000Au);
  EXPECT_EQ(answer.ReplyIpv6, Ipv6Octets{});
  EXPECT_EQ(answer.ReplyTime, 12u);
  EXPECT_EQ(answer.ReplyTtl, 63u);
  EXPECT_EQ(AnswerAddressText(answer), "10.0.2.1");

  const EchoResult lost = LostAfter(answer);
  EXPECT_EQ(lost.Status, rsTimeout);
  EXPECT_EQ(lost.ReplyIpv4, answer.ReplyIpv4);
  EXPECT_EQ(lost.ReplyTime, answer.ReplyTime);

  for (EchoStatus status : {EchoStatus::OtherStatus, EchoStatus::TimedOut, EchoStatus::SendFailed}) {
    IcmpEchoResult echo;
    echo.status = status;
    EXPECT_FALSE(NamesAnAddress(echo));
  }

  EchoResult v6;
  v6.ReplyIpv6 = {0xFD, 0, 0, 9, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
  EXPECT_EQ(AnswerAddressText(v6), "fd00:9:1::1");
}

TEST(HopWaits, ADelayCountsFromTheSendAndAStopEndsIt) {
  EnsureTestApplication();
  LambdaThread idle([](LambdaThread&) {});

  // An echo that took longer than the delay is not waited for.
  auto start = std::chrono::steady_clock::now();
  WaitSince(idle, start - std::chrono::milliseconds(80), 50);
  EXPECT_LT(MillisecondsSince(start), 20);

  start = std::chrono::steady_clock::now();
  WaitSince(idle, start, 50);
  EXPECT_GT(MillisecondsSince(start), 50);
  EXPECT_LT(MillisecondsSince(start), 500);

  idle.Terminate();
  start = std::chrono::steady_clock::now();
  WaitSince(idle, start, 60'000);
  EXPECT_LT(MillisecondsSince(start), 20);
}

TEST(HopRounds, ByCountTheRetriesByMinutesTheClockEvenForTheLongestRun) {
  HopRunSettings settings;
  settings.Retries = 3;
  const RoundLimit byCount(settings);
  EXPECT_TRUE(byCount.Allows(2));
  EXPECT_FALSE(byCount.Allows(3));

  // 60,000 minutes are 3.6e9 ms, beyond 32 bits: the run must not end at once.
  settings.ByMinutes = true;
  settings.Minutes = 60'000;
  const RoundLimit byMinutes(settings.Clamped());
  EXPECT_TRUE(byMinutes.Allows(1'000'000'000));
}

}  // namespace
