#include "platform/SingleInstance.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <memory>

namespace {

// Runs the event loop until `done` holds or the time is up.
template <class Pred>
bool SpinUntil(Pred done, int ms = 3000) {
  QDeadlineTimer deadline(ms);
  while (!done() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

void SpinFor(int ms) {
  SpinUntil([] { return false; }, ms);
}

class SingleInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!QCoreApplication::instance()) {
      static int argc = 1;
      static char name[] = "test_platform";
      static char* argv[] = {name, nullptr};
      app_ = std::make_unique<QCoreApplication>(argc, argv);
    }
    ASSERT_TRUE(dir_.isValid());
  }

  QTemporaryDir dir_;
  std::unique_ptr<QCoreApplication> app_;
};

constexpr char OwnPath[] = "/opt/velquor/velquor";

TEST_F(SingleInstanceTest, SecondStartFindsTheLockTakenAndHandsItsPathOver) {
  SingleInstance first(dir_.path(), OwnPath);
  ASSERT_EQ(first.Acquire(), SingleInstance::Role::Primary);
  ASSERT_TRUE(first.Listen());
  int shown = 0;
  QObject::connect(&first, &SingleInstance::ShowRequested, [&] { ++shown; });

  SingleInstance second(dir_.path(), OwnPath);
  EXPECT_EQ(second.Acquire(), SingleInstance::Role::Secondary);
  EXPECT_TRUE(second.NotifyRunning());
  EXPECT_TRUE(SpinUntil([&] { return shown == 1; }));

  // A copy of the program in another folder, or a path that differs only in
  // letter case, is another program: it is not shown for.
  SingleInstance other(dir_.path(), "/home/user/velquor");
  EXPECT_EQ(other.Acquire(), SingleInstance::Role::Secondary);
  EXPECT_TRUE(other.NotifyRunning());
  EXPECT_TRUE(second.NotifyRunning("/opt/velquor/Velquor"));
  EXPECT_TRUE(second.NotifyRunning());
  EXPECT_TRUE(SpinUntil([&] { return shown == 2; }));
  SpinFor(200);
  EXPECT_EQ(shown, 2);
}

TEST_F(SingleInstanceTest, LockIsFreeAgainOnceTheRunningCopyEnds) {
  {
    SingleInstance first(dir_.path(), OwnPath);
    ASSERT_EQ(first.Acquire(), SingleInstance::Role::Primary);
    ASSERT_TRUE(first.Listen());
  }
  EXPECT_FALSE(QFile::exists(dir_.path() + "/velquor.lock"));
  SingleInstance next(dir_.path(), OwnPath);
  EXPECT_EQ(next.Acquire(), SingleInstance::Role::Primary);
}

TEST_F(SingleInstanceTest, LockAndSocketLeftByACrashDoNotBlockTheNextStart) {
  // The lock of a process that no longer runs, as a crash leaves it.
  QProcess gone;
  gone.start("/bin/true", {});
  ASSERT_TRUE(gone.waitForStarted());
  const qint64 deadPid = gone.processId();
  ASSERT_TRUE(gone.waitForFinished());
  QFile lock(dir_.path() + "/velquor.lock");
  ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
  lock.write(QByteArray::number(deadPid) + "\nvelquor\n\n");
  lock.close();

  // A socket file that nobody listens on any more.
  const QByteArray socketPath = QFile::encodeName(dir_.path() + "/velquor.socket");
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(static_cast<std::size_t>(socketPath.size()), sizeof address.sun_path);
  std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ::close(fd);
  ASSERT_TRUE(QFile::exists(socketPath));

  SingleInstance next(dir_.path(), OwnPath);
  ASSERT_EQ(next.Acquire(), SingleInstance::Role::Primary);
  ASSERT_TRUE(next.Listen());
  int shown = 0;
  QObject::connect(&next, &SingleInstance::ShowRequested, [&] { ++shown; });
  SingleInstance later(dir_.path(), OwnPath);
  EXPECT_EQ(later.Acquire(), SingleInstance::Role::Secondary);
  EXPECT_TRUE(later.NotifyRunning());
  EXPECT_TRUE(SpinUntil([&] { return shown == 1; }));
}

TEST_F(SingleInstanceTest, LockWithoutAReadableOwnerIsGivenUpOnlyOnceItIsOld) {
  QFile lock(dir_.path() + "/velquor.lock");
  ASSERT_TRUE(lock.open(QIODevice::WriteOnly));  // created, never written: a crash in between
  lock.close();
  // Just created: it may be a running copy that has not written its id yet.
  SingleInstance early(dir_.path(), OwnPath);
  EXPECT_EQ(early.Acquire(), SingleInstance::Role::Secondary);

  ASSERT_TRUE(lock.open(QIODevice::ReadWrite));
  ASSERT_TRUE(lock.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime));
  lock.close();
  SingleInstance later(dir_.path(), OwnPath);
  EXPECT_EQ(later.Acquire(), SingleInstance::Role::Primary);
}

TEST_F(SingleInstanceTest, NobodyListeningOrAnUnusableFolderNeverHangs) {
  SingleInstance first(dir_.path(), OwnPath);
  ASSERT_EQ(first.Acquire(), SingleInstance::Role::Primary);
  // Lock held but not yet listening: the later start gives up after its bound.
  SingleInstance second(dir_.path(), OwnPath);
  ASSERT_EQ(second.Acquire(), SingleInstance::Role::Secondary);
  QDeadlineTimer bound(3000);
  EXPECT_FALSE(second.NotifyRunning({}, 300));
  EXPECT_FALSE(bound.hasExpired());

  // A folder below a plain file cannot exist: run without hand-off.
  QFile plain(dir_.path() + "/plain");
  ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
  plain.close();
  SingleInstance nowhere(dir_.path() + "/plain/sub", OwnPath);
  EXPECT_EQ(nowhere.Acquire(), SingleInstance::Role::Unguarded);
}

TEST_F(SingleInstanceTest, OversizedOrUnfinishedMessagesAreDropped) {
  SingleInstance first(dir_.path(), OwnPath);
  ASSERT_EQ(first.Acquire(), SingleInstance::Role::Primary);
  ASSERT_TRUE(first.Listen());
  int shown = 0;
  QObject::connect(&first, &SingleInstance::ShowRequested, [&] { ++shown; });

  SingleInstance sender(dir_.path(), OwnPath);
  EXPECT_FALSE(sender.NotifyRunning(QString(SingleInstance::MaxMessage + 10, 'a')));

  // A client that streams bytes without a line end is cut off.
  QLocalSocket flood;
  flood.connectToServer(first.SocketPath());
  ASSERT_TRUE(flood.waitForConnected(1000));
  flood.write(QByteArray(SingleInstance::MaxMessage * 2, 'x'));
  flood.flush();
  EXPECT_TRUE(SpinUntil([&] { return flood.state() == QLocalSocket::UnconnectedState; }));

  // The server still answers the next, proper start.
  EXPECT_TRUE(sender.NotifyRunning());
  EXPECT_TRUE(SpinUntil([&] { return shown == 1; }));
}

}  // namespace
