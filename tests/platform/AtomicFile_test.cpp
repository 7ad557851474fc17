#include "platform/AtomicFile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <csignal>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "platform/FileIo.h"

namespace fs = std::filesystem;

namespace {

// A folder of the test's own; files are saved as the program saves them.
struct AtomicFileTest : ::testing::Test {
  std::string PathOf(const std::string& name) const { return dir.path().toStdString() + "/" + name; }
  std::string Read(const std::string& name) const {
    return ReadFilePrefix(PathOf(name), 1 << 20).value_or("-");
  }
  Status Save(const std::string& name, const std::string& text) const {
    return WriteFileAtomically(PathOf(name), text);
  }
  // Every name in the folder, temporary files included.
  std::set<std::string> Entries() const {
    std::set<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(PathOf(""))) names.insert(e.path().filename());
    return names;
  }
  struct stat Stat(const std::string& name) const {
    struct stat info {};
    ::stat(PathOf(name).c_str(), &info);
    return info;
  }
  // Runs `check` in a child process; true when it held there.
  static bool InChild(const std::function<bool()>& check) {
    if (::fork() == 0) ::_exit(check() ? 0 : 1);
    int status = -1;
    ::wait(&status);
    return status == 0;
  }

  QTemporaryDir dir;
};

TEST_F(AtomicFileTest, NewFilesFollowTheUmaskAndOldOnesKeepTheirModeAndOwner) {
  const mode_t previous = ::umask(002);
  const Status saved = Save("new", "x");
  ::umask(previous);
  ASSERT_TRUE(saved.ok());
  EXPECT_EQ(Stat("new").st_mode & 07777, 0664u);

  ASSERT_EQ(::chown(PathOf("new").c_str(), 1234, 5678), 0);
  ::chmod(PathOf("new").c_str(), 04750);
  ASSERT_TRUE(Save("new", "new text").ok());
  EXPECT_EQ(Read("new"), "new text");
  EXPECT_EQ(std::make_tuple(Stat("new").st_mode & 07777, Stat("new").st_uid, Stat("new").st_gid),
            std::make_tuple(04750u, 1234u, 5678u));
}

TEST_F(AtomicFileTest, WritesThroughSymbolicLinks) {
  fs::create_directory(PathOf("sub"));
  fs::create_symlink("sub/real", PathOf("relative"));  // relative to the link's folder
  fs::create_symlink(PathOf("relative"), PathOf("sub/absolute"));
  fs::create_symlink("gone", PathOf("dangling"));
  ASSERT_TRUE(Save("sub/absolute", "through two links").ok());
  ASSERT_TRUE(Save("dangling", "created").ok());
  EXPECT_EQ(Read("sub/real") + "|" + Read("gone"), "through two links|created");
  EXPECT_EQ(Entries(), (std::set<std::string>{"dangling", "gone", "relative", "sub", "absolute", "real"}));
  fs::create_symlink("loop", PathOf("loop"));
  EXPECT_FALSE(Save("loop", "x").ok());
}

TEST_F(AtomicFileTest, StreamsToDiskAndReplacesOnlyOnCommit) {
  ASSERT_TRUE(Save("report", "old").ok());
  {
    AtomicFile file(16);
    ASSERT_TRUE(file.Open(PathOf("report")).ok());
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(file.Write("0123456789"));
    ASSERT_TRUE(file.Write(std::string(40, 'x')));  // more than the buffer in a single write
    // Full buffers are already in the temporary file, which sorts first.
    EXPECT_GE(fs::file_size(PathOf(*Entries().begin())), 130u);
  }  // dropped without Commit
  EXPECT_EQ(Read("report"), "old");
  EXPECT_EQ(Entries(), std::set<std::string>{"report"});
}

// Files opened while their name was free and committed one after the other.
TEST_F(AtomicFileTest, AFileThatKeepsOthersTakesTheFirstFreeNumberedName) {
  fs::create_directory(PathOf("d.x"));
  for (const char* taken : {"r.1.txt", "d.x/plain"}) ASSERT_TRUE(Save(taken, "old").ok());
  fs::create_symlink("gone", PathOf("r.1_2.txt"));  // a dangling link holds its name too
  const std::pair<std::string, std::string> cases[] = {
      {"r.1.txt", "r.1_3.txt"}, {"r.1.txt", "r.1_4.txt"}, {"d.x/plain", "d.x/plain_2"}, {"new", "new"}};
  std::vector<std::unique_ptr<AtomicFile>> files;
  for (const auto& [name, written] : cases) {
    files.push_back(std::make_unique<AtomicFile>());
    ASSERT_TRUE(files.back()->Open(PathOf(name), AtomicFile::Existing::Keep).ok());
    files.back()->Write(written);
  }
  for (std::size_t i = 0; i < files.size(); ++i) {
    ASSERT_TRUE(files[i]->Commit().ok());
    EXPECT_EQ(files[i]->path(), PathOf(cases[i].second));
    EXPECT_EQ(Read(cases[i].second), cases[i].second);
  }
  EXPECT_EQ(Read("r.1.txt") + Read("d.x/plain") + Read("gone"), "oldold-");
}

TEST_F(AtomicFileTest, FailuresKeepTheOldFileAndLeaveNothingBehind) {
  // A file the user may not write is not replaced, though the folder is writable.
  ASSERT_TRUE(Save("old", "kept").ok());
  ::chmod(PathOf("old").c_str(), 0444);
  ::chmod(PathOf("").c_str(), 0777);
  EXPECT_TRUE(InChild([&] { return ::setuid(65534) == 0 && Save("old", "x").kind == Status::Kind::Denied; }));
  // A write that stops half way: the file-size limit stops even root, as a full disk would.
  EXPECT_TRUE(InChild([&] {
    const rlimit small{4096, 4096};
    return ::signal(SIGXFSZ, SIG_IGN) != SIG_ERR && ::setrlimit(RLIMIT_FSIZE, &small) == 0 &&
           Save("old", std::string(200000, 'n')).kind == Status::Kind::IoError;
  }));
  EXPECT_EQ(Read("old"), "kept");

  // A folder that appears while the file is written makes the rename fail.
  AtomicFile file;
  ASSERT_TRUE(file.Open(PathOf("late")).ok());
  file.Write("data");
  fs::create_directories(PathOf("late/inner"));
  EXPECT_FALSE(file.Commit().ok());
  EXPECT_FALSE(file.Write("more"));
  EXPECT_EQ(Entries(), (std::set<std::string>{"inner", "late", "old"}));
}

}  // namespace
