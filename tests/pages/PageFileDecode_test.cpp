// Reading page files that are damaged, truncated, oversized or hostile.

#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "PageFileSamples.h"
#include "pages/PageFileCodec.h"
#include "pages/PageOperations.h"

namespace {

using namespace pagefiles_test;

std::string FileOf(Mode mode, std::int32_t count, int records, const TPingPage& page = SamplePingPage()) {
  std::string file = Header(1, count);
  const std::string record = EncodePageRecord(mode, page);
  for (int i = 0; i < records; ++i) file += record;
  return file;
}

int Loaded(Mode mode, std::string_view bytes) {
  TPingRegistry registry(mode);
  (void)DecodePageFile(bytes, registry);
  return registry.Count();
}

TPingPage LoadOne(Mode mode, const std::string& record) {
  TPingRegistry registry(mode);
  EXPECT_TRUE(DecodePageFile(Header(1, 1) + record, registry).ok());
  EXPECT_EQ(registry.Count(), 1);
  return registry.Count() == 1 ? *registry.Pages[0] : TPingPage{};
}

TEST(PageFileDecode, WrongVersionOrCountAddsNothing) {
  TPingRegistry registry(Mode::Ping);
  std::string file = FileOf(Mode::Ping, 1, 1);
  file[0] = 2;
  EXPECT_EQ(DecodePageFile(file, registry).kind, Status::Kind::Invalid);
  EXPECT_EQ(registry.Count(), 0);

  EXPECT_EQ(Loaded(Mode::Ping, FileOf(Mode::Ping, 0, 1)), 0);
  EXPECT_EQ(Loaded(Mode::Ping, FileOf(Mode::Ping, -1, 1)), 0);
  EXPECT_EQ(Loaded(Mode::Ping, FileOf(Mode::Ping, 1001, 1001)), 0);
  EXPECT_EQ(Loaded(Mode::Ping, FileOf(Mode::Ping, 1000, 1000)), 1000);
  EXPECT_EQ(Loaded(Mode::Traceroute, FileOf(Mode::Traceroute, 10001, 1)), 0);

  TRangeRegistry ranges(Mode::RangePing);
  (void)DecodePageFile(Header(1, 1001) + std::string(1001 * 3656, '\0'), ranges);
  EXPECT_EQ(ranges.Count(), 0);
}

// Those readers accept more records than a registry holds: the surplus is
// refused one by one by the full registry, without ending the loop early.
TEST(PageFileDecode, TracerouteAndPathPingTakeTheFirstThousandOfMore) {
  for (Mode mode : {Mode::Traceroute, Mode::PathPing}) {
    TPingRegistry registry(mode);
    EXPECT_TRUE(DecodePageFile(FileOf(mode, 1001, 1001), registry).ok());
    EXPECT_EQ(registry.Count(), 1000);
    EXPECT_EQ(registry.NextId, 1000);
  }
}

TEST(PageFileDecode, ShortRecordEndsLoadingWithThePagesReadSoFar) {
  std::string file = FileOf(Mode::Ping, 3, 3);
  file.resize(file.size() - 1);
  TPingRegistry registry(Mode::Ping);
  EXPECT_EQ(DecodePageFile(file, registry).kind, Status::Kind::Invalid);
  EXPECT_EQ(registry.Count(), 2);

  std::string multi = FileOf(Mode::MultiPing, 2, 2, SampleMultiPingPage());
  multi.resize(8 + 69176 + 3632);  // the second record stops before its host list
  EXPECT_EQ(Loaded(Mode::MultiPing, multi), 1);

  EXPECT_EQ(Loaded(Mode::Ping, Header(1, 1000)), 0);  // a count with nothing behind it
}

TEST(PageFileDecode, TruncatedHeaderAddsNothing) {
  const std::string file = FileOf(Mode::Ping, 1, 1);
  for (std::size_t n = 0; n < 8; ++n) {
    TPingRegistry registry(Mode::Ping);
    EXPECT_FALSE(DecodePageFile(std::string_view(file).substr(0, n), registry).ok()) << n;
    EXPECT_EQ(registry.Count(), 0);
  }
}

TEST(PageFileDecode, LongTextsAreCutToTheirFieldAtACharacterBoundary) {
  TPingPage page = SamplePingPage();
  page.Name = std::string(70, 'n');
  page.Host = std::string(95, 'h') + "\xE2\x82\xAC";   // the euro sign would end at byte 98
  page.ExecPath = std::string(279, 'p') + "\xC3\xA9";  // e-acute would end at byte 281
  page.ExecParam = std::string(300, 'q');
  const std::string record = EncodePageRecord(Mode::Ping, page);
  EXPECT_EQ(record.substr(0, 65), std::string(64, 'n') + '\0');
  EXPECT_EQ(record[65 + 95], '\0');

  const TPingPage loaded = LoadOne(Mode::Ping, record);
  EXPECT_EQ(loaded.Name, std::string(64, 'n'));
  EXPECT_EQ(loaded.Host, std::string(95, 'h'));
  EXPECT_EQ(loaded.ExecPath, std::string(279, 'p'));
  EXPECT_EQ(loaded.ExecParam, std::string(280, 'q'));

  TRangePingPage range = SampleRangePage();
  range.From = "255.255.255.255x";
  TRangeRegistry ranges(Mode::RangePing);
  ASSERT_TRUE(DecodePageFile(Header(1, 1) + EncodePageRecord(range), ranges).ok());
  EXPECT_EQ(ranges.Pages[0]->From, "255.255.255.255");
}

TEST(PageFileDecode, UnterminatedTextsEndAtTheFieldsLastByte) {
  ByteBuilder b(3656);
  b.Text(0, std::string(65, 'x'));                // no terminator at all
  b.Text(65, std::string(95, 'y') + "\xC3\xA9");  // a character split by the last byte
  b.Text(3354, std::string(281, 'z'));
  const TPingPage loaded = LoadOne(Mode::Ping, b.bytes);
  EXPECT_EQ(loaded.Name, std::string(64, 'x'));
  EXPECT_EQ(loaded.Host, std::string(95, 'y'));
  EXPECT_EQ(loaded.ExecParam, std::string(280, 'z'));

  ByteBuilder m(69176);
  m.Le(69168, 1, 4);
  m.Text(3632 + 8, std::string(97, 'h'));
  const TPingPage multi = LoadOne(Mode::MultiPing, m.bytes);
  ASSERT_EQ(multi.HostCount, 1);
  EXPECT_EQ(multi.Hosts[0].Host, std::string(96, 'h'));
}

TEST(PageFileDecode, StoredValuesAreClampedAndLatchesCleared) {
  ByteBuilder b(3656);
  b.Le(200, 0, 4);           // Retries 0
  b.Le(196, 0xFFFFFFFF, 4);  // TimeOut -1
  b.Le(3032, 3, 4);          // TaskCount
  b.Le(232 + 16, 7, 1);      // Type 7
  b.Le(232 + 20, 0, 4);      // Value 0
  b.Le(232 + 25, 1, 1);      // Fired
  b.Le(260 + 16, 200, 1);
  b.Le(260 + 20, 0x7FFFFFFF, 4);
  b.Le(228, 2, 1);  // a bool byte other than 1 still reads as set
  const TPingPage page = LoadOne(Mode::Ping, b.bytes);
  EXPECT_EQ(page.Retries, 1);
  EXPECT_EQ(page.TimeOut, 100);
  ASSERT_EQ(page.TaskCount, 3);
  EXPECT_EQ(page.Tasks[0].Type, ttEveryMonth);
  EXPECT_EQ(page.Tasks[0].Value, 1);
  EXPECT_FALSE(page.Tasks[0].Fired);
  EXPECT_EQ(page.Tasks[1].Type, ttEveryMonth);
  EXPECT_EQ(page.Tasks[1].Value, 999999);
  EXPECT_TRUE(page.ByMinutes);

  // The template is clamped already: its task table has no room for more.
  b.Le(3032, 1000, 4);
  EXPECT_EQ(DecodePageRecord(Mode::Ping, b.bytes).TaskCount, 100);
  EXPECT_EQ(LoadOne(Mode::Ping, b.bytes).TaskCount, 100);
  b.Le(3032, 0xFFFFFFFB, 4);  // -5
  EXPECT_EQ(LoadOne(Mode::Ping, b.bytes).TaskCount, 0);

  ByteBuilder m(69176);
  m.Le(69168, 300, 4);
  EXPECT_EQ(DecodePageRecord(Mode::MultiPing, m.bytes).HostCount, 128);
  EXPECT_EQ(LoadOne(Mode::MultiPing, m.bytes).HostCount, 128);
  m.Le(69168, 0xFFFFFFFF, 4);
  EXPECT_EQ(LoadOne(Mode::MultiPing, m.bytes).HostCount, 0);
}

// A page can only hold 100 tasks and 128 hosts, but the encoder must not
// trust that: it writes no more than the file has room to be read back.
TEST(PageFileDecode, EncoderClampsTheCountsItWrites) {
  TPingPage page = SampleMultiPingPage();
  page.TaskCount = 150;
  page.HostCount = 200;
  const std::string record = EncodePageRecord(Mode::MultiPing, page);
  ByteBuilder expected(4);
  expected.Le(0, 100, 4);
  EXPECT_EQ(record.substr(3004, 4), expected.bytes);
  expected.Le(0, 128, 4);
  EXPECT_EQ(record.substr(69168, 4), expected.bytes);
  EXPECT_EQ(record.substr(3632 + 128 * 256, 128 * 256), std::string(128 * 256, '\0'));
  page.TaskCount = -4;
  EXPECT_EQ(EncodePageRecord(Mode::Ping, page).substr(3032, 4), std::string(4, '\0'));
}

// Of a stored host only the host text and its list flag come back: the page
// starts as if nothing had ever been resolved or measured.
TEST(PageFileDecode, MultiPingHostsComeBackInOrderWithoutResults) {
  std::string record = EncodePageRecord(Mode::MultiPing, SampleMultiPingPage());
  record[200] = 0;  // the marker byte is not read
  const TPingPage page = LoadOne(Mode::MultiPing, record);
  ASSERT_EQ(page.HostCount, 3);
  const char* names[] = {"alpha.example", "192.0.2.7", "gamma.example"};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const THostResult& h = page.Hosts[i];
    EXPECT_EQ(h.Host, names[i]);
    EXPECT_EQ(h.Reserved6, i == 1 ? 0 : 1);
    EXPECT_EQ(h.State, -1);
    EXPECT_EQ(h.Reserved0, 0u);
    EXPECT_EQ(h.Reserved7, 0);
    EXPECT_TRUE(h.Address.empty());
    EXPECT_TRUE(h.HostName.empty());
    EXPECT_EQ(h.Ipv4, 0u);
    EXPECT_EQ(h.Ipv6, (std::array<std::uint8_t, 16>{}));
    EXPECT_EQ(h.Sent + h.Received + h.Lost, 0u);
    EXPECT_EQ(h.MinTime + h.MaxTime + h.AvgTime + h.CurTime, 0);
    EXPECT_EQ(h.AvgExact, 0.0);
  }
}

// Random bytes behind a valid header: whatever they say, reading stays inside
// the buffer (the sanitizer build checks that) and within the limits.
TEST(PageFileDecode, HostileBytesStayWithinLimits) {
  std::mt19937 random(20240607);
  for (Mode mode : AllModes) {
    if (mode == Mode::RangePing) continue;
    for (int round = 0; round < 4; ++round) {
      std::string file = Header(1, 2);
      file.resize(8 + 2 * PageRecordSize(mode) - static_cast<std::size_t>(round));
      for (std::size_t i = 8; i < file.size(); ++i) file[i] = static_cast<char>(random());
      TPingRegistry registry(mode);
      (void)DecodePageFile(file, registry);
      EXPECT_EQ(registry.Count(), round == 0 ? 2 : 1);
      for (const auto& page : registry.Pages) {
        EXPECT_LE(page->Name.size(), 64u);
        EXPECT_LE(page->Host.size(), 96u);
        EXPECT_LE(page->TaskCount, 100);
        EXPECT_LE(page->HostCount, 128);
        for (int i = 0; i < page->HostCount; ++i) EXPECT_LE(page->Hosts[i].Host.size(), 96u);
      }
    }
  }
  EXPECT_EQ(Loaded(Mode::PathPing, Header(1, INT_MAX)), 0);
  EXPECT_EQ(Loaded(Mode::PathPing, Header(1, INT_MIN)), 0);
}

}  // namespace
