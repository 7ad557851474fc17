// The record layouts of the page files, checked in both directions against
// bytes laid down by hand at the offsets of the file format.

#include "pages/PageFileCodec.h"

#include <gtest/gtest.h>

#include "PageFileSamples.h"
#include "pages/PageOperations.h"

namespace {

using namespace pagefiles_test;

// Offset of the first differing byte, or -1; a plain string comparison of
// 69 KB records would bury the one byte that matters.
long FirstDifference(const std::string& a, const std::string& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i)
    if (a[i] != b[i]) return static_cast<long>(i);
  return a.size() == b.size() ? -1 : static_cast<long>(n);
}

// The automation block of both layouts, which differ only by where it starts.
template <class Page>
void PutAutomation(ByteBuilder& b, std::size_t shift, const Page& p) {
  PutTask(b, 232 - shift, p.Tasks[0]);
  PutTask(b, 260 - shift, p.Tasks[1]);
  b.Le(3032 - shift, 2, 4);
  b.Le(3036 - shift, p.StartOnStartup, 1);
  b.Le(3037 - shift, p.StartEvery, 1);
  b.Le(3038 - shift, p.StartSchedules, 1);
  b.Le(3040 - shift, static_cast<std::uint32_t>(p.EveryMinutes), 4);
  b.Le(3044 - shift, p.SaveResult, 1);
  b.Le(3045 - shift, p.ResultWithReplys, 1);
  b.Le(3046 - shift, p.ResultIpList, 1);
  b.Le(3048 - shift, static_cast<std::uint32_t>(p.ResultFormat), 4);
  b.Le(3052 - shift, p.ExecuteProgram, 1);
  b.Le(3053 - shift, p.HideWindow, 1);
  b.Text(3054 - shift, p.ExecPath);
  b.Text(3354 - shift, p.ExecParam);
}

template <class Page>
ByteBuilder SingleRecordHead(const Page& p) {
  ByteBuilder b(3656);
  b.Text(0, p.Name);
  b.Le(196, static_cast<std::uint32_t>(p.TimeOut), 4);
  b.Le(200, static_cast<std::uint32_t>(p.Retries), 4);
  b.Le(204, static_cast<std::uint32_t>(p.Minutes), 4);
  b.Le(208, static_cast<std::uint32_t>(p.Delay), 4);
  b.Le(212, static_cast<std::uint32_t>(p.Bytes), 4);
  b.Le(228, p.ByMinutes, 1);
  b.Le(229, p.ResolveHostName, 1);
  b.Le(231, p.ShowReplys, 1);
  PutAutomation(b, 0, p);
  return b;
}

std::string ExpectedPingRecord(Mode mode, const TPingPage& p) {
  ByteBuilder b = SingleRecordHead(p);
  b.Text(65, p.Host);
  if (mode == Mode::Ping) {
    b.Le(216, static_cast<std::uint32_t>(p.Ttl), 4);
    b.Le(230, p.PingForAllIp, 1);
  } else {
    b.Le(220, static_cast<std::uint32_t>(p.Hops), 4);
  }
  return b.bytes;
}

std::string ExpectedRangeRecord(const TRangePingPage& p) {
  ByteBuilder b = SingleRecordHead(p);
  b.Text(162, p.From);
  b.Text(178, p.To);
  b.Le(224, static_cast<std::uint32_t>(p.Threads), 4);
  return b.bytes;
}

std::string ExpectedMultiPingRecord(const TPingPage& p) {
  ByteBuilder b(69176);
  b.Text(0, p.Name);
  b.Text(65, p.Host);
  b.Le(164, static_cast<std::uint32_t>(p.TimeOut), 4);
  b.Le(168, static_cast<std::uint32_t>(p.Retries), 4);
  b.Le(172, static_cast<std::uint32_t>(p.Minutes), 4);
  b.Le(176, static_cast<std::uint32_t>(p.Delay), 4);
  b.Le(180, static_cast<std::uint32_t>(p.Bytes), 4);
  b.Le(184, static_cast<std::uint32_t>(p.Ttl), 4);
  b.Le(196, p.ByMinutes, 1);
  b.Le(197, p.ResolveHostName, 1);
  b.Le(198, p.PingForAllIp, 1);
  b.Le(199, p.ShowReplys, 1);
  b.Le(200, 1, 1);
  PutAutomation(b, 28, p);
  for (std::size_t i = 0; i < 3; ++i) {
    const THostResult& h = p.Hosts[i];
    const std::size_t at = 3632 + i * 256;
    b.Le(at + 0, h.Reserved0, 4);
    b.Le(at + 4, static_cast<std::uint16_t>(h.State), 2);
    b.Le(at + 6, h.Reserved6, 1);
    b.Le(at + 7, h.Reserved7, 1);
    b.Text(at + 8, h.Host);
    b.Le(at + 108, h.Ipv4, 4);
    for (std::size_t k = 0; k < 16; ++k) b.Le(at + 112 + k, h.Ipv6[k], 1);
    b.Text(at + 128, h.HostName);
    b.Le(at + 228, h.Sent, 4);
    b.Le(at + 232, h.Received, 4);
    b.Le(at + 236, h.Lost, 4);
    b.Le(at + 240, h.MinTime, 2);
    b.Le(at + 242, h.MaxTime, 2);
    b.Le(at + 244, h.AvgTime, 2);
    b.Le(at + 246, h.CurTime, 2);
    b.Le(at + 248, 0x4031400000000000ull, 8);  // 17.25
  }
  b.Le(69168, 3, 4);
  return b.bytes;
}

TEST(PageFileCodec, SizesOfRecordsAndLimits) {
  EXPECT_EQ(PageRecordSize(Mode::Ping), 3656u);
  EXPECT_EQ(PageRecordSize(Mode::RangePing), 3656u);
  EXPECT_EQ(PageRecordSize(Mode::Traceroute), 3656u);
  EXPECT_EQ(PageRecordSize(Mode::PathPing), 3656u);
  EXPECT_EQ(PageRecordSize(Mode::MultiPing), 69176u);
  EXPECT_EQ(EncodePageRecord(Mode::Ping, TPingPage{}).size(), 3656u);
  EXPECT_EQ(EncodePageRecord(TRangePingPage{}).size(), 3656u);
  EXPECT_EQ(EncodePageRecord(Mode::MultiPing, TPingPage{}).size(), 69176u);

  EXPECT_EQ(MaxPageFileRecords(Mode::Ping), 1000);
  EXPECT_EQ(MaxPageFileRecords(Mode::MultiPing), 1000);
  EXPECT_EQ(MaxPageFileRecords(Mode::RangePing), 1000);
  EXPECT_EQ(MaxPageFileRecords(Mode::Traceroute), 10000);
  EXPECT_EQ(MaxPageFileRecords(Mode::PathPing), 10000);
  EXPECT_EQ(MaxPageFileSize(Mode::Ping), 8u + 1000u * 3656u);
  EXPECT_EQ(MaxPageFileSize(Mode::PathPing), 8u + 10000u * 3656u);
}

// Each mode writes only its own fields; those of the other modes stay zero.
TEST(PageFileCodec, RecordsMatchTheLayoutByteForByte) {
  const TPingPage ping = SamplePingPage();
  for (Mode mode : {Mode::Ping, Mode::Traceroute, Mode::PathPing}) {
    SCOPED_TRACE(static_cast<int>(mode));
    EXPECT_EQ(FirstDifference(EncodePageRecord(mode, ping), ExpectedPingRecord(mode, ping)), -1);
  }
  const TRangePingPage range = SampleRangePage();
  EXPECT_EQ(FirstDifference(EncodePageRecord(range), ExpectedRangeRecord(range)), -1);
  const TPingPage multi = SampleMultiPingPage();
  EXPECT_EQ(FirstDifference(EncodePageRecord(Mode::MultiPing, multi), ExpectedMultiPingRecord(multi)), -1);
}

TEST(PageFileCodec, WholeFileIsHeaderAndRecordsInRegistryOrder) {
  TPingRegistry registry(Mode::Traceroute);
  TPingPage first = SamplePingPage();
  TPingPage second = SamplePingPage();
  second.Name = "Second";
  second.Hops = 5;
  ASSERT_TRUE(AddPage(registry, first));
  ASSERT_TRUE(AddPage(registry, second));

  // The registry's copies have their fired latches cleared; expect those.
  const std::string expected = Header(1, 2) + ExpectedPingRecord(Mode::Traceroute, *registry.Pages[0]) +
                               ExpectedPingRecord(Mode::Traceroute, *registry.Pages[1]);
  EXPECT_EQ(FirstDifference(EncodePageFile(registry), expected), -1);
  EXPECT_EQ(EncodePageFile(TPingRegistry(Mode::Ping)), Header(1, 0));
}

// Reading the hand-made bytes checks the decoder apart from the encoder.
TEST(PageFileCodec, HandBuiltRecordsLoadWithEveryField) {
  const TPingPage ping = SamplePingPage();
  for (Mode mode : {Mode::Ping, Mode::Traceroute, Mode::PathPing}) {
    SCOPED_TRACE(static_cast<int>(mode));
    TPingRegistry registry(mode);
    ASSERT_TRUE(DecodePageFile(Header(1, 1) + ExpectedPingRecord(mode, ping), registry).ok());
    ASSERT_EQ(registry.Count(), 1);
    const TPingPage& page = *registry.Pages[0];
    ExpectSameSettings(page, ping);
    EXPECT_EQ(page.Host, ping.Host);
    if (mode == Mode::Ping) {
      EXPECT_EQ(page.Ttl, 99);
      EXPECT_TRUE(page.PingForAllIp);
    } else {
      EXPECT_EQ(page.Hops, 17);
    }
  }

  const TRangePingPage range = SampleRangePage();
  TRangeRegistry ranges(Mode::RangePing);
  ASSERT_TRUE(DecodePageFile(Header(1, 1) + ExpectedRangeRecord(range), ranges).ok());
  ASSERT_EQ(ranges.Count(), 1);
  ExpectSameSettings(*ranges.Pages[0], range);
  EXPECT_EQ(ranges.Pages[0]->From, "10.20.30.1");
  EXPECT_EQ(ranges.Pages[0]->To, "10.20.30.254");
  EXPECT_EQ(ranges.Pages[0]->Threads, 250);

  const TPingPage multi = SampleMultiPingPage();
  TPingRegistry multis(Mode::MultiPing);
  ASSERT_TRUE(DecodePageFile(Header(1, 1) + ExpectedMultiPingRecord(multi), multis).ok());
  ASSERT_EQ(multis.Count(), 1);
  const TPingPage& page = *multis.Pages[0];
  ExpectSameSettings(page, multi);
  EXPECT_EQ(page.Host, multi.Host);
  EXPECT_EQ(page.Ttl, 99);
  EXPECT_TRUE(page.PingForAllIp);
  ASSERT_EQ(page.HostCount, 3);
  EXPECT_EQ(page.Hosts[0].Host, "alpha.example");
  EXPECT_EQ(page.Hosts[2].Host, "gamma.example");
}

// The raw template keeps what the file holds (signed, floating and raw
// fields included); only AddPage drops the results.
TEST(PageFileCodec, MultiPingTemplateCarriesTheStoredHostEntries) {
  TPingPage multi = SampleMultiPingPage();
  multi.Hosts[2].State = -1;
  const TPingPage t = DecodePageRecord(Mode::MultiPing, ExpectedMultiPingRecord(multi));
  ASSERT_EQ(t.HostCount, 3);
  const THostResult& h = t.Hosts[2];
  EXPECT_EQ(h.State, -1);
  EXPECT_EQ(h.Reserved0, 0x01020306u);
  EXPECT_EQ(h.HostName, "resolved-2.example");
  EXPECT_EQ(h.Ipv6, multi.Hosts[2].Ipv6);
  EXPECT_EQ(h.Lost, 100u);
  EXPECT_EQ(h.CurTime, 0xFFFF);
  EXPECT_EQ(h.AvgExact, 17.25);
}

// A Trace route record carries no TTL; stray bytes there must not leak in.
TEST(PageFileCodec, FieldsOfOtherModesAreIgnoredOnReading) {
  ByteBuilder b(3656);
  b.Le(216, 7, 4);         // Ttl
  b.Le(220, 9, 4);         // Hops
  b.Le(224, 3, 4);         // Threads
  b.Le(230, 1, 1);         // PingForAllIp
  b.Text(65, "host");      // Host
  b.Text(162, "1.2.3.4");  // From
  const TPingPage trace = DecodePageRecord(Mode::Traceroute, b.bytes);
  EXPECT_EQ(trace.Ttl, TPingPage{}.Ttl);
  EXPECT_FALSE(trace.PingForAllIp);
  EXPECT_EQ(trace.Hops, 9);
  const TPingPage ping = DecodePageRecord(Mode::Ping, b.bytes);
  EXPECT_EQ(ping.Hops, TPingPage{}.Hops);
  EXPECT_EQ(ping.Ttl, 7);
  const TRangePingPage range = DecodeRangePageRecord(b.bytes);
  EXPECT_EQ(range.Threads, 3);
  EXPECT_EQ(range.From, "1.2.3.4");
}

TEST(PageFileCodec, EveryModeRoundTripsThroughAWholeFile) {
  for (Mode mode : {Mode::Ping, Mode::MultiPing, Mode::Traceroute, Mode::PathPing}) {
    SCOPED_TRACE(static_cast<int>(mode));
    TPingRegistry saved(mode);
    ASSERT_TRUE(AddPage(saved, mode == Mode::MultiPing ? SampleMultiPingPage() : SamplePingPage()));
    TPingRegistry loaded(mode);
    ASSERT_TRUE(DecodePageFile(EncodePageFile(saved), loaded).ok());
    ASSERT_EQ(loaded.Count(), 1);
    const TPingPage& a = *loaded.Pages[0];
    const TPingPage& b = *saved.Pages[0];
    ExpectSameSettings(a, b);
    EXPECT_EQ(a.Host, b.Host);
    EXPECT_EQ(a.Ttl, b.Ttl);
    EXPECT_EQ(a.Hops, b.Hops);
    EXPECT_EQ(a.PingForAllIp, b.PingForAllIp);
    ASSERT_EQ(a.HostCount, b.HostCount);
    for (int i = 0; i < a.HostCount; ++i) EXPECT_EQ(a.Hosts[i].Host, b.Hosts[i].Host);
  }
  TRangeRegistry saved(Mode::RangePing);
  ASSERT_TRUE(AddPage(saved, SampleRangePage()));
  TRangeRegistry loaded(Mode::RangePing);
  ASSERT_TRUE(DecodePageFile(EncodePageFile(saved), loaded).ok());
  ASSERT_EQ(loaded.Count(), 1);
  ExpectSameSettings(*loaded.Pages[0], *saved.Pages[0]);
  EXPECT_EQ(loaded.Pages[0]->From, saved.Pages[0]->From);
  EXPECT_EQ(loaded.Pages[0]->To, saved.Pages[0]->To);
  EXPECT_EQ(loaded.Pages[0]->Threads, saved.Pages[0]->Threads);
}

}  // namespace
