#include "platform/FileIo.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <set>

namespace fs = std::filesystem;

namespace {

class FileIoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "velquor-fileio-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir = pattern;
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string Path(const char* name) const { return (dir / name).string(); }
  // What a folder holds: no temporary file is ever left behind.
  static std::set<std::string> Entries(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename().string());
    return names;
  }

  fs::path dir;
};

TEST_F(FileIoTest, ReplacesContentReadsABoundedPrefixAndMakesFolders) {
  const std::string path = Path("a.dat");
  ASSERT_TRUE(WriteFileAtomically(path, "first version").ok());
  ASSERT_TRUE(WriteFileAtomically(path, std::string("x\0y", 3)).ok());
  EXPECT_EQ(ReadFilePrefix(path, 100), std::string("x\0y", 3));
  EXPECT_EQ(ReadFilePrefix(path, 2), std::string("x\0", 2));
  EXPECT_EQ(ReadFilePrefix(Path("missing"), 10), std::nullopt);
  EXPECT_EQ(Entries(dir), std::set<std::string>{"a.dat"});
  EXPECT_TRUE(MakeFolder(Path("x/y")).ok() && MakeFolder(Path("x/y")).ok());
  EXPECT_FALSE(MakeFolder(Path("a.dat/sub")).ok());
}

// A write that fails half way (here the file size limit, which stops even
// root, as a full disk would) and a rename that fails both keep the old file.
TEST_F(FileIoTest, FailedWriteOrRenameKeepsTheOldFile) {
  const std::string path = Path("pages.dat");
  ASSERT_TRUE(WriteFileAtomically(path, std::string(1000, 'o')).ok());
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const rlimit small{4096, saved.rlim_max};
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const Status status = WriteFileAtomically(path, std::string(200000, 'n'));
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  EXPECT_EQ(status.kind, Status::Kind::IoError);
  EXPECT_EQ(ReadFilePrefix(path, 1 << 20), std::string(1000, 'o'));
  // A folder standing where the file should go makes the final rename fail.
  fs::create_directories(dir / "taken" / "inner");
  EXPECT_FALSE(WriteFileAtomically(Path("taken"), "data").ok());
  EXPECT_EQ(Entries(dir), (std::set<std::string>{"pages.dat", "taken"}));
  EXPECT_FALSE(WriteFileAtomically(Path("no/such/folder.dat"), "data").ok());
}

}  // namespace
