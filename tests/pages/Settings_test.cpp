// How the settings file is fitted to the screen and the tabs. The INI format
// itself is IniFile's, atomic saving FileIo's.

#include "pages/Settings.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <climits>
#include <filesystem>
#include <numeric>
#include <optional>
#include <set>
#include <variant>

#include "platform/FileIo.h"
#include "platform/IniFile.h"
#include "support/NotAFile.h"
#include "support/PermissionBits.h"

namespace {

struct FakeWindow : WindowGeometry {
  std::vector<WindowRect> workAreas{{0, 0, 1920, 1040}};
  WindowRect current{450, 195, 1020, 650};
  std::optional<WindowRect> normal;
  bool maximized = false;

  std::vector<WindowRect> WorkAreas() const override { return workAreas; }
  WindowRect CurrentRect() const override { return current; }
  std::optional<WindowRect> NormalRect() const override { return normal; }
  bool IsMaximized() const override { return maximized; }
  void SetRect(const WindowRect& rect) override { current = rect; }
  void Maximize() override { maximized = true; }
};

// Widths 60.. and 80..; a column the tab does not have throws.
struct FakeLayout : ModeLayout {
  explicit FakeLayout(int columns) : result(columns), replies(ReplyColumnCount) {
    std::iota(result.begin(), result.end(), 60);
    std::iota(replies.begin(), replies.end(), 80);
  }
  int pane = 300;
  std::vector<int> result, replies;

  int PaneClientHeight() const override { return pane; }
  void SetPaneClientHeight(int height) override { pane = height; }
  int ResultColumnWidth(int column) const override { return result.at(column); }
  void SetResultColumnWidth(int column, int width) override { result.at(column) = width; }
  int ReplyColumnWidth(int column) const override { return replies.at(column); }
  void SetReplyColumnWidth(int column, int width) override { replies.at(column) = width; }
};

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetOptions(); }
  void Load(const std::string& text) {
    ASSERT_TRUE(WriteFileAtomically(path, "[MAIN]\n" + text).ok());
    ASSERT_TRUE(LoadConfig(path, window, Layouts()).ok());
  }
  ModeLayouts Layouts() { return {&ping, &multi, &range, &trace, &pathPing}; }
  static auto Options() {
    const ProgramOptions& o = GlobalOptions;
    return std::make_tuple(int{o.IpVersion}, int{o.IpPriority}, o.CsvType, o.RunAtSystemStartup,
                           o.ResultFolder);
  }

  QTemporaryDir folder;
  const std::string path = folder.filePath("config.ini").toStdString();
  FakeWindow window;
  FakeLayout ping{10}, multi{10}, range{9}, trace{10}, pathPing{10};
};

TEST_F(SettingsTest, OptionsKeepTheirLowByteAndTheFolderItsSlash) {
  Load("IpVersion=258\nIpPriority=2\nCsvType=-7\nRunAtSystemStartup=0x100\nResultFolder=/srv/r\n");
  EXPECT_EQ(Options(), std::make_tuple(2, 0, -7, true, "/srv/r/"));
  Load("IpVersion=3\nIpPriority=257\nResultFolder=\n");  // a missing or empty value keeps the option
  EXPECT_EQ(Options(), std::make_tuple(0, 1, -7, true, "/srv/r/"));
  // No file changes nothing, not even what is out of range.
  ping.pane = 2000;
  EXPECT_EQ(LoadConfig(path + ".absent", window, Layouts()).kind, Status::Kind::NotFound);
  EXPECT_EQ(ping.pane, 2000);
}

TEST_F(SettingsTest, WindowIsFittedIntoTheWorkAreaOfTheMonitorThatHoldsMostOfIt) {
  const WindowRect screen{0, 0, 1920, 1040}, right{1920, 0, 1280, 1024};
  const std::tuple<const char*, std::vector<WindowRect>, WindowRect, bool> cases[] = {
      {"Width=5000\n", {screen}, {0, 195, 1920, 650}, false},
      {"Left=-300\nTop=-5\nMaximized=2\n", {screen}, {0, 0, 1020, 650}, false},
      {"Left=1500\nTop=900\nMaximized=1\n", {screen}, {900, 390, 1020, 650}, true},
      // A panel at the top, a second screen: the window stays inside the area.
      {"Top=32\nWidth=1920\nHeight=1048\n", {{0, 32, 1920, 1048}}, {0, 32, 1920, 1048}, false},
      {"Left=2500\nTop=0\n", {right}, {2180, 0, 1020, 650}, false},
      // Two monitors: the one with the larger share, and the primary one
      // (listed first) when neither holds any of it.
      {"Left=1500\nTop=-40\n", {screen, right}, {1920, 0, 1020, 650}, false},
      {"Left=5000\nTop=-900\n", {right, screen}, {2180, 0, 1020, 650}, false},
      {"Left=1000\nTop=0\n", {right, screen}, {900, 0, 1020, 650}, false},
      // Half on each: the primary one, so that it does not hop between them.
      {"Left=1410\nTop=0\n", {right, screen}, {1920, 0, 1020, 650}, false},
      // No work area reported: the design size bounds the window.
      {"Left=900\nTop=-40\nWidth=400\nHeight=900\n", {}, {620, 0, 400, 650}, false},
      {"Left=2147483647\nTop=2147483647\nWidth=2147483647\nHeight=2147483647\n", {screen}, screen, false},
  };
  for (const auto& [text, areas, expected, maximized] : cases) {
    window = FakeWindow();
    window.workAreas = areas;
    Load(text);
    EXPECT_EQ(window.current, expected) << text;
    EXPECT_EQ(window.maximized, maximized) << text;
  }
}

// A first start centres the design size on the primary monitor, wherever
// that lies, and fits it there as a saved place is fitted when the work area
// is the smaller.
TEST_F(SettingsTest, AFirstStartIsCentredAndFittedIntoThePrimaryMonitor) {
  const std::tuple<std::vector<WindowRect>, WindowRect> cases[] = {
      {{{0, 30, 1093, 584}}, {36, 30, 1020, 584}},
      {{{1366, 0, 729, 410}, {0, 0, 1457, 410}}, {1366, 0, 729, 410}},
      {{}, {0, 0, 1020, 650}},
  };
  for (const auto& [areas, expected] : cases) {
    window.workAreas = areas;
    PlaceFirstStart(window, 1020, 650);
    EXPECT_EQ(window.current, expected) << testing::PrintToString(areas);
  }
}

TEST_F(SettingsTest, PaneHeightsAndColumnWidthsAreFitted) {
  trace.pane = 2000;  // no key: the current height is fitted as well
  Load(
      "PingHostHeight=5000\nMultiPingHostHeight=640\nRangePingHostHeight=20\nPathPingHostHeight=1200\n"
      "PingHostWidth3=2\nPingRepliesWidth6=4000\nPingHostWidth9=-1\nMultiPingHostWidth0=77\n"
      "RangePingHostWidth8=123\nRangePingHostWidth9=321\nTracerouteRepliesWidth0=3\n"
      "PathPingRepliesWidth0=1000\nPathPingHostWidth9=2147483647\n");
  EXPECT_EQ((std::vector<int>{ping.pane, multi.pane, range.pane, trace.pane, pathPing.pane}),
            (std::vector<int>{1000, 640, 50, 1000, 1000}));
  EXPECT_EQ(ping.result, (std::vector<int>{60, 61, 62, 5, 64, 65, 66, 67, 68, 5}));
  EXPECT_EQ(ping.replies, (std::vector<int>{80, 81, 82, 83, 84, 85, 1000}));
  EXPECT_EQ((std::vector<int>{multi.result[0], range.result[8], trace.replies[0], pathPing.replies[0],
                              pathPing.result[9]}),
            (std::vector<int>{77, 123, 5, 1000, 1000}));
}

// Every key in the order of the format, and a maximised window stored by its
// normal rectangle, which loading restores before maximising.
TEST_F(SettingsTest, SavedFileHoldsEveryKeyAndRestoresAMaximisedWindow) {
  GlobalOptions.ResultFolder = "/data/";
  GlobalOptions.IpVersion = 2;
  window.maximized = true;
  window.normal = WindowRect{100, 120, 900, 600};
  ASSERT_TRUE(SaveConfig(path, window, Layouts()).ok());
  std::string expected =
      "[MAIN]\nRunAtSystemStartup=0\nResultFolder=/data/\nCsvType=1\nIpVersion=2\nIpPriority=0\n"
      "Left=100\nTop=120\nWidth=900\nHeight=600\nMaximized=1\n";
  for (const std::string mode : {"Ping", "MultiPing", "RangePing", "Traceroute", "PathPing"}) {
    expected += mode + "HostHeight=300\n";
    for (int i = 0; i < (mode == "RangePing" ? 9 : 10); ++i)
      expected += mode + "HostWidth" + std::to_string(i) + "=" + std::to_string(60 + i) + "\n";
    for (int i = 0; i < 7; ++i)
      expected += mode + "RepliesWidth" + std::to_string(i) + "=" + std::to_string(80 + i) + "\n";
  }
  EXPECT_EQ(ReadFilePrefix(path, 1 << 20), expected);
  window = FakeWindow();
  ASSERT_TRUE(LoadConfig(path, window, Layouts()).ok());
  EXPECT_EQ(window.current, (WindowRect{100, 120, 900, 600}));
  EXPECT_TRUE(window.maximized);
}

// A file the reader stopped short of, or could not read at all, holds lines
// the save would drop: it is kept aside before it is replaced, under the
// first free name, and stays as it is when even that cannot be done.
TEST_F(SettingsTest, AFileNotReadWholeIsKeptAsideBeforeItIsReplaced) {
  std::string large = "[MAIN]\nCsvType=0\n";
  while (large.size() <= IniFile::MaxFileBytes + 100000) large += "; a comment line of the user's\n";
  const std::string small = "[MAIN]\nCsvType=0\n";
  ASSERT_TRUE(WriteFileAtomically(path + ".bad", "an earlier copy").ok());
  ASSERT_TRUE(WriteFileAtomically(path, large).ok());
  ASSERT_TRUE(SaveConfig(path, window, Layouts()).ok());
  EXPECT_TRUE(ReadFilePrefix(path + ".bad.2", 2 << 20) == large);
  EXPECT_EQ(ReadFilePrefix(path + ".bad", 100), "an earlier copy");
  ASSERT_TRUE(LoadConfig(path, window, Layouts()).ok());

  ASSERT_TRUE(WriteFileAtomically(path, small).ok());
  std::filesystem::permissions(path, std::filesystem::perms::owner_write);
  {
    PermissionBitsApply asAnyUser;
    const Status saved = SaveConfig(path, window, Layouts());
    EXPECT_FALSE(saved.ok());
    EXPECT_NE(saved.message.find(path), std::string::npos) << saved.message;
    EXPECT_NE(saved.message.find("Permission denied"), std::string::npos) << saved.message;
  }
  EXPECT_EQ(ReadFilePrefix(path, 100), small);
  EXPECT_FALSE(std::filesystem::exists(path + ".bad.3"));
}

// At start-up a file too large is kept aside at once, under the first free
// name, and the saves after it replace it without a second copy; one that
// could not be read, or a folder or device in its place, is only named, and
// no save replaces it while it cannot be read. A file read whole brings
// nothing.
TEST_F(SettingsTest, StartUpKeepsAFileTooLargeAsideOnceAndNamesIt) {
  std::string large = "[MAIN]\nCsvType=0\n";
  large.resize(IniFile::MaxFileBytes + 1, ';');
  const struct {
    const char* what;
    std::variant<std::string, NotAFile> made;  // the file's bytes, or what stands in its place
    bool unreadable;
    const char* why;  // none: nothing to tell
    const char* keptAs;
  } cases[] = {
      {"too large", large, false, "larger than a settings file may be, 1048576 bytes", ".bad.2"},
      {"unreadable", "[MAIN]\nCsvType=0\n", true, "Permission denied", ""},
      {"read whole", "[MAIN]\nCsvType=0\n", false, nullptr, ""},
      {"a folder", NotAFile::Folder, false, "not a regular file", ""},
      {"a link to a device", NotAFile::DeviceLink, false, "not a regular file", ""},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(c.what);
    const std::string folderPath = folder.filePath(QString::number(i)).toStdString();
    const std::string file = folderPath + "/config.ini";
    const std::string* bytes = std::get_if<std::string>(&c.made);
    ASSERT_TRUE(MakeFolder(folderPath).ok());
    ASSERT_TRUE(WriteFileAtomically(file + ".bad", "an earlier copy").ok());
    ASSERT_TRUE(bytes ? WriteFileAtomically(file, *bytes).ok()
                      : MakeNotAFile(std::get<NotAFile>(c.made), file));
    if (c.unreadable) std::filesystem::permissions(file, std::filesystem::perms::owner_write);
    std::optional<PermissionBitsApply> asAnyUser;
    if (c.unreadable) asAnyUser.emplace();
    LoadConfig(file, window, Layouts());
    const std::optional<UnreadFile> told = KeepUnreadConfigAside();
    EXPECT_FALSE(KeepUnreadConfigAside()) << "named twice";
    ASSERT_EQ(told.has_value(), c.why != nullptr);
    if (!told) continue;
    const bool unread = c.unreadable || !bytes;
    EXPECT_EQ(std::tie(told->path, told->why, told->readInPart, told->keptAs, told->keepFailure),
              std::make_tuple(file, std::string(c.why), !unread,
                              c.keptAs[0] ? file + c.keptAs : std::string(), std::string()));
    for (int save = 0; save < 2; ++save) EXPECT_EQ(SaveConfig(file, window, Layouts()).ok(), !unread);
    asAnyUser.reset();
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folderPath))
      names.insert(entry.path().filename().string());
    std::set<std::string> expected = {"config.ini", "config.ini.bad"};
    if (c.keptAs[0]) expected.insert(std::string("config.ini") + c.keptAs);
    EXPECT_EQ(names, expected);
    EXPECT_TRUE(ReadFilePrefix(c.keptAs[0] ? file + c.keptAs : file, 2 << 20).value_or("(unread)") ==
                (bytes ? *bytes : "(unread)"));
  }
}

}  // namespace
