// Saving and loading the page files on disk, including saves that fail.

#include "pages/PageFiles.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "PageFileSamples.h"
#include "pages/PageFileCodec.h"
#include "pages/PageOperations.h"
#include "platform/FileIo.h"
#include "platform/ProgramPaths.h"

namespace {

namespace fs = std::filesystem;
using namespace pagefiles_test;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class PageFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "velquor-pagefiles-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    config_ = (root_ / "Config").string();
  }
  void TearDown() override {
    SetProgramFolderOverride("");
    ResetRegistries();
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  // The folder holds exactly these names: no temporary file was left behind.
  void ExpectFolderHolds(const std::string& folder, std::set<std::string> names) {
    std::set<std::string> found;
    for (const auto& entry : fs::directory_iterator(folder)) found.insert(entry.path().filename().string());
    EXPECT_EQ(found, names);
  }

  fs::path root_;
  std::string config_;
};

TEST_F(PageFilesTest, EachModeSavesToItsOwnFileAndLoadsBack) {
  for (Mode mode : {Mode::Ping, Mode::MultiPing, Mode::Traceroute, Mode::PathPing}) {
    SCOPED_TRACE(PageFileName(mode));
    TPingRegistry saved(mode);
    TPingPage page = mode == Mode::MultiPing ? SampleMultiPingPage() : SamplePingPage();
    ASSERT_TRUE(AddPage(saved, page));
    page.Name = "Second";
    ASSERT_TRUE(AddPage(saved, page));
    ASSERT_TRUE(SavePages(saved, config_).ok());

    const std::string bytes = ReadAll(fs::path(config_) / PageFileName(mode));
    EXPECT_EQ(bytes.size(), 8 + 2 * PageRecordSize(mode));
    EXPECT_EQ(bytes.substr(0, 8), Header(1, 2));

    TPingRegistry loaded(mode);
    ASSERT_TRUE(LoadPages(loaded, config_).ok());
    ASSERT_EQ(loaded.Count(), 2);
    EXPECT_EQ(loaded.Pages[1]->Name, "Second");
  }
  TRangeRegistry saved(Mode::RangePing);
  ASSERT_TRUE(AddPage(saved, SampleRangePage()));
  ASSERT_TRUE(SavePages(saved, config_).ok());
  TRangeRegistry loaded(Mode::RangePing);
  ASSERT_TRUE(LoadPages(loaded, config_).ok());
  ASSERT_EQ(loaded.Count(), 1);
  EXPECT_EQ(loaded.Pages[0]->To, "10.20.30.254");

  ExpectFolderHolds(config_, {"PingPages.dat", "MultiPingPages.dat", "RangePingPages.dat",
                              "TraceroutePages.dat", "PathPingPages.dat"});
}

TEST_F(PageFilesTest, SavingTwiceGivesIdenticalBytes) {
  TPingRegistry registry(Mode::MultiPing);
  ASSERT_TRUE(AddPage(registry, SampleMultiPingPage()));
  const fs::path file = fs::path(config_) / "MultiPingPages.dat";
  ASSERT_TRUE(SavePages(registry, config_).ok());
  const std::string first = ReadAll(file);
  ASSERT_TRUE(SavePages(registry, config_).ok());
  EXPECT_EQ(ReadAll(file), first);
}

TEST_F(PageFilesTest, MissingFileLoadsNothing) {
  TPingRegistry registry(Mode::Ping);
  EXPECT_EQ(LoadPages(registry, config_).kind, Status::Kind::NotFound);
  EXPECT_EQ(registry.Count(), 0);
}

// A disk that fills up half way through the save: the file size limit makes
// the write fail for real. The previous file must survive untouched.
TEST_F(PageFilesTest, FailedWriteLeavesTheOldFileIntact) {
  TPingRegistry registry(Mode::Ping);
  ASSERT_TRUE(AddPage(registry, SamplePingPage()));
  ASSERT_TRUE(SavePages(registry, config_).ok());
  const fs::path file = fs::path(config_) / "PingPages.dat";
  const std::string old = ReadAll(file);
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(AddPage(registry, SamplePingPage()));

  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 8192;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const Status status = SavePages(registry, config_);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previousHandler);

  EXPECT_EQ(status.kind, Status::Kind::IoError);
  EXPECT_EQ(ReadAll(file), old);
  ExpectFolderHolds(config_, {"PingPages.dat"});
}

TEST_F(PageFilesTest, SaveFailsWhenTheTargetCannotBeReplaced) {
  const fs::path target = fs::path(config_) / "TraceroutePages.dat";
  fs::create_directories(target / "inside");
  TPingRegistry registry(Mode::Traceroute);
  ASSERT_TRUE(AddPage(registry, SamplePingPage()));
  EXPECT_FALSE(SavePages(registry, config_).ok());
  EXPECT_TRUE(fs::is_directory(target / "inside"));
  ExpectFolderHolds(config_, {"TraceroutePages.dat"});
}

TEST_F(PageFilesTest, SaveFailsWhenTheFolderCannotBeMade) {
  const fs::path blocker = root_ / "blocker";
  std::ofstream(blocker) << "not a folder";
  TRangeRegistry registry(Mode::RangePing);
  ASSERT_TRUE(AddPage(registry, SampleRangePage()));
  EXPECT_FALSE(SavePages(registry, (blocker / "Config").string()).ok());
  EXPECT_EQ(ReadAll(blocker), "not a folder");
}

// The named operations work on the global registries and the config folder.
TEST_F(PageFilesTest, GlobalRegistriesSaveAndLoadInTheConfigFolder) {
  SetProgramFolderOverride(root_.string());
  ASSERT_EQ(ConfigFolder(), config_);
  ResetRegistries();
  TPingPage page = SamplePingPage();
  TRangePingPage range = SampleRangePage();
  page.Name = "ping";
  ASSERT_TRUE(AddPingPage(page));
  page.Name = "multi";
  ASSERT_TRUE(AddMultiPingPage(page));
  range.Name = "range";
  ASSERT_TRUE(AddRangePingPage(range));
  page.Name = "trace";
  ASSERT_TRUE(AddTraceroutePage(page));
  page.Name = "path";
  ASSERT_TRUE(AddPathPingPage(page));

  ASSERT_TRUE(SavePathPingPages().ok());
  ExpectFolderHolds(config_, {"PathPingPages.dat"});
  ASSERT_TRUE(SaveAllPages().ok());

  ResetRegistries();
  ASSERT_TRUE(LoadAllPages().ok());
  ASSERT_EQ(PingRegistry.Count(), 1);
  ASSERT_EQ(MultiPingRegistry.Count(), 1);
  ASSERT_EQ(RangePingRegistry.Count(), 1);
  ASSERT_EQ(TracerouteRegistry.Count(), 1);
  ASSERT_EQ(PathPingRegistry.Count(), 1);
  EXPECT_EQ(PingRegistry.Pages[0]->Name, "ping");
  EXPECT_EQ(MultiPingRegistry.Pages[0]->Name, "multi");
  EXPECT_EQ(RangePingRegistry.Pages[0]->Name, "range");
  EXPECT_EQ(TracerouteRegistry.Pages[0]->Name, "trace");
  EXPECT_EQ(PathPingRegistry.Pages[0]->Name, "path");

  // One file gone: the others still load and the missing one is reported.
  fs::remove(fs::path(config_) / "PingPages.dat");
  ResetRegistries();
  EXPECT_EQ(LoadAllPages().kind, Status::Kind::NotFound);
  EXPECT_EQ(PingRegistry.Count(), 0);
  EXPECT_EQ(PathPingRegistry.Count(), 1);
  ResetRegistries();
  ASSERT_TRUE(LoadTraceroutePages().ok());
  EXPECT_EQ(TracerouteRegistry.Count(), 1);
  EXPECT_EQ(MultiPingRegistry.Count(), 0);
}

}  // namespace
