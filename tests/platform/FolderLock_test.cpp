#include "platform/FolderLock.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QSysInfo>
#include <QTemporaryDir>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "support/ForkedChild.h"
#include "support/NotAFile.h"
#include "support/PermissionBits.h"

namespace {

using Outcome = FolderLock::Outcome;

// What the lock makes of the folder it is to live in, and of what it finds
// at its own name. Only a folder nobody could save into lets the program go
// on without it; anything else in the way stops it with the reason, and
// nothing there is followed, waited for or replaced.
TEST(FolderLock, TakesTheFolderOrSaysWhyNot) {
  const QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString folder = dir.path() + "/program/Config", lock = folder + "/velquor.lock";
  const QString elsewhere = dir.path() + "/notes";
  const auto make = [&] { ASSERT_TRUE(QDir().mkpath(folder)); };
  // As a copy that was killed leaves it.
  const auto leave = [&] {
    make();
    const int fd = ::open(QFile::encodeName(lock).constData(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ::close(fd);
  };
  const auto notAFile = [&](NotAFile kind) {
    ASSERT_TRUE(MakeNotAFile(kind, QFile::encodeName(lock).toStdString()));
  };
  const auto readOnly = [&] {
    ASSERT_TRUE(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
  };
  const struct {
    const char* what;
    std::function<void()> prepare;
    Outcome outcome;
    const char* problem;
  } cases[] = {
      {"missing, below a missing folder", [] {}, Outcome::Taken, ""},
      {"left by a copy that ended", leave, Outcome::Taken, ""},
      {"read-only, with the file left", [&] { leave(), readOnly(); }, Outcome::Taken, ""},
      {"read-only", [&] { make(), readOnly(); }, Outcome::Unwritable, ""},
      {"a plain file in the folder's place",
       [&] {
         ASSERT_TRUE(QDir().mkpath(dir.path() + "/program"));
         ASSERT_TRUE(QFile(folder).open(QIODevice::WriteOnly));
       },
       Outcome::Unwritable, ""},
      {"made by another user, open to all",
       [&] {
         make();
         ASSERT_EQ(::chown(QFile::encodeName(folder).constData(), 23456, 23456), 0);
         ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0777), 0);
       },
       Outcome::Unwritable, ""},
      {"a FIFO at the name", [&] { make(), notAFile(NotAFile::Fifo); }, Outcome::Failed,
       "%1/program/Config/velquor.lock is not a regular file"},
      {"a folder at the name", [&] { make(), notAFile(NotAFile::Folder); }, Outcome::Failed,
       "cannot open %1/program/Config/velquor.lock: Is a directory"},
      {"a link at the name",
       [&] {
         make();
         ASSERT_TRUE(QFile::link(elsewhere, lock));
       },
       Outcome::Failed, "cannot open %1/program/Config/velquor.lock: Too many levels of symbolic links"},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(QDir(dir.path()).removeRecursively() && QDir().mkpath(dir.path()));
    ASSERT_TRUE(QFile(elsewhere).open(QIODevice::WriteOnly));
    ASSERT_NO_FATAL_FAILURE(c.prepare()) << c.what;
    {
      // As an ordinary user would: root may write a read-only folder.
      const PermissionBitsApply modes;
      FolderLock taker(folder.toStdString());
      EXPECT_EQ(taker.TryTake(), c.outcome) << c.what;
      EXPECT_EQ(QString::fromStdString(taker.Problem()), *c.problem ? QString(c.problem).arg(dir.path()) : "")
          << c.what;
      if (c.outcome == Outcome::Taken) {
        struct stat made {};
        ASSERT_EQ(::lstat(QFile::encodeName(lock).constData(), &made), 0) << c.what;
        EXPECT_TRUE(S_ISREG(made.st_mode) && (made.st_mode & 07777) == 0600)
            << c.what << ": closed to others";
        // Who holds it, for a start on another machine sharing the folder.
        QFile named(lock);
        EXPECT_TRUE(named.open(QIODevice::ReadOnly));
        EXPECT_EQ(named.readAll(), QSysInfo::machineHostName().toUtf8() + " " +
                                       QByteArray::number(::getpid()) + "\n" +
                                       QByteArray::number(::geteuid()) + "\n")
            << c.what;
        FolderLock later(folder.toStdString());
        EXPECT_EQ(later.TryTake(), Outcome::Held) << c.what;
      }
      // Each lock lets go when it is destroyed; one that held removes its
      // file where it may.
    }
    if (c.outcome == Outcome::Taken && (QFile::permissions(folder) & QFile::WriteOwner)) {
      EXPECT_FALSE(QFile::exists(lock)) << c.what;
    }
    EXPECT_EQ(QFile(elsewhere).size(), 0) << c.what;
    if (c.outcome == Outcome::Unwritable) {
      EXPECT_FALSE(QFile::exists(lock)) << c.what << ": nothing made";
    }
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }
}

// The file goes when the lock is let go, and the name is free at once for
// the next copy; an object that let go may take it again.
TEST(FolderLock, ReleasingFreesTheFolderForTheNext) {
  const QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  FolderLock first(dir.path().toStdString()), second(dir.path().toStdString());
  ASSERT_EQ(first.TryTake(), Outcome::Taken);
  EXPECT_EQ(second.TryTake(), Outcome::Held);
  first.Release();
  EXPECT_FALSE(QFile::exists(dir.path() + "/velquor.lock"));
  EXPECT_EQ(second.TryTake(), Outcome::Taken);
  EXPECT_EQ(first.TryTake(), Outcome::Held);
  second.Release();
  EXPECT_EQ(first.TryTake(), Outcome::Taken);
}

// A lock file the user may not open, as a copy run as root by an earlier
// build, or killed before it gave the file away, leaves it in the user's
// Config: the user's start removes it and runs when no process holds it,
// and when one does, waits for that copy as for any other.
TEST(FolderLock, AFileTheUserMayNotOpenKeepsThemOutOnlyWhileItIsHeld) {
  constexpr uid_t User = 23456;
  const QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  ASSERT_TRUE(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                    QFile::ExeGroup | QFile::ExeOther));
  const QString folder = dir.path() + "/Config", lock = folder + "/velquor.lock";
  const struct {
    const char* what;
    bool held;
    Outcome outcome;
    uid_t owner;  // of the file at the name afterwards
  } cases[] = {{"held by nobody", false, Outcome::Taken, User}, {"held by root", true, Outcome::Held, 0}};
  for (const auto& c : cases) {
    ASSERT_TRUE(QDir(folder).removeRecursively() && QDir().mkpath(folder));
    ASSERT_EQ(::chown(QFile::encodeName(folder).constData(), User, User), 0);
    const int rootFd = ::open(QFile::encodeName(lock).constData(), O_RDONLY | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(rootFd, 0);
    ASSERT_EQ(::flock(rootFd, c.held ? LOCK_EX : LOCK_UN), 0);
    const pid_t child = ForkAs(User, [&] {
      FolderLock taker(folder.toStdString());
      const Outcome outcome = taker.TryTake();
      struct stat named {};
      const bool owned = ::stat(QFile::encodeName(lock).constData(), &named) == 0 && named.st_uid == User;
      return static_cast<int>(outcome) + (owned ? 10 : 0);
    });
    const int exitCode = ExitCodeOf(child, std::chrono::seconds(10));
    ::close(rootFd);
    EXPECT_EQ(exitCode, static_cast<int>(c.outcome) + (c.owner == User ? 10 : 0)) << c.what;
  }
}

// The holder's lines are read back as they were meant, whatever bytes the
// computer's name and the socket's path hold; the host name tells this
// computer from another only while it is not renamed.
TEST(FolderLock, TheHoldersLinesCannotBeMisread) {
  const QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const char* const names[] = {"my box", "back\\slash 12", "line\nend 7\n"};
  const std::string place = "/run/user/1000/a b\\c\nd.socket";
  for (const char* name : names) {
    SCOPED_TRACE(name);
    // A thread's host name is its own once it has a name space of its own.
    std::thread([&] {
      ASSERT_EQ(::unshare(CLONE_NEWUTS), 0) << std::strerror(errno);
      ASSERT_EQ(::sethostname(name, std::strlen(name)), 0);
      FolderLock holder(dir.path().toStdString()), later(dir.path().toStdString());
      ASSERT_EQ(holder.TryTake(), Outcome::Taken);
      EXPECT_EQ(later.TryTake(), Outcome::Held);
      EXPECT_EQ(later.HeldBy().host, name);
      EXPECT_EQ(later.HeldBy().pid, std::to_string(::getpid()));
      EXPECT_EQ(later.HeldBy().uid, ::geteuid());
      EXPECT_EQ(later.HeldBy().place, "");
      holder.Announce(place);
      ASSERT_EQ(::sethostname("renamed", 7), 0);
      EXPECT_EQ(later.TryTake(), Outcome::HeldElsewhere);
      EXPECT_EQ(later.HeldBy().host, name);
      EXPECT_EQ(later.HeldBy().place, place);
    }).join();
  }
}

}  // namespace
