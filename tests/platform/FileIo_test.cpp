#include "platform/FileIo.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

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
  static std::tuple<mode_t, uid_t, gid_t> Owner(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return {st.st_mode & 07777, st.st_uid, st.st_gid};
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

// A file its owner closed to others stays closed after a save, and keeps its
// owner (tests run as root, who may hand it back); a new file gets what the
// umask allows, like any other program's file.
TEST_F(FileIoTest, SavesKeepTheModeAndOwnerOfTheFileTheyReplace) {
  const std::string path = Path("config.ini");
  ASSERT_TRUE(WriteFileAtomically(path, "old").ok());
  ASSERT_EQ(::chown(path.c_str(), 4321, 8765), 0);
  for (const mode_t mode : {0600, 0640, 0604}) {
    ASSERT_EQ(::chmod(path.c_str(), mode), 0);
    ASSERT_TRUE(WriteFileAtomically(path, "new").ok());
    EXPECT_EQ(Owner(path), std::make_tuple(mode, 4321u, 8765u)) << std::oct << mode;
  }
  for (const mode_t mask : {022, 027, 077}) {
    const mode_t before = ::umask(mask);
    fs::remove(Path("fresh.dat"));
    const bool written = WriteFileAtomically(Path("fresh.dat"), "x").ok();
    ::umask(before);
    ASSERT_TRUE(written);
    EXPECT_EQ(std::get<0>(Owner(Path("fresh.dat"))), 0666 & ~mask) << std::oct << mask;
  }
}

// A settings file kept elsewhere and linked into the config folder stays a
// link: the save lands in the linked file, beside which its temporary lived.
TEST_F(FileIoTest, SavesWriteThroughASymlinkToItsTarget) {
  fs::create_directories(dir / "Config");
  fs::create_directories(dir / "dotfiles");
  ASSERT_TRUE(WriteFileAtomically(Path("dotfiles/real.ini"), "old").ok());
  fs::create_symlink("../dotfiles/real.ini", dir / "Config" / "config.ini");
  ASSERT_TRUE(WriteFileAtomically(Path("Config/config.ini"), "new bytes").ok());
  EXPECT_EQ(fs::read_symlink(dir / "Config" / "config.ini"), "../dotfiles/real.ini");
  EXPECT_EQ(ReadFilePrefix(Path("dotfiles/real.ini"), 100), "new bytes");
  EXPECT_EQ(Entries(dir / "dotfiles"), std::set<std::string>{"real.ini"});
  // A link whose file does not exist yet: the save creates the linked file.
  fs::create_symlink(dir / "dotfiles" / "later.ini", dir / "Config" / "dangling.ini");
  ASSERT_TRUE(WriteFileAtomically(Path("Config/dangling.ini"), "made").ok());
  EXPECT_TRUE(fs::is_symlink(dir / "Config" / "dangling.ini"));
  EXPECT_EQ(ReadFilePrefix(Path("dotfiles/later.ini"), 100), "made");
  EXPECT_EQ(Entries(dir / "Config"), (std::set<std::string>{"config.ini", "dangling.ini"}));
}

}  // namespace
