#include "platform/AtomicFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/FileIo.h"

namespace fs = std::filesystem;

namespace {

class AtomicFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("velquor-atomic-" + std::to_string(::getpid()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir / "sub");
  }
  void TearDown() override { fs::remove_all(dir); }

  std::string PathOf(const std::string& name) const { return (dir / name).string(); }
  std::string Read(const std::string& name) const {
    return ReadFilePrefix(PathOf(name), 1 << 20).value_or("<none>");
  }
  void Put(const std::string& name, const std::string& text) const {
    std::ofstream(dir / name, std::ios::binary) << text;
  }
  // Every name in the folder, temporary files included.
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(dir))
      names.push_back(e.path().lexically_relative(dir));
    std::sort(names.begin(), names.end());
    return names;
  }
  static Status Save(const std::string& path, const std::string& text) {
    AtomicFile file(8);
    if (!file.Open(path).ok()) return file.status();
    file.Write(text);
    return file.Commit();
  }
  mode_t ModeOf(const std::string& name) const {
    struct stat info {};
    ::stat(PathOf(name).c_str(), &info);
    return info.st_mode & 07777;
  }

  fs::path dir;
};

TEST_F(AtomicFileTest, NewFilesFollowTheUmaskAndOldOnesKeepTheirMode) {
  for (const auto& [mask, mode] : {std::pair{022, 0644}, {077, 0600}, {0, 0666}}) {
    const mode_t previous = ::umask(static_cast<mode_t>(mask));
    fs::remove(dir / "new");
    const bool saved = Save(PathOf("new"), "x").ok();
    ::umask(previous);
    ASSERT_TRUE(saved);
    EXPECT_EQ(ModeOf("new"), static_cast<mode_t>(mode)) << mask;
  }

  Put("old", "old text");
  ASSERT_EQ(::chown(PathOf("old").c_str(), 1234, 5678), 0);
  ::chmod(PathOf("old").c_str(), 04750);
  ASSERT_TRUE(Save(PathOf("old"), "new text").ok());
  EXPECT_EQ(Read("old"), "new text");
  EXPECT_EQ(ModeOf("old"), 04750u);
  struct stat info {};
  ::stat(PathOf("old").c_str(), &info);
  EXPECT_EQ(info.st_uid, 1234u);
  EXPECT_EQ(info.st_gid, 5678u);
}

TEST_F(AtomicFileTest, WritesThroughSymbolicLinks) {
  Put("sub/real", "old");
  fs::create_symlink("sub/real", dir / "relative");  // relative to the link's folder
  fs::create_symlink(dir / "relative", dir / "sub/absolute");
  fs::create_symlink("gone", dir / "dangling");
  ASSERT_TRUE(Save(PathOf("sub/absolute"), "through two links").ok());
  ASSERT_TRUE(Save(PathOf("dangling"), "created").ok());
  EXPECT_EQ(Read("sub/real"), "through two links");
  EXPECT_EQ(Read("gone"), "created");
  EXPECT_TRUE(fs::is_symlink(dir / "relative") && fs::is_symlink(dir / "sub/absolute"));
  EXPECT_EQ(Entries(),
            (std::vector<std::string>{"dangling", "gone", "relative", "sub", "sub/absolute", "sub/real"}));
  fs::create_symlink("loop", dir / "loop");
  EXPECT_FALSE(Save(PathOf("loop"), "x").ok());
}

TEST_F(AtomicFileTest, StreamsToDiskAndReplacesOnlyOnCommit) {
  Put("report", "old");
  {
    AtomicFile file(16);
    ASSERT_TRUE(file.Open(PathOf("report")).ok());
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(file.Write("0123456789"));
    ASSERT_TRUE(file.Write(std::string(40, 'x')));  // more than the buffer in one piece
    // Full buffers are already in the temporary file; the old file is untouched.
    const std::vector<std::string> names = Entries();
    ASSERT_EQ(names.size(), 3u);
    EXPECT_GE(fs::file_size(dir / names[0]), 130u);
    EXPECT_EQ(Read("report"), "old");
    // Dropped without Commit: nothing changes, nothing stays behind.
  }
  EXPECT_EQ(Read("report"), "old");
  EXPECT_EQ(Entries(), (std::vector<std::string>{"report", "sub"}));
}

TEST_F(AtomicFileTest, FailuresLeaveNothingBehind) {
  // A folder in the way is refused before anything is created; so is a missing folder.
  EXPECT_EQ(Save(PathOf("sub"), "x").kind, Status::Kind::Invalid);
  EXPECT_EQ(Save(PathOf("missing/file"), "x").kind, Status::Kind::NotFound);
  EXPECT_FALSE(Save(PathOf("sub/"), "x").ok());

  // A file the user may not write is not replaced, though the folder is writable.
  Put("locked", "kept");
  ::chmod(PathOf("locked").c_str(), 0444);
  ::chmod(dir.c_str(), 0777);
  const pid_t child = ::fork();
  if (child == 0)
    ::_exit(::setuid(65534) == 0 && Save(PathOf("locked"), "x").kind == Status::Kind::Denied ? 0 : 1);
  int status = -1;
  ::waitpid(child, &status, 0);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(Read("locked"), "kept");
  fs::remove(dir / "locked");

  // A folder that appears while the file is written makes the rename fail.
  AtomicFile file;
  ASSERT_TRUE(file.Open(PathOf("late")).ok());
  file.Write("data");
  fs::create_directories(dir / "late" / "inner");
  EXPECT_FALSE(file.Commit().ok());
  EXPECT_FALSE(file.Write("more"));
  EXPECT_EQ(Entries(), (std::vector<std::string>{"late", "late/inner", "sub"}));
}

}  // namespace
