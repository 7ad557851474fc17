#pragma once

// Sample pages and a byte builder shared by the page file tests. Expected
// file bytes are laid down here by hand at literal offsets, never through the
// encoder, so that a wrong offset in the codec cannot hide behind itself.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "pages/PageTypes.h"

namespace pagefiles_test {

struct ByteBuilder {
  std::string bytes;
  explicit ByteBuilder(std::size_t size) : bytes(size, '\0') {}
  void Le(std::size_t at, std::uint64_t value, int width) {
    for (int i = 0; i < width; ++i, value >>= 8) bytes.at(at + i) = static_cast<char>(value & 0xFF);
  }
  void Text(std::size_t at, std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) bytes.at(at + i) = text[i];
  }
};

inline std::string Header(std::int32_t version, std::int32_t count) {
  ByteBuilder b(8);
  b.Le(0, static_cast<std::uint32_t>(version), 4);
  b.Le(4, static_cast<std::uint32_t>(count), 4);
  return b.bytes;
}

inline TAutoTask Task(std::uint16_t year, std::uint8_t type, std::int32_t value, bool byMinutes) {
  TAutoTask t;
  t.Year = year;
  t.Month = 11;
  t.DayOfWeek = 4;
  t.Day = 27;
  t.Hour = 23;
  t.Minute = 59;
  t.Second = 58;
  t.Milliseconds = 999;
  t.Type = type;
  t.Value = value;
  t.ByMinutes = byMinutes;
  t.Fired = true;  // a saved latch; loading must clear it
  return t;
}

// One schedule entry as 28 bytes at `at`.
inline void PutTask(ByteBuilder& b, std::size_t at, const TAutoTask& t) {
  b.Le(at + 0, t.Year, 2);
  b.Le(at + 2, t.Month, 2);
  b.Le(at + 4, t.DayOfWeek, 2);
  b.Le(at + 6, t.Day, 2);
  b.Le(at + 8, t.Hour, 2);
  b.Le(at + 10, t.Minute, 2);
  b.Le(at + 12, t.Second, 2);
  b.Le(at + 14, t.Milliseconds, 2);
  b.Le(at + 16, t.Type, 1);
  b.Le(at + 20, static_cast<std::uint32_t>(t.Value), 4);
  b.Le(at + 24, t.ByMinutes, 1);
  b.Le(at + 25, t.Fired, 1);
}

// Every setting different from its default and from the others, so that a
// field read from a neighbour's offset shows.
template <class Page>
void FillCommon(Page& p) {
  p.Name = "Gateway \xC3\xA9";  // UTF-8 is kept byte for byte
  p.TimeOut = 1500;
  p.Retries = 123456;
  p.Minutes = 77;
  p.Delay = 250000;
  p.Bytes = 1472;
  p.ByMinutes = true;
  p.ResolveHostName = false;
  p.ShowReplys = true;
  p.TaskCount = 2;
  p.Tasks[0] = Task(2024, ttEveryWeek, 45, true);
  p.Tasks[1] = Task(2031, ttEveryMonth, 999999, false);
  p.StartOnStartup = true;
  p.StartEvery = false;
  p.StartSchedules = true;
  p.EveryMinutes = -3;  // never clamped, so a negative value must survive
  p.SaveResult = true;
  p.ResultWithReplys = false;
  p.ResultIpList = true;
  p.ResultFormat = 1;
  p.ExecuteProgram = true;
  p.HideWindow = true;
  p.ExecPath = "/usr/local/bin/notify-run";
  p.ExecParam = "--file \"%PATH\" --quiet";
}

inline TPingPage SamplePingPage() {
  TPingPage p;
  FillCommon(p);
  p.Host = "router.example.net";
  p.Ttl = 99;
  p.Hops = 17;
  p.PingForAllIp = true;
  return p;
}

inline TRangePingPage SampleRangePage() {
  TRangePingPage p;
  FillCommon(p);
  p.From = "10.20.30.1";
  p.To = "10.20.30.254";
  p.Threads = 250;
  return p;
}

// A Multi ping page whose hosts carry results of a run.
inline TPingPage SampleMultiPingPage() {
  TPingPage p = SamplePingPage();
  p.HostCount = 3;
  const char* names[] = {"alpha.example", "192.0.2.7", "gamma.example"};
  for (int i = 0; i < 3; ++i) {
    THostResult& h = p.Hosts[i];
    h.Reserved0 = 0x01020304u + static_cast<std::uint32_t>(i);
    h.State = static_cast<std::int16_t>(i);
    h.Reserved6 = i == 1 ? 0 : 1;
    h.Reserved7 = 5;
    h.Host = names[i];
    h.Address = "192.0.2.200";
    h.HostName = "resolved-" + std::to_string(i) + ".example";
    h.Ipv4 = 0xC0000207u;
    h.Ipv6[0] = 0x20;
    h.Ipv6[15] = static_cast<std::uint8_t>(i + 1);
    h.Sent = 1000u + static_cast<std::uint32_t>(i);
    h.Received = 900;
    h.Lost = 100;
    h.MinTime = 3;
    h.MaxTime = 250;
    h.AvgTime = 17;
    h.CurTime = 0xFFFF;
    h.AvgExact = 17.25;
    h.FirstReply = false;
  }
  return p;
}

// Every stored setting of a loaded page equals the saved one; the schedule's
// fired latches come back cleared.
template <class Page>
void ExpectSameSettings(const Page& loaded, const Page& saved) {
  EXPECT_EQ(loaded.Name, saved.Name);
  EXPECT_EQ(loaded.TimeOut, saved.TimeOut);
  EXPECT_EQ(loaded.Retries, saved.Retries);
  EXPECT_EQ(loaded.Minutes, saved.Minutes);
  EXPECT_EQ(loaded.Delay, saved.Delay);
  EXPECT_EQ(loaded.Bytes, saved.Bytes);
  EXPECT_EQ(loaded.ByMinutes, saved.ByMinutes);
  EXPECT_EQ(loaded.ResolveHostName, saved.ResolveHostName);
  EXPECT_EQ(loaded.ShowReplys, saved.ShowReplys);
  ASSERT_EQ(loaded.TaskCount, saved.TaskCount);
  for (int i = 0; i < saved.TaskCount; ++i) {
    TAutoTask expected = saved.Tasks[i];
    expected.Fired = false;
    EXPECT_EQ(loaded.Tasks[i], expected) << "task " << i;
  }
  EXPECT_EQ(loaded.StartOnStartup, saved.StartOnStartup);
  EXPECT_EQ(loaded.StartEvery, saved.StartEvery);
  EXPECT_EQ(loaded.StartSchedules, saved.StartSchedules);
  EXPECT_EQ(loaded.EveryMinutes, saved.EveryMinutes);
  EXPECT_EQ(loaded.SaveResult, saved.SaveResult);
  EXPECT_EQ(loaded.ResultWithReplys, saved.ResultWithReplys);
  EXPECT_EQ(loaded.ResultIpList, saved.ResultIpList);
  EXPECT_EQ(loaded.ResultFormat, saved.ResultFormat);
  EXPECT_EQ(loaded.ExecuteProgram, saved.ExecuteProgram);
  EXPECT_EQ(loaded.HideWindow, saved.HideWindow);
  EXPECT_EQ(loaded.ExecPath, saved.ExecPath);
  EXPECT_EQ(loaded.ExecParam, saved.ExecParam);
}

}  // namespace pagefiles_test
