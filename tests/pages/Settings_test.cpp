#include "pages/Settings.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/FileIo.h"
#include "platform/IniFile.h"
#include "platform/ProgramPaths.h"

namespace fs = std::filesystem;

namespace {

struct FakeWindow : WindowGeometry {
  std::optional<WindowRect> workArea = WindowRect{0, 0, 1920, 1040};
  WindowRect current{450, 195, 1020, 650};
  std::optional<WindowRect> normal;
  bool maximized = false;
  int setCalls = 0;

  std::optional<WindowRect> WorkArea() const override { return workArea; }
  WindowRect CurrentRect() const override { return current; }
  std::optional<WindowRect> NormalRect() const override { return normal; }
  bool IsMaximized() const override { return maximized; }
  void SetRect(const WindowRect& rect) override {
    current = rect;
    ++setCalls;
  }
  void Maximize() override { maximized = true; }
};

struct FakeLayout : ModeLayout {
  explicit FakeLayout(int resultColumns) : resultColumns(resultColumns) {
    for (int i = 0; i < 10; ++i) result[i] = 60 + i;
    for (int i = 0; i < ReplyColumnCount; ++i) replies[i] = 80 + i;
  }
  int resultColumns;
  int pane = 300;
  int frame = 700;
  int result[10];
  int replies[ReplyColumnCount];

  int PaneClientHeight() const override { return pane; }
  void SetPaneClientHeight(int height) override { pane = height; }
  int FrameClientHeight() const override { return frame; }
  int ResultColumnWidth(int column) const override { return result[Checked(column, resultColumns)]; }
  void SetResultColumnWidth(int column, int width) override {
    result[Checked(column, resultColumns)] = width;
  }
  int ReplyColumnWidth(int column) const override { return replies[Checked(column, ReplyColumnCount)]; }
  void SetReplyColumnWidth(int column, int width) override {
    replies[Checked(column, ReplyColumnCount)] = width;
  }

  static int Checked(int column, int count) {
    EXPECT_TRUE(column >= 0 && column < count) << "column " << column;
    return std::clamp(column, 0, count - 1);
  }
};

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("velquor-settings-" + std::to_string(::getpid()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    path = (dir / "config.ini").string();
    GlobalOptions.ResultFolder = "/initial/Results/";
    GlobalOptions.RunAtSystemStartup = false;
    GlobalOptions.CsvType = 1;
    GlobalOptions.IpVersion = 0;
    GlobalOptions.IpPriority = 0;
  }
  void TearDown() override {
    SetProgramFolderOverride("");
    fs::remove_all(dir);
  }

  void WriteConfig(const std::string& text) const { ASSERT_TRUE(WriteFileAtomically(path, text).ok()); }
  std::string ReadConfig() const { return ReadFilePrefix(path, 1 << 20).value_or("<missing>"); }
  Status Load() { return LoadConfig(path, window, Layouts()); }
  Status Save() { return SaveConfig(path, window, Layouts()); }
  ModeLayouts Layouts() { return {&ping, &multi, &range, &trace, &pathPing}; }

  fs::path dir;
  std::string path;
  FakeWindow window;
  FakeLayout ping{10}, multi{10}, range{9}, trace{10}, pathPing{10};
};

TEST_F(SettingsTest, MissingFileChangesNothing) {
  ping.pane = 2000;  // out of range, yet left alone: no file means no fitting either
  const Status status = Load();
  EXPECT_EQ(status.kind, Status::Kind::NotFound);
  EXPECT_EQ(window.setCalls, 0);
  EXPECT_EQ(window.current, (WindowRect{450, 195, 1020, 650}));
  EXPECT_FALSE(window.maximized);
  EXPECT_EQ(ping.pane, 2000);
  EXPECT_EQ(range.result[8], 68);
  EXPECT_EQ(GlobalOptions.ResultFolder, "/initial/Results/");
  EXPECT_EQ(GlobalOptions.CsvType, 1);
}

TEST_F(SettingsTest, OptionsAreReadWithTheirFittingRules) {
  const struct {
    const char* text;
    int version, priority, csv;
    bool startup;
  } cases[] = {
      {"IpVersion=3\nIpPriority=2\n", 0, 0, 1, false},
      {"IpVersion=258\nIpPriority=257\n", 2, 1, 1, false},
      {"IpVersion=256\nIpPriority=-255\n", 0, 1, 1, false},
      {"IpVersion=1\nCsvType=0\nRunAtSystemStartup=5\n", 1, 0, 0, true},
      {"CsvType=-7\nRunAtSystemStartup=0x100\n", 0, 0, -7, true},
  };
  for (const auto& c : cases) {
    SetUp();
    WriteConfig(std::string("[MAIN]\n") + c.text);
    ASSERT_TRUE(Load().ok());
    EXPECT_EQ(GlobalOptions.IpVersion.load(), c.version) << c.text;
    EXPECT_EQ(GlobalOptions.IpPriority.load(), c.priority) << c.text;
    EXPECT_EQ(GlobalOptions.CsvType, c.csv) << c.text;
    EXPECT_EQ(GlobalOptions.RunAtSystemStartup, c.startup) << c.text;
  }
  // Missing keys keep what the options held.
  GlobalOptions.IpVersion = 2;
  GlobalOptions.RunAtSystemStartup = true;
  WriteConfig("[MAIN]\nCsvType=0\n");
  ASSERT_TRUE(Load().ok());
  EXPECT_EQ(GlobalOptions.IpVersion.load(), 2);
  EXPECT_TRUE(GlobalOptions.RunAtSystemStartup);
}

TEST_F(SettingsTest, ResultFolderGetsItsSlashAndIsReadWhole) {
  WriteConfig("[MAIN]\nResultFolder=/srv/reports\n");
  ASSERT_TRUE(Load().ok());
  EXPECT_EQ(GlobalOptions.ResultFolder, "/srv/reports/");

  WriteConfig("[MAIN]\nResultFolder=/already/\n");
  ASSERT_TRUE(Load().ok());
  EXPECT_EQ(GlobalOptions.ResultFolder, "/already/");

  WriteConfig("[MAIN]\nResultFolder=\n");
  ASSERT_TRUE(Load().ok());
  EXPECT_EQ(GlobalOptions.ResultFolder, "/already/");

  const std::string deep = "/" + std::string(400, 'd');
  WriteConfig("[MAIN]\nResultFolder=" + deep + "\n");
  ASSERT_TRUE(Load().ok());
  EXPECT_EQ(GlobalOptions.ResultFolder, deep + "/");
}

TEST_F(SettingsTest, WindowIsFittedIntoTheWorkArea) {
  const struct {
    const char* text;
    std::optional<WindowRect> area;
    WindowRect expected;
  } cases[] = {
      {"Width=5000\n", WindowRect{0, 0, 1920, 1040}, {0, 195, 1920, 650}},
      {"Left=-300\nTop=-5\n", WindowRect{0, 0, 1920, 1040}, {0, 0, 1020, 650}},
      {"Left=1500\nTop=900\n", WindowRect{0, 0, 1920, 1040}, {900, 390, 1020, 650}},
      // A panel at the top: the window stays below it and inside the area.
      {"Left=0\nTop=32\nWidth=1920\nHeight=1048\n", WindowRect{0, 32, 1920, 1048}, {0, 32, 1920, 1048}},
      {"Left=2500\nTop=0\n", WindowRect{1920, 0, 1280, 1024}, {2180, 0, 1020, 650}},
      // No work area reported: the design size bounds the window.
      {"Left=900\nTop=-40\nWidth=400\nHeight=900\n", std::nullopt, {620, 0, 400, 650}},
      {"Left=2147483647\nTop=2147483647\nWidth=2147483647\nHeight=2147483647\n",
       WindowRect{0, 0, 1920, 1040},
       {0, 0, 1920, 1040}},
  };
  for (const auto& c : cases) {
    window = FakeWindow();
    window.workArea = c.area;
    WriteConfig(std::string("[MAIN]\n") + c.text);
    ASSERT_TRUE(Load().ok());
    EXPECT_EQ(window.current, c.expected) << c.text;
    EXPECT_FALSE(window.maximized) << c.text;
  }
  window = FakeWindow();
  WriteConfig("[MAIN]\nMaximized=2\n");
  ASSERT_TRUE(Load().ok());
  EXPECT_FALSE(window.maximized);
  WriteConfig("[MAIN]\nMaximized=1\n");
  ASSERT_TRUE(Load().ok());
  EXPECT_TRUE(window.maximized);
}

TEST_F(SettingsTest, PaneHeightsAndColumnWidthsAreFitted) {
  ping.frame = 600;
  multi.frame = 120;
  trace.pane = 900;  // no key: the current height is fitted as well
  range.frame = 600;
  WriteConfig(
      "[MAIN]\n"
      "PingHostHeight=5000\nMultiPingHostHeight=5000\nRangePingHostHeight=20\nPathPingHostHeight=1200\n"
      "PingHostWidth3=2\nPingRepliesWidth6=4000\nPingHostWidth9=-1\n"
      "MultiPingHostWidth0=77\nRangePingHostWidth8=123\nRangePingHostWidth9=321\n"
      "TracerouteRepliesWidth0=3\nPathPingRepliesWidth0=1000\n");
  pathPing.frame = 2000;
  ASSERT_TRUE(Load().ok());
  EXPECT_EQ(ping.pane, 450);
  EXPECT_EQ(multi.pane, 50);
  EXPECT_EQ(range.pane, 50);
  EXPECT_EQ(trace.pane, 550);
  EXPECT_EQ(pathPing.pane, 1000);
  EXPECT_EQ(ping.result[3], 5);
  EXPECT_EQ(ping.replies[6], 1000);
  EXPECT_EQ(ping.result[9], 5);
  EXPECT_EQ(ping.result[2], 62);
  EXPECT_EQ(multi.result[0], 77);
  EXPECT_EQ(ping.result[0], 60);
  EXPECT_EQ(range.result[8], 123);
  EXPECT_EQ(range.result[9], 69);  // the range grid has no tenth column
  EXPECT_EQ(trace.replies[0], 5);
  EXPECT_EQ(trace.replies[1], 81);
  EXPECT_EQ(pathPing.replies[0], 1000);
}

TEST_F(SettingsTest, WrittenFileHoldsAllKeysInOrder) {
  GlobalOptions.ResultFolder = "/data/Results/";
  GlobalOptions.CsvType = 0;
  GlobalOptions.IpVersion = 2;
  GlobalOptions.IpPriority = 1;
  GlobalOptions.RunAtSystemStartup = true;
  range.result[8] = 111;
  pathPing.replies[6] = 222;
  ASSERT_TRUE(Save().ok());

  std::vector<std::string> expected = {"RunAtSystemStartup=1",
                                       "ResultFolder=/data/Results/",
                                       "CsvType=0",
                                       "IpVersion=2",
                                       "IpPriority=1",
                                       "Left=450",
                                       "Top=195",
                                       "Width=1020",
                                       "Height=650",
                                       "Maximized=0"};
  for (const char* mode : {"Ping", "MultiPing", "RangePing", "Traceroute", "PathPing"}) {
    const int columns = std::string(mode) == "RangePing" ? 9 : 10;
    expected.push_back(std::string(mode) + "HostHeight=300");
    for (int i = 0; i < columns; ++i) {
      const int width = std::string(mode) == "RangePing" && i == 8 ? 111 : 60 + i;
      expected.push_back(std::string(mode) + "HostWidth" + std::to_string(i) + "=" + std::to_string(width));
    }
    for (int i = 0; i < 7; ++i) {
      const int width = std::string(mode) == "PathPing" && i == 6 ? 222 : 80 + i;
      expected.push_back(std::string(mode) + "RepliesWidth" + std::to_string(i) + "=" +
                         std::to_string(width));
    }
  }
  ASSERT_EQ(expected.size(), 99u);
  std::istringstream lines(ReadConfig());
  std::string line;
  ASSERT_TRUE(std::getline(lines, line));
  EXPECT_EQ(line, "[MAIN]");
  for (const std::string& want : expected) {
    ASSERT_TRUE(std::getline(lines, line)) << "missing " << want;
    EXPECT_EQ(line, want);
  }
  EXPECT_FALSE(std::getline(lines, line)) << "extra line " << line;
}

TEST_F(SettingsTest, MaximisedWindowRoundTripsThroughItsNormalRect) {
  window.maximized = true;
  window.current = {0, 0, 1920, 1040};
  window.normal = WindowRect{100, 120, 900, 600};
  ASSERT_TRUE(Save().ok());
  const IniFile written = IniFile::FromText(ReadConfig());
  EXPECT_EQ(written.ReadInteger("MAIN", "Left", -1), 100);
  EXPECT_EQ(written.ReadInteger("MAIN", "Width", -1), 900);
  EXPECT_EQ(written.ReadInteger("MAIN", "Maximized", -1), 1);

  window = FakeWindow();
  ASSERT_TRUE(Load().ok());
  EXPECT_EQ(window.current, (WindowRect{100, 120, 900, 600}));
  EXPECT_TRUE(window.maximized);

  // Without a reported normal rectangle the current one is stored.
  window.normal.reset();
  window.current = {5, 6, 700, 500};
  ASSERT_TRUE(Save().ok());
  EXPECT_EQ(IniFile::FromText(ReadConfig()).ReadInteger("MAIN", "Width", -1), 700);
}

TEST_F(SettingsTest, SavingKeepsForeignLinesAndReplacesKeysInPlace) {
  WriteConfig("; mine\r\n[Extra]\r\nWidth=3\r\n[main]\r\nwidth=1\r\nCustom=yes\r\n");
  ASSERT_TRUE(Save().ok());
  const std::string text = ReadConfig();
  EXPECT_EQ(
      text.rfind(
          "; mine\r\n[Extra]\r\nWidth=3\r\n[main]\r\nwidth=1020\r\nCustom=yes\r\nRunAtSystemStartup=0\r\n",
          0),
      0u)
      << text;
  // Every line, old or new, ends in CRLF like the file did.
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), std::count(text.begin(), text.end(), '\r'));
  // A folder name with a line break cannot be stored: the old value stays.
  GlobalOptions.ResultFolder = "/bad\nname/";
  ASSERT_TRUE(Save().ok());
  EXPECT_EQ(IniFile::FromText(ReadConfig()).ReadString("MAIN", "ResultFolder", ""), "/initial/Results/");
}

TEST_F(SettingsTest, FailedSaveKeepsTheOldFile) {
  const std::string old = "[MAIN]\nCsvType=0\n";
  WriteConfig(old);
  // A file size limit below the new file's size makes every write of it fail
  // half way, even for root.
  struct sigaction ignore = {}, previous = {};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(::sigaction(SIGXFSZ, &ignore, &previous), 0);
  rlimit limit{}, saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  limit = saved;
  limit.rlim_cur = 64;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
  const Status status = Save();
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::sigaction(SIGXFSZ, &previous, nullptr);

  EXPECT_FALSE(status.ok());
  EXPECT_EQ(ReadConfig(), old);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(SettingsTest, DefaultPathLiesInTheConfigFolder) {
  SetProgramFolderOverride(dir.string());
  EXPECT_EQ(ConfigFilePath(), (dir / "Config" / "config.ini").string());
  GlobalOptions.CsvType = 5;
  ASSERT_TRUE(SaveConfig(window, Layouts()).ok());  // creates the Config folder
  GlobalOptions.CsvType = 1;
  ASSERT_TRUE(LoadConfig(window, Layouts()).ok());
  EXPECT_EQ(GlobalOptions.CsvType, 5);

  ResetOptions();
  EXPECT_EQ(GlobalOptions.ResultFolder, (dir / "Results").string() + "/");
  EXPECT_EQ(GlobalOptions.CsvType, 1);
  EXPECT_EQ(FolderWithSlash(""), "");
}

}  // namespace
