// The page files: layouts at offsets written here by hand, never taken from the
// codec; damaged files; the files on disk. Failed writes are FileIo's to test.

#include "pages/PageFiles.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <algorithm>
#include <climits>
#include <filesystem>
#include <optional>
#include <set>
#include <tuple>
#include <variant>

#include "pages/PageFileCodec.h"
#include "pages/PageOperations.h"
#include "platform/FileIo.h"
#include "platform/ProgramPaths.h"
#include "support/NotAFile.h"
#include "support/PermissionBits.h"

namespace {

namespace fs = std::filesystem;

std::string Le(std::uint64_t value, int width) {
  std::string bytes;
  for (int i = 0; i < width; ++i, value >>= 8) bytes += static_cast<char>(value & 0xFF);
  return bytes;
}

std::string Header(std::int32_t version, std::int32_t count) {
  return Le(static_cast<std::uint32_t>(version), 4) + Le(static_cast<std::uint32_t>(count), 4);
}

// Offset of the first differing byte, or -1; a plain comparison of 69 KB
// records would bury the one byte that matters.
long FirstDifference(const std::string& a, const std::string& b) {
  const auto [x, y] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
  return x == a.end() && y == b.end() ? -1 : x - a.begin();
}

std::string Put(std::string record, std::size_t at, const std::string& bytes) {
  return record.replace(at, bytes.size(), bytes);
}

constexpr std::size_t None = SIZE_MAX;
constexpr unsigned P = 1, M = 2, R = 4, T = 8, H = 16, All = 31, NotR = All & ~R;  // the modes in order

// A field: its offset in the record of the other modes and in the Multi ping
// record, the modes that store it, and how a probe value looks in the file.
// Probes set the second of two schedule entries and hosts: the list stride.
struct Field {
  const char* name;
  std::size_t at, multiAt;
  unsigned modes;
  std::string bytes;
  void (*set)(TPingPage&, TRangePingPage&);
};
#define BOTH(assignment) [](TPingPage& p, TRangePingPage& r) { p.assignment, r.assignment; }
#define PING(assignment) [](TPingPage& p, TRangePingPage&) { p.assignment; }
#define RANGE(assignment) [](TPingPage&, TRangePingPage& r) { r.assignment; }
#define NONE [](TPingPage&, TRangePingPage&) {}
constexpr std::size_t Task1 = 232 + 28, MultiTask1 = 204 + 28, Host1 = 3632 + 256;

const Field Fields[] = {
    {"Name", 0, 0, All, "Gateway \xC3\xA9", BOTH(Name = "Gateway \xC3\xA9")},
    {"Host", 65, 65, NotR, "router.example", PING(Host = "router.example")},
    {"From", 162, None, R, "10.20.30.1", RANGE(From = "10.20.30.1")},
    {"To", 178, None, R, "10.20.30.254", RANGE(To = "10.20.30.254")},
    {"TimeOut", 196, 164, All, Le(1500, 4), BOTH(TimeOut = 1500)},
    {"Retries", 200, 168, All, Le(123456, 4), BOTH(Retries = 123456)},
    {"Minutes", 204, 172, All, Le(60000, 4), BOTH(Minutes = 60000)},
    {"Delay", 208, 176, All, Le(250000, 4), BOTH(Delay = 250000)},
    {"Bytes", 212, 180, All, Le(1472, 4), BOTH(Bytes = 1472)},
    {"Ttl", 216, 184, P | M, Le(99, 4), PING(Ttl = 99)},
    {"Hops", 220, None, T | H, Le(17, 4), PING(Hops = 17)},
    {"Threads", 224, None, R, Le(250, 4), RANGE(Threads = 250)},
    {"ByMinutes", 228, 196, All, "\1", BOTH(ByMinutes = true)},
    {"ResolveHostName", 229, 197, All, std::string(1, '\0'), BOTH(ResolveHostName = false)},
    {"PingForAllIp", 230, 198, P | M, "\1", PING(PingForAllIp = true)},
    {"ShowReplys", 231, 199, All, std::string(1, '\0'), BOTH(ShowReplys = false)},
    {"marker", None, 200, M, "\1", NONE},
    {"TaskCount", 3032, 3004, All, Le(2, 4), NONE},
    {"task 0 Value", 232 + 20, 204 + 20, All, Le(1, 4), NONE},
    {"task Year", Task1, MultiTask1, All, Le(2024, 2), BOTH(Tasks[1].Year = 2024)},
    {"task Month", Task1 + 2, MultiTask1 + 2, All, Le(11, 2), BOTH(Tasks[1].Month = 11)},
    {"task Day", Task1 + 6, MultiTask1 + 6, All, Le(27, 2), BOTH(Tasks[1].Day = 27)},
    {"task Hour", Task1 + 8, MultiTask1 + 8, All, Le(23, 2), BOTH(Tasks[1].Hour = 23)},
    {"task Minute", Task1 + 10, MultiTask1 + 10, All, Le(59, 2), BOTH(Tasks[1].Minute = 59)},
    {"task Type", Task1 + 16, MultiTask1 + 16, All, "\3", BOTH(Tasks[1].Type = ttEveryWeek)},
    {"task Value", Task1 + 20, MultiTask1 + 20, All, Le(999999, 4), BOTH(Tasks[1].Value = 999999)},
    {"task ByMinutes", Task1 + 24, MultiTask1 + 24, All, "\1", BOTH(Tasks[1].ByMinutes = true)},
    {"task Fired", Task1 + 25, MultiTask1 + 25, All, "\1", BOTH(Tasks[1].Fired = true)},
    {"StartOnStartup", 3036, 3008, All, "\1", BOTH(StartOnStartup = true)},
    {"StartEvery", 3037, 3009, All, "\1", BOTH(StartEvery = true)},
    {"StartSchedules", 3038, 3010, All, "\1", BOTH(StartSchedules = true)},
    {"EveryMinutes", 3040, 3012, All, Le(0xFFFFFFFD, 4), BOTH(EveryMinutes = -3)},
    {"SaveResult", 3044, 3016, All, "\1", BOTH(SaveResult = true)},
    {"ResultWithReplys", 3045, 3017, All, std::string(1, '\0'), BOTH(ResultWithReplys = false)},
    {"ResultIpList", 3046, 3018, All, "\1", BOTH(ResultIpList = true)},
    {"ResultFormat", 3048, 3020, All, Le(0x01020304, 4), BOTH(ResultFormat = 0x01020304)},
    {"ExecuteProgram", 3052, 3024, All, "\1", BOTH(ExecuteProgram = true)},
    {"HideWindow", 3053, 3025, All, "\1", BOTH(HideWindow = true)},
    {"ExecPath", 3054, 3026, All, "/usr/bin/notify", BOTH(ExecPath = "/usr/bin/notify")},
    {"ExecParam", 3354, 3326, All, "--file \"%PATH\"", BOTH(ExecParam = "--file \"%PATH\"")},
    {"HostCount", None, 69168, M, Le(2, 4), NONE},
    {"host 0 State", None, 3632 + 4, M, "\xFF\xFF", NONE},
    {"host Reserved0", None, Host1, M, Le(0x01020304, 4), PING(Hosts[1].Reserved0 = 0x01020304)},
    {"host State", None, Host1 + 4, M, Le(2, 2), PING(Hosts[1].State = 2)},
    {"host Reserved6", None, Host1 + 6, M, "\1", PING(Hosts[1].Reserved6 = 1)},
    {"host Reserved7", None, Host1 + 7, M, "\5", PING(Hosts[1].Reserved7 = 5)},
    {"host Host", None, Host1 + 8, M, "alpha.example", PING(Hosts[1].Host = "alpha.example")},
    {"host Ipv4", None, Host1 + 108, M, Le(0x070200C0, 4), PING(Hosts[1].Ipv4 = 0x070200C0)},
    {"host Ipv6", None, Host1 + 112, M, std::string(15, '\0') + "\x7", PING(Hosts[1].Ipv6[15] = 7)},
    {"host HostName", None, Host1 + 128, M, "resolved.example", PING(Hosts[1].HostName = "resolved.example")},
    {"host Sent", None, Host1 + 228, M, Le(1000, 4), PING(Hosts[1].Sent = 1000)},
    {"host Received", None, Host1 + 232, M, Le(900, 4), PING(Hosts[1].Received = 900)},
    {"host Lost", None, Host1 + 236, M, Le(100, 4), PING(Hosts[1].Lost = 100)},
    {"host MinTime", None, Host1 + 240, M, Le(3, 2), PING(Hosts[1].MinTime = 3)},
    {"host MaxTime", None, Host1 + 242, M, Le(250, 2), PING(Hosts[1].MaxTime = 250)},
    {"host AvgTime", None, Host1 + 244, M, Le(17, 2), PING(Hosts[1].AvgTime = 17)},
    {"host CurTime", None, Host1 + 246, M, Le(0xFFFF, 2), PING(Hosts[1].CurTime = 0xFFFF)},
    {"host AvgExact", None, Host1 + 248, M, Le(0x4031400000000000, 8), PING(Hosts[1].AvgExact = 17.25)},
    // Texts too long for their field are cut where no character is split.
    {"long Host", 65, 65, NotR, std::string(95, 'h'), PING(Host = std::string(95, 'h') + "\xE2\x82\xAC")},
    {"long From", 162, None, R, "255.255.255.255", RANGE(From = "255.255.255.255x")},
    {"long host Host", None, Host1 + 8, M, std::string(96, 'h'), PING(Hosts[1].Host = std::string(120, 'h'))},
    {"long ExecPath", 3054, 3026, All, std::string(279, 'p'),
     BOTH(ExecPath = std::string(279, 'p') + "\xC3\xA9")},
};

std::string Encode(Mode mode, const TPingPage& p, const TRangePingPage& r) {
  return mode == Mode::RangePing ? EncodePageRecord(r) : EncodePageRecord(mode, p);
}

std::string Reencode(Mode mode, std::string_view record) {
  if (mode == Mode::RangePing) return EncodePageRecord(DecodeRangePageRecord(record));
  return EncodePageRecord(mode, DecodePageRecord(mode, record));
}

// Each mode writes and reads its own fields at their offsets and no others;
// every byte the format does not assign is zero.
TEST(PageFileCodec, EveryFieldLiesAtItsOffsetInTheModesThatStoreIt) {
  auto probe = [](Mode mode, void (*set)(TPingPage&, TRangePingPage&)) {
    TPingPage p;
    TRangePingPage r;
    p.TaskCount = r.TaskCount = p.HostCount = 2;
    set(p, r);
    return Encode(mode, p, r);
  };
  for (Mode mode : AllModes) {
    const bool multi = mode == Mode::MultiPing;
    const std::string base = probe(mode, NONE);
    std::string unassigned = base;
    for (const Field& f : Fields) {
      SCOPED_TRACE(std::string(f.name) + " in mode " + std::to_string(static_cast<int>(mode)));
      const std::size_t at = multi ? f.multiAt : f.at;
      const bool stored = (f.modes & 1u << static_cast<int>(mode)) != 0;
      const std::string expected = stored ? Put(base, at, f.bytes) : base;
      EXPECT_EQ(FirstDifference(probe(mode, f.set), expected), -1);
      if (stored) {
        EXPECT_EQ(FirstDifference(Reencode(mode, expected), expected), -1);
        unassigned = Put(unassigned, at, std::string(f.bytes.size(), '\0'));
      } else if (!multi && at != None) {
        EXPECT_EQ(FirstDifference(Reencode(mode, Put(base, at, f.bytes)), base), -1) << "read, not ignored";
      }
    }
    EXPECT_EQ(unassigned, std::string(multi ? 69176 : 3656, '\0'));
  }
}

std::string FileOf(Mode mode, std::int32_t count, int records) {
  std::string file = Header(1, count);
  for (int i = 0; i < records; ++i) file += Encode(mode, TPingPage{}, TRangePingPage{});
  return file;
}

// A wrong version or count adds nothing; a short record ends the loading with
// the pages read so far; a page refused by a full registry does not, but the
// status says that not every page was kept, as it does for bytes after the
// records the header counts.
TEST(PageFileCodec, DamagedFilesLoadWhatTheyCan) {
  const std::tuple<const char*, Mode, std::string, bool, int> cases[] = {
      {"version 2", Mode::Ping, "\2" + FileOf(Mode::Ping, 1, 1).substr(1), false, 0},
      {"count 0", Mode::Ping, FileOf(Mode::Ping, 0, 1), false, 0},
      {"count 1001", Mode::Ping, FileOf(Mode::Ping, 1001, 1001), false, 0},
      {"count 1000", Mode::Ping, FileOf(Mode::Ping, 1000, 1000), true, 1000},
      {"range count 1001", Mode::RangePing, FileOf(Mode::RangePing, 1001, 1001), false, 0},
      {"trace count 10001", Mode::Traceroute, FileOf(Mode::Traceroute, 10001, 1), false, 0},
      {"trace 1001 records", Mode::Traceroute, FileOf(Mode::Traceroute, 1001, 1001), false, 1000},
      {"path 1001 records", Mode::PathPing, FileOf(Mode::PathPing, 1001, 1001), false, 1000},
      {"path count INT_MIN", Mode::PathPing, Header(1, INT_MIN), false, 0},
      {"third record cut", Mode::Ping, FileOf(Mode::Ping, 3, 3).substr(0, 8 + 3 * 3656 - 1), false, 2},
      {"hosts cut", Mode::MultiPing, FileOf(Mode::MultiPing, 2, 2).substr(0, 8 + 69176 + 3632), false, 1},
      {"no header", Mode::Ping, "", false, 0},
      {"header cut", Mode::Ping, Header(1, 1).substr(0, 7), false, 0},
      {"a record more than counted", Mode::Ping, FileOf(Mode::Ping, 2, 3), false, 2},
      {"bytes after the records", Mode::RangePing, FileOf(Mode::RangePing, 1, 1) + "x", false, 1},
  };
  for (const auto& [what, mode, bytes, ok, pages] : cases) {
    TPingRegistry pings(mode);
    TRangeRegistry ranges(mode);
    const Status status =
        mode == Mode::RangePing ? DecodePageFile(bytes, ranges) : DecodePageFile(bytes, pings);
    EXPECT_EQ(status.ok(), ok) << what;
    EXPECT_EQ(pings.Count() + ranges.Count(), pages) << what;
  }
}

TPingPage LoadOne(Mode mode, const std::string& record) {
  TPingRegistry registry(mode);
  EXPECT_TRUE(DecodePageFile(Header(1, 1) + record, registry).ok());
  return registry.Count() == 1 ? *registry.Pages[0] : TPingPage{};
}

// Whatever a damaged record holds, a text ends inside its field, without a
// split character, and a count is clamped before its entries are read.
TEST(PageFileCodec, DamagedRecordsStayWithinTheirFields) {
  const TPingPage page =
      LoadOne(Mode::Ping, Put(Put(std::string(3656, 'x'), 65 + 95, "\xC3\xA9"), 3032, Le(0, 4)));
  EXPECT_EQ(std::tie(page.Name, page.Host, page.ExecParam),
            std::make_tuple(std::string(64, 'x'), std::string(95, 'x'), std::string(280, 'x')));
  const std::string multi =
      Put(Put(std::string(69176, '\0'), 69168, Le(1, 4)), 3632 + 8, std::string(97, 'h'));
  EXPECT_EQ(LoadOne(Mode::MultiPing, multi).Hosts[0].Host, std::string(96, 'h'));

  const std::tuple<Mode, std::size_t, std::uint32_t, int> counts[] = {
      {Mode::Ping, 3032, 1000, 100}, {Mode::Ping, 3032, 0xFFFFFFFB, 0}, {Mode::MultiPing, 69168, 300, 128}};
  for (const auto& [mode, at, stored, expected] : counts) {
    const TPingPage raw =
        DecodePageRecord(mode, Put(std::string(PageRecordSize(mode), '\0'), at, Le(stored, 4)));
    EXPECT_EQ(at == 3032 ? raw.TaskCount : raw.HostCount, expected) << stored;
  }
  // The loaded page goes through the page clamps: Retries 0, a fired task of Type 7.
  std::string record = Put(Put(EncodePageRecord(Mode::Ping, TPingPage{}), 200, Le(0, 4)), 3032, Le(1, 4));
  const TPingPage clamped = LoadOne(Mode::Ping, Put(Put(record, 232 + 16, "\7"), 232 + 25, "\1"));
  EXPECT_EQ(std::tie(clamped.Retries, clamped.Tasks[0].Type, clamped.Tasks[0].Fired),
            std::make_tuple(1, ttEveryMonth, false));

  // Nor does the writer trust a page's counts.
  TPingPage many;
  many.TaskCount = 150, many.HostCount = 200;
  EXPECT_EQ(EncodePageRecord(Mode::MultiPing, many).substr(3004, 4), Le(100, 4));
  EXPECT_EQ(EncodePageRecord(Mode::MultiPing, many).substr(69168, 4), Le(128, 4));
  many.TaskCount = -4;
  EXPECT_EQ(EncodePageRecord(Mode::Ping, many).substr(3032, 4), Le(0, 4));
}

class PageFilesTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(MakeFolder(config_).ok()); }
  void TearDown() override { SetProgramFolderOverride(""), ResetRegistries(); }
  std::string Path(const std::string& name) const { return config_ + "/" + name; }
  std::string Read(const std::string& name) const { return ReadFilePrefix(Path(name), 1 << 30).value_or(""); }
  std::set<std::string> Names() const {
    std::set<std::string> found;
    for (const auto& entry : fs::directory_iterator(config_)) found.insert(entry.path().filename().string());
    return found;
  }

  QTemporaryDir root_;
  const std::string config_ = root_.path().toStdString() + "/Config";
};

// Each mode to its own file, in registry order, the same bytes every time.
TEST_F(PageFilesTest, EachModeSavesToItsOwnFileAndLoadsBack) {
  SetProgramFolderOverride(root_.path().toStdString());
  TPingRegistry* const pings[] = {&PingRegistry, &MultiPingRegistry, &TracerouteRegistry, &PathPingRegistry};
  TPingPage page;
  page.HostCount = 1;
  for (TPingRegistry* registry : pings)  // a full registry: the largest file is read to its last byte
    for (int i = 0; i < (registry == &PingRegistry ? MaxPages : 2); ++i) {
      page.Name = std::to_string(i);
      ASSERT_TRUE(AddPage(*registry, page));
    }
  ASSERT_TRUE(AddPage(RangePingRegistry, TRangePingPage{}));
  ASSERT_TRUE(SaveAllPages().ok());
  std::vector<std::string> saved;
  for (TPingRegistry* registry : pings) saved.push_back(Read(PageFileName(registry->mode)));
  ASSERT_TRUE(SaveAllPages().ok());
  EXPECT_EQ(Names(), (std::set<std::string>{"PingPages.dat", "MultiPingPages.dat", "RangePingPages.dat",
                                            "TraceroutePages.dat", "PathPingPages.dat"}));
  fs::remove(Path("RangePingPages.dat"));  // the others still load, and the missing one is reported
  ResetRegistries();
  EXPECT_EQ(LoadAllPages().kind, Status::Kind::NotFound);
  EXPECT_EQ(RangePingRegistry.Count(), 0);
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(Read(PageFileName(pings[i]->mode)), saved[i]) << "saving twice gives the same bytes";
    EXPECT_EQ(EncodePageFile(*pings[i]), saved[i]);
    EXPECT_EQ(pings[i]->Pages.at(0)->Name, "0") << "registry order";
  }
}

// A file the reader rejected, read only in part or could not keep whole (a
// Trace route file may hold more pages than the list) holds the user's only
// copy of those pages: the first save keeps it beside, under the first free
// name, never over a copy kept before.
TEST_F(PageFilesTest, FilesNotReadWholeAreKeptAsBadBeforeTheFirstSave) {
  const std::string page = EncodePageRecord(Mode::Traceroute, TPingPage{});
  const std::tuple<const char*, std::string, int, const char*> cases[] = {
      {"another version", Header(2, 1) + page, 0, "TraceroutePages.dat.bad"},
      {"cut short", Header(1, 3) + page + page + page.substr(0, 100), 2, "TraceroutePages.dat.bad.2"},
      {"more than the list holds", FileOf(Mode::Traceroute, 1500, 1500), MaxPages,
       "TraceroutePages.dat.bad.3"},
  };
  for (const auto& [what, bytes, pages, kept] : cases) {
    ASSERT_TRUE(WriteFileAtomically(Path("TraceroutePages.dat"), bytes).ok());
    TPingRegistry registry(Mode::Traceroute);
    EXPECT_FALSE(LoadPages(registry, config_).ok()) << what;
    EXPECT_EQ(registry.Count(), pages) << what;
    ASSERT_TRUE(SavePages(registry, config_).ok() && SavePages(registry, config_).ok());
    EXPECT_EQ(Read("TraceroutePages.dat"), EncodePageFile(registry)) << what;
    EXPECT_TRUE(Read(kept) == bytes) << what;
  }
  EXPECT_TRUE(Read("TraceroutePages.dat.bad") == Header(2, 1) + page);
  // A file read whole, or none at all, leaves nothing beside.
  for (const char* kept : {"", ".2", ".3"}) fs::remove(Path(std::string("TraceroutePages.dat.bad") + kept));
  TPingRegistry good(Mode::Traceroute);
  TRangeRegistry none(Mode::RangePing);
  ASSERT_TRUE(LoadPages(good, config_).ok());
  EXPECT_EQ(LoadPages(none, config_).kind, Status::Kind::NotFound);
  ASSERT_TRUE(SavePages(good, config_).ok() && SavePages(none, config_).ok());
  EXPECT_EQ(Names(), (std::set<std::string>{"TraceroutePages.dat", "RangePingPages.dat"}));
}

// A file longer than the reader takes was not read whole, even when its
// header counts every record the reader takes: it is kept aside, with its mode.
TEST_F(PageFilesTest, AFileLongerThanTheReaderTakesIsKeptAsBad) {
  const std::string bytes = FileOf(Mode::Ping, MaxPages, MaxPages) + "x";
  ASSERT_TRUE(WriteFileAtomically(Path("PingPages.dat"), bytes).ok());
  const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  fs::permissions(Path("PingPages.dat"), mode);
  TPingRegistry registry(Mode::Ping);
  EXPECT_FALSE(LoadPages(registry, config_).ok());
  EXPECT_EQ(registry.Count(), MaxPages);
  ASSERT_TRUE(SavePages(registry, config_).ok());
  EXPECT_TRUE(Read("PingPages.dat.bad") == bytes);
  EXPECT_EQ(fs::status(Path("PingPages.dat.bad")).permissions(), mode);
}

// A page file that is there but could not be read may hold every page the
// user has: no save of that session replaces it, and the save says why.
TEST_F(PageFilesTest, AFileThatCouldNotBeReadIsNeverReplaced) {
  const std::string bytes = FileOf(Mode::Ping, 10, 10);
  ASSERT_TRUE(WriteFileAtomically(Path("PingPages.dat"), bytes).ok());
  fs::permissions(Path("PingPages.dat"), fs::perms::owner_write);
  TPingRegistry registry(Mode::Ping);
  {
    PermissionBitsApply asAnyUser;
    EXPECT_EQ(LoadPages(registry, config_).kind, Status::Kind::Denied);
  }
  ASSERT_TRUE(AddPage(registry, TPingPage{}));
  const Status saved = SavePages(registry, config_);  // even once it can be read
  EXPECT_FALSE(saved.ok());
  EXPECT_NE(saved.message.find(Path("PingPages.dat")), std::string::npos) << saved.message;
  EXPECT_NE(saved.message.find("Permission denied"), std::string::npos) << saved.message;
  EXPECT_TRUE(Read("PingPages.dat") == bytes);
  EXPECT_EQ(Names(), std::set<std::string>{"PingPages.dat"});
}

auto Told(const UnreadFile& f) {
  return std::make_tuple(f.path, f.why, f.readInPart, f.keptAs, f.keepFailure);
}

// At start-up each file its load did not read whole is kept aside at once,
// under the first free name, and named with its copy; one that could not be
// read, or that is no regular file and so is never read, is only named. The
// saves after it make no second copy and replace no file that could not be
// read; files read whole, or not to be seen at all (behind a folder that may
// not be searched), bring nothing.
TEST_F(PageFilesTest, StartUpKeepsFilesNotReadWholeAsideOnceAndNamesThem) {
  const std::string cut = FileOf(Mode::Ping, 3, 3).substr(0, 8 + 3 * 3656 - 1);
  const struct Case {
    const char* what;
    Mode mode;
    std::variant<std::string, NotAFile> made;  // the file's bytes, or what stands in its place
    bool earlierCopy;
    enum { Open, FileLocked, FolderLocked } lock;
    const char* why;  // none: nothing to tell
    const char* keptAs;
  } cases[] = {
      {"cut short", Mode::Ping, cut, false, Case::Open, "page record 3 of 3 is cut short", ".bad"},
      {"another version", Mode::RangePing, Header(2, 1) + FileOf(Mode::RangePing, 1, 1).substr(8), true,
       Case::Open, "not a page file of version 1", ".bad.2"},
      {"unreadable", Mode::Traceroute, FileOf(Mode::Traceroute, 2, 2), false, Case::FileLocked,
       "Permission denied", ""},
      {"read whole", Mode::PathPing, FileOf(Mode::PathPing, 2, 2), false, Case::Open, nullptr, ""},
      {"a FIFO", Mode::MultiPing, NotAFile::Fifo, false, Case::Open, "not a regular file", ""},
      {"a folder", Mode::RangePing, NotAFile::Folder, false, Case::Open, "not a regular file", ""},
      {"a link to a device", Mode::Ping, NotAFile::DeviceLink, false, Case::Open, "not a regular file", ""},
      {"behind a locked folder", Mode::Ping, cut, false, Case::FolderLocked, nullptr, ""},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(c.what);
    const std::string folder = config_ + "/" + std::to_string(i);
    const std::string path = folder + "/" + PageFileName(c.mode);
    ASSERT_TRUE(MakeFolder(folder).ok());
    const std::string* bytes = std::get_if<std::string>(&c.made);
    ASSERT_TRUE(bytes ? WriteFileAtomically(path, *bytes).ok()
                      : MakeNotAFile(std::get<NotAFile>(c.made), path));
    if (c.earlierCopy) {
      ASSERT_TRUE(WriteFileAtomically(path + ".bad", "an earlier copy").ok());
    }
    const bool locked = c.lock != Case::Open, unreadable = locked || !bytes;
    if (locked) fs::permissions(c.lock == Case::FileLocked ? path : folder, fs::perms::owner_write);
    TPingRegistry pings(c.mode);
    TRangeRegistry ranges(c.mode);
    std::vector<UnreadFile> told;
    {
      std::optional<PermissionBitsApply> asAnyUser;
      if (locked) asAnyUser.emplace();
      c.mode == Mode::RangePing ? LoadPages(ranges, folder) : LoadPages(pings, folder);
      told = KeepUnreadPageFilesAside(folder);
      EXPECT_TRUE(KeepUnreadPageFilesAside(folder).size() == told.size() - (c.keptAs[0] ? 1 : 0))
          << "a file kept aside is kept once";
    }
    if (!c.why) {
      EXPECT_TRUE(told.empty());
      continue;
    }
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(Told(told[0]), Told({path, c.why, !unreadable, c.keptAs[0] ? path + c.keptAs : "", ""}));
    for (int save = 0; save < 2; ++save)
      EXPECT_EQ(c.mode == Mode::RangePing ? SavePages(ranges, folder).ok() : SavePages(pings, folder).ok(),
                !unreadable);
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    std::set<std::string> expected = {PageFileName(c.mode)};
    if (c.earlierCopy) expected.insert(PageFileName(c.mode) + ".bad");
    if (c.keptAs[0]) expected.insert(PageFileName(c.mode) + c.keptAs);
    EXPECT_EQ(names, expected);
    EXPECT_TRUE(ReadFilePrefix(c.keptAs[0] ? path + c.keptAs : path, 1 << 20).value_or("(unread)") ==
                (bytes ? *bytes : "(unread)"));
  }
}

// A copy that cannot be made at start-up (here in a folder the program may
// not write) is named with the reason, and the save tries again: it
// replaces the file only once the copy is made.
TEST_F(PageFilesTest, ACopyThatFailsAtStartUpIsMadeBeforeTheSave) {
  const std::string bytes = FileOf(Mode::Ping, 2, 2) + "x";
  ASSERT_TRUE(WriteFileAtomically(Path("PingPages.dat"), bytes).ok());
  TPingRegistry registry(Mode::Ping);
  EXPECT_FALSE(LoadPages(registry, config_).ok());
  fs::permissions(config_, fs::perms::owner_read | fs::perms::owner_exec);
  {
    PermissionBitsApply asAnyUser;
    const std::vector<UnreadFile> told = KeepUnreadPageFilesAside(config_);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].keptAs, "");
    EXPECT_NE(told[0].keepFailure.find("Permission denied"), std::string::npos) << told[0].keepFailure;
    EXPECT_FALSE(SavePages(registry, config_).ok());
  }
  fs::permissions(config_, fs::perms::owner_all);
  EXPECT_TRUE(Read("PingPages.dat") == bytes);
  ASSERT_TRUE(SavePages(registry, config_).ok() && SavePages(registry, config_).ok());
  EXPECT_TRUE(Read("PingPages.dat.bad") == bytes);
  EXPECT_EQ(Names(), (std::set<std::string>{"PingPages.dat", "PingPages.dat.bad"}));
}

// A save killed between creating its temporary and renaming it leaves the
// temporary behind; the next start removes ours and nothing else.
TEST_F(PageFilesTest, StartUpRemovesTheTemporariesOfKilledSaves) {
  const std::string tag = ".0123456789abcdef";
  const std::set<std::string> ours = {".PingPages.dat" + tag,      ".MultiPingPages.dat" + tag,
                                      ".RangePingPages.dat" + tag, ".TraceroutePages.dat" + tag,
                                      ".PathPingPages.dat" + tag,  ".config.ini.ffffffff00000000"};
  // clang-format off
  std::set<std::string> others = {"PingPages.dat", "PingPages.dat.bad", "PingPages.dat" + tag,
                                  ".PingPages.dat.0123456789abcde", ".PingPages.dat.0123456789abcdeF", ".Other.dat" + tag};
  // clang-format on
  for (const std::string& name : ours) ASSERT_TRUE(WriteFileAtomically(Path(name), name).ok());
  for (const std::string& name : others) ASSERT_TRUE(WriteFileAtomically(Path(name), name).ok());
  // A folder and a link by one of our names are not temporaries of ours.
  fs::create_directory(Path(".PathPingPages.dat.dddddddddddddddd"));
  fs::create_symlink("PingPages.dat", Path(".PingPages.dat.eeeeeeeeeeeeeeee"));
  others.insert({".PathPingPages.dat.dddddddddddddddd", ".PingPages.dat.eeeeeeeeeeeeeeee"});
  RemoveSaveLeftovers(config_);
  EXPECT_EQ(Names(), others);
}

}  // namespace
