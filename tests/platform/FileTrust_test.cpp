#include "platform/FileTrust.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/FileIo.h"
#include "platform/FolderLock.h"
#include "platform/ProgramPaths.h"

namespace fs = std::filesystem;

namespace {

constexpr uid_t User = 1000, ProgramOwner = 2000, Other = 23456;

// Who owns a folder on the way to an own folder, and who may write to it,
// as the rule judges it for the own folder itself and for one above it.
// Group 0 is root's private group; group 100 ("users") is no one's.
TEST(FileTrust, AFolderCountsWhenATrustedUserOwnsItAndNoOneElseMayWriteItOrMoveItsEntries) {
  const TrustedUsers users{User, ProgramOwner};
  const struct {
    uid_t owner;
    mode_t mode;
    gid_t group;
    bool extendedAcl;
    const char* asItself;  // empty when it may be used
    const char* above;
  } cases[] = {
      {User, 0755, 100, false, "", ""},
      {0, 0755, 100, false, "", ""},
      {ProgramOwner, 0700, 100, false, "", ""},
      {Other, 0755, 100, false, "it belongs to user 23456", "/f above it belongs to user 23456"},
      {Other, 01777, 100, false, "it belongs to user 23456", "/f above it belongs to user 23456"},
      {User, 0775, 0, false, "", ""},
      {User, 0775, 0, true, "others may write to it", "others may write to /f above it"},
      {User, 0775, 100, false, "others may write to it", "others may write to /f above it"},
      {User, 0757, 100, false, "others may write to it", "others may write to /f above it"},
      {0, 01777, 0, false, "others may write to it", ""},
      {User, 01775, 100, false, "others may write to it", ""},
  };
  for (const auto& c : cases) {
    const FolderFacts facts{c.owner, c.group, c.mode, c.extendedAcl};
    const std::string what = std::to_string(c.owner) + " " + std::to_string(c.mode);
    EXPECT_EQ(FolderProblem("/f", facts, true, users), c.asItself) << what;
    EXPECT_EQ(FolderProblem("/f", facts, false, users), c.above) << what;
  }
}

class OwnedFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    ASSERT_EQ(::chown(PathOf("").c_str(), ProgramOwner, ProgramOwner), 0);
    SetProgramFolderOverride(PathOf(""));
  }
  void TearDown() override { SetProgramFolderOverride(""); }
  std::string PathOf(const std::string& name) const {
    return dir_.filePath(QString::fromStdString(name)).toStdString();
  }
  void Link(const std::string& target, const std::string& name, uid_t owner) const {
    fs::create_symlink(target, PathOf(name));
    ASSERT_EQ(::lchown(PathOf(name).c_str(), owner, owner), 0);
  }

  QTemporaryDir dir_;
};

// Links to a file of the user's, owned by each kind of user: a save and a
// read go through those a trusted user made, and no further than the link
// itself through any other.
TEST_F(OwnedFiles, ALinkIsFollowedOnlyWhenATrustedUserMadeIt) {
  const struct {
    const char* owner;
    uid_t uid;
    bool followed;
  } cases[] = {{"the user and root", 0, true},
               {"the program folder's", ProgramOwner, true},
               {"another", Other, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.owner);
    const std::string link = std::string("link-") + std::to_string(c.uid);
    ASSERT_TRUE(WriteFileAtomically(PathOf("target"), "the user's").ok());
    ASSERT_NO_FATAL_FAILURE(Link(PathOf("target"), link, c.uid));
    EXPECT_EQ(ReadFilePrefix(PathOf(link), 100),
              c.followed ? std::optional<std::string>("the user's") : std::nullopt);
    const Status saved = WriteFileAtomically(PathOf(link), "saved");
    EXPECT_EQ(saved.message,
              c.followed ? "" : PathOf(link) + ": a link that user 23456 made, which is not followed");
    EXPECT_EQ(ReadFilePrefix(PathOf("target"), 100), c.followed ? "saved" : "the user's");
    EXPECT_TRUE(fs::is_symlink(PathOf(link)));
  }
}

// The own folder's whole path is walked, links on the way included, and a
// folder is made only where the rule allows it, never open to others.
TEST_F(OwnedFiles, AnOwnFolderIsMadeAndUsedOnlyWhereNoOneElseCanChangeIt) {
  ASSERT_EQ(::chmod(PathOf("").c_str(), 01777), 0);
  const mode_t umask = ::umask(0);
  EXPECT_TRUE(MakeOwnFolder(PathOf("mine/Config")).ok());
  ::umask(umask);
  EXPECT_EQ(fs::status(PathOf("mine/Config")).permissions(), fs::perms(0755));

  ASSERT_EQ(::mkdir(PathOf("theirs").c_str(), 0755), 0);
  ASSERT_EQ(::chown(PathOf("theirs").c_str(), Other, Other), 0);
  ASSERT_NO_FATAL_FAILURE(Link(PathOf("mine"), "their-link", Other));
  ASSERT_NO_FATAL_FAILURE(Link(PathOf("mine"), "my-link", 0));
  const std::pair<std::string, std::string> cases[] = {
      {"mine/Config", ""},
      {"my-link/Config", ""},
      {"theirs/Config",
       PathOf("theirs/Config") + " is not used (" + PathOf("theirs") + " above it belongs to user 23456)"},
      {"their-link/Config", PathOf("their-link/Config") + " is not used (" + PathOf("their-link") +
                                ": a link that user 23456 made, which is not followed)"},
  };
  for (const auto& [folder, refusal] : cases) {
    EXPECT_EQ(CheckOwnFolder(PathOf(folder)).message, refusal) << folder;
    EXPECT_EQ(MakeOwnFolder(PathOf(folder)).message, refusal) << folder;
  }
  EXPECT_FALSE(fs::exists(PathOf("theirs/Config")));
}

// The tests run as root. What root makes in a folder a trusted user owns
// (here the program folder's owner, with a group of their own) is that
// user's, group and all, whichever way it is made; in root's own folder it
// stays root's, and so it does in a folder of an untrusted user, where only
// the folders and files the user names are made at all.
TEST_F(OwnedFiles, WhatRootMakesInATrustedUsersFolderIsThatUsers) {
  constexpr gid_t Group = ProgramOwner + 1;
  const struct {
    const char* folder;
    uid_t owner;
    gid_t group;
    bool given;
  } cases[] = {{"program owner's", ProgramOwner, Group, true},
               {"root's", 0, 0, false},
               {"another user's", Other, Other, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.folder);
    const std::string folder = PathOf(c.folder);
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    ASSERT_EQ(::chown(folder.c_str(), c.owner, c.group), 0);
    const bool trusted = c.owner != Other;
    std::vector<std::string> made{"notes.txt", "report.csv", "Results", "Results/sub"};
    ASSERT_TRUE(WriteFileAtomically(folder + "/notes.txt", "notes").ok());
    ASSERT_TRUE(KeepCopyAside(folder + "/notes.txt").ok());
    made.push_back("notes.txt.bad");
    AtomicFile report;
    ASSERT_TRUE(report.Open(folder + "/report.csv", AtomicFile::Existing::Keep).ok());
    ASSERT_TRUE(report.Commit().ok());
    ASSERT_TRUE(MakeFolder(folder + "/Results/sub").ok());
    ASSERT_EQ(MakeOwnFolder(folder + "/Config/own").ok(), trusted);
    FolderLock lock(folder + "/Config/own");
    ASSERT_EQ(lock.TryTake(), trusted ? FolderLock::Outcome::Taken : FolderLock::Outcome::Unwritable);
    if (trusted) made.insert(made.end(), {"Config", "Config/own", "Config/own/velquor.lock"});
    for (const std::string& name : made) {
      struct stat info {};
      ASSERT_EQ(::lstat((folder + "/" + name).c_str(), &info), 0) << name;
      EXPECT_EQ(std::pair(info.st_uid, info.st_gid),
                c.given ? std::pair(c.owner, c.group) : std::pair(0u, 0u))
          << name;
    }
  }
}

}  // namespace
