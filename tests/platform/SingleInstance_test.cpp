#include "platform/SingleInstance.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

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

}  // namespace
