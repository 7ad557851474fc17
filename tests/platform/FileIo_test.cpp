#include "platform/FileIo.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

class FileIoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("velquor-fileio-" + std::to_string(::getpid()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override {
    if (mounted) ::umount(dir.c_str());
    fs::remove_all(dir);
  }
  // Only the named files remain: no temporary file is ever left behind.
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path dir;
  bool mounted = false;
};

TEST_F(FileIoTest, ReplacesContentAndReadsBack) {
  const std::string path = (dir / "a.dat").string();
  ASSERT_TRUE(WriteFileAtomically(path, "first version").ok());
  ASSERT_TRUE(WriteFileAtomically(path, std::string("x\0y", 3)).ok());
  EXPECT_EQ(ReadFilePrefix(path, 100), std::string("x\0y", 3));
  EXPECT_EQ(ReadFilePrefix(path, 2), std::string("x\0", 2));
  EXPECT_EQ(ReadFilePrefix((dir / "missing").string(), 10), std::nullopt);
  EXPECT_EQ(Entries(), std::vector<std::string>{"a.dat"});
}

TEST_F(FileIoTest, FailedReplaceLeavesNoTemporaryFile) {
  // A folder standing where the file should go makes the final rename fail.
  fs::create_directories(dir / "taken" / "inner");
  const Status status = WriteFileAtomically((dir / "taken").string(), "data");
  EXPECT_FALSE(status.ok());
  EXPECT_FALSE(status.message.empty());
  EXPECT_EQ(Entries(), std::vector<std::string>{"taken"});

  EXPECT_FALSE(WriteFileAtomically((dir / "no" / "such" / "folder.dat").string(), "data").ok());
}

TEST_F(FileIoTest, FullDiskKeepsTheOldFile) {
  if (::mount("tmpfs", dir.c_str(), "tmpfs", 0, "size=64k") != 0)
    GTEST_SKIP() << "cannot mount a small tmpfs here (needs root)";
  mounted = true;
  const std::string path = (dir / "pages.dat").string();
  ASSERT_TRUE(WriteFileAtomically(path, std::string(1000, 'o')).ok());

  const Status status = WriteFileAtomically(path, std::string(200000, 'n'));
  EXPECT_FALSE(status.ok());
  EXPECT_EQ(ReadFilePrefix(path, 1 << 20), std::string(1000, 'o'));
  EXPECT_EQ(Entries(), std::vector<std::string>{"pages.dat"});
}

TEST_F(FileIoTest, MakeFolderAcceptsExistingAndRefusesFiles) {
  EXPECT_TRUE(MakeFolder((dir / "x" / "y").string()).ok());
  EXPECT_TRUE(MakeFolder((dir / "x" / "y").string()).ok());
  ASSERT_TRUE(WriteFileAtomically((dir / "file").string(), "").ok());
  EXPECT_FALSE(MakeFolder((dir / "file" / "sub").string()).ok());
}

}  // namespace
