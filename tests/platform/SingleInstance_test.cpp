#include "platform/SingleInstance.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <functional>

#include "ScopedVariable.h"
#include "support/Waits.h"

using namespace std::chrono_literals;

namespace {

constexpr char OwnPath[] = "/opt/velquor/velquor";
using Role = SingleInstance::Role;

class SingleInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureTestApplication();
    ASSERT_TRUE(dir_.isValid());
  }
  // The running copy listens and counts the times it is asked to show itself.
  void Listen(SingleInstance& primary) {
    ASSERT_TRUE(primary.Listen());
    QObject::connect(&primary, &SingleInstance::ShowRequested, [this] { ++shown_; });
  }
  std::string Path(const char* name) const { return (dir_.path() + "/" + name).toStdString(); }
  Role Acquire(const char* folder = "") { return SingleInstance(dir_.path() + folder, OwnPath).Acquire(); }

  QTemporaryDir dir_;
  int shown_ = 0;
};

TEST_F(SingleInstanceTest, SecondStartFindsTheLockTakenAndHandsItsPathOver) {
  SingleInstance first(dir_.path(), OwnPath), second(dir_.path(), OwnPath);
  ASSERT_EQ(first.Acquire(), Role::Primary);
  Listen(first);
  EXPECT_EQ(second.Acquire(), Role::Secondary);
  EXPECT_TRUE(second.NotifyRunning());
  EXPECT_TRUE(SpinUntil([&] { return shown_ == 1; }));
  // A copy in another folder, or a path that differs only in letter case, is
  // another program: it is not shown for.
  SingleInstance other(dir_.path(), "/home/user/velquor");
  EXPECT_EQ(other.Acquire(), Role::Secondary);
  EXPECT_TRUE(other.NotifyRunning());
  EXPECT_TRUE(second.NotifyRunning("/opt/velquor/Velquor"));
  EXPECT_TRUE(second.NotifyRunning());
  EXPECT_TRUE(SpinUntil([&] { return shown_ == 2; }));
  SpinUntil([] { return false; }, 200ms);
  EXPECT_EQ(shown_, 2);
}

// A lock whose owner ended, crashed or never wrote its id (once it is old)
// is taken over, and so is a socket nobody listens on.
TEST_F(SingleInstanceTest, LocksAndSocketsLeftBehindDoNotBlockTheNextStart) {
  EXPECT_EQ(Acquire(), Role::Primary);
  EXPECT_FALSE(std::filesystem::exists(Path("velquor.lock"))) << "a copy that ends frees the lock";
  std::ofstream(Path("velquor.lock")).close();  // created, never written: a crash in between
  EXPECT_EQ(Acquire(), Role::Secondary) << "just created: its owner may not have written its id yet";
  std::filesystem::last_write_time(Path("velquor.lock"),
                                   std::filesystem::file_time_type::clock::now() - 1min);
  EXPECT_EQ(Acquire(), Role::Primary);

  const pid_t dead = ::fork();
  if (dead == 0) ::_exit(0);
  ASSERT_EQ(::waitpid(dead, nullptr, 0), dead);
  std::ofstream(Path("velquor.lock")) << dead << "\nvelquor\n\n";
  const std::string socketPath = Path("velquor.socket");
  sockaddr_un address{AF_UNIX, {}};
  std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ::close(fd);
  SingleInstance next(dir_.path(), OwnPath), later(dir_.path(), OwnPath);
  ASSERT_EQ(next.Acquire(), Role::Primary);
  Listen(next);
  EXPECT_EQ(later.Acquire(), Role::Secondary);
  EXPECT_TRUE(later.NotifyRunning());
  EXPECT_TRUE(SpinUntil([&] { return shown_ == 1; }));
}

TEST_F(SingleInstanceTest, NothingALaterStartSendsCanHangEitherCopy) {
  SingleInstance first(dir_.path(), OwnPath), sender(dir_.path(), OwnPath);
  ASSERT_EQ(first.Acquire(), Role::Primary);
  ASSERT_EQ(sender.Acquire(), Role::Secondary);
  // Lock held but not yet listening: the later start gives up after its bound.
  const QDeadlineTimer bound(3000);
  EXPECT_FALSE(sender.NotifyRunning({}, 300));
  EXPECT_FALSE(bound.hasExpired());
  Listen(first);
  EXPECT_FALSE(sender.NotifyRunning(QString(SingleInstance::MaxMessage + 10, 'a')));
  // A client that streams bytes without a line end is cut off.
  QLocalSocket flood;
  flood.connectToServer(first.SocketPath());
  ASSERT_TRUE(flood.waitForConnected(1000));
  flood.write(QByteArray(SingleInstance::MaxMessage * 2, 'x'));
  flood.flush();
  EXPECT_TRUE(SpinUntil([&] { return flood.state() == QLocalSocket::UnconnectedState; }));
  // The running copy still answers the next, proper start.
  EXPECT_TRUE(sender.NotifyRunning());
  EXPECT_TRUE(SpinUntil([&] { return shown_ == 1; }));
  // A folder below a plain file cannot exist: run without hand-off.
  EXPECT_EQ(Acquire("/velquor.lock/sub"), Role::Unguarded);
}

// Without a runtime folder (XDG_RUNTIME_DIR unset, and the folder Qt falls
// back to in the temporary folder taken by another user) the lock goes to a
// folder named after the user in the shared temporary folder. One that
// another user made first, that others may enter, or that is a link is
// never used: the copy runs unguarded rather than put its lock and socket
// where someone else controls them.
TEST_F(SingleInstanceTest, TheSharedTemporaryFolderIsUsedOnlyThroughAPrivateFolderOfOurOwn) {
  constexpr uid_t Stranger = 23456;
  const passwd* self = ::getpwuid(::getuid());
  ASSERT_NE(self, nullptr);
  const QString taken = dir_.path() + "/runtime-" + QString::fromLocal8Bit(self->pw_name);
  ASSERT_TRUE(QDir().mkdir(taken));
  ASSERT_EQ(::chown(QFile::encodeName(taken).constData(), Stranger, Stranger), 0);
  const ScopedVariable runtime("XDG_RUNTIME_DIR", std::nullopt);
  const ScopedVariable temporary("TMPDIR", dir_.path().toStdString());
  const QString shared = dir_.path() + "/velquor-" + QString::number(::getuid());
  const QString elsewhere = dir_.path() + "/elsewhere";
  ASSERT_TRUE(QDir().mkdir(elsewhere));
  ASSERT_EQ(::chmod(QFile::encodeName(elsewhere).constData(), 0700), 0);

  const struct {
    const char* what;
    std::function<void()> prepare;
    Role role;
  } cases[] = {
      {"absent", [] {}, Role::Primary},
      {"another user's",
       [&] {
         ASSERT_TRUE(QDir().mkdir(shared));
         ASSERT_EQ(::chown(QFile::encodeName(shared).constData(), Stranger, Stranger), 0);
         ASSERT_EQ(::chmod(QFile::encodeName(shared).constData(), 0700), 0);
       },
       Role::Unguarded},
      {"open to others",
       [&] {
         ASSERT_TRUE(QDir().mkdir(shared));
         ASSERT_EQ(::chmod(QFile::encodeName(shared).constData(), 0777), 0);
       },
       Role::Unguarded},
      {"a link to a private folder", [&] { ASSERT_TRUE(QFile::link(elsewhere, shared)); }, Role::Unguarded},
  };
  for (const auto& c : cases) {
    ASSERT_NO_FATAL_FAILURE(c.prepare()) << c.what;
    {
      SingleInstance instance({}, OwnPath);
      EXPECT_EQ(instance.Acquire(), c.role) << c.what;
      if (c.role == Role::Primary) {
        EXPECT_EQ(instance.LockPath(), shared + "/velquor.lock") << c.what;
        struct stat made {};
        EXPECT_TRUE(::stat(QFile::encodeName(shared).constData(), &made) == 0 && (made.st_mode & 077) == 0)
            << c.what << ": closed to others";
      }
      EXPECT_FALSE(QFileInfo::exists(elsewhere + "/velquor.lock")) << c.what;
    }
    ASSERT_TRUE(QFile::remove(shared) || QDir(shared).removeRecursively()) << c.what;
  }
}

}  // namespace
