#include "platform/SingleInstance.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <chrono>
#include <future>
#include <memory>

#include "ScopedVariable.h"
#include "support/ForkedChild.h"
#include "support/Waits.h"

using namespace std::chrono_literals;

namespace {

constexpr char OwnPath[] = "/opt/velquor/velquor";
constexpr uid_t Stranger = 23456;
using Role = SingleInstance::Role;

struct Start {
  Role role;
  QString problem;
};

class SingleInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureTestApplication();
    ASSERT_TRUE(dir_.isValid());
  }
  QString Folder() const { return dir_.path() + "/Config"; }
  QStringList Entries() const {
    return QDir(Folder()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
  }

  // The running copy listens and counts the times it is asked to show itself.
  void Listen(SingleInstance& running) {
    ASSERT_TRUE(running.Listen()) << running.Problem().toStdString();
    QObject::connect(&running, &SingleInstance::ShowRequested, [this](const LaunchActivation& given) {
      ++shown_;
      given_ = given;
    });
  }
  // A later start, on a thread of its own: this one turns the event loop
  // for the running copy meanwhile.
  std::future<Start> Later(const QString& ownPath = OwnPath, int waitMs = SingleInstance::WaitMs,
                           QString folder = {}, const LaunchActivation& given = {}) const {
    if (folder.isEmpty()) folder = Folder();
    return std::async(std::launch::async, [folder, ownPath, waitMs, given] {
      SingleInstance later(folder.toStdString(), ownPath);
      const Role role = later.Acquire(waitMs, given);
      return Start{role, later.Problem()};
    });
  }
  static bool Ended(const std::future<Start>& later) {
    return later.wait_for(0s) == std::future_status::ready;
  }
  static Start Finish(std::future<Start> later) {
    EXPECT_TRUE(SpinUntil([&] { return Ended(later); }, 10s));
    return later.get();
  }

  // Without a runtime folder the socket lies in Config, as the tests
  // below expect, unless they name one.
  ScopedVariable noRuntime_{"XDG_RUNTIME_DIR", std::nullopt};
  QTemporaryDir dir_;
  int shown_ = 0;
  LaunchActivation given_;
};

TEST_F(SingleInstanceTest, ALaterStartHandsItsPathOverAndEndsOnceAnswered) {
  {
    SingleInstance first(Folder().toStdString(), OwnPath);
    ASSERT_EQ(first.Acquire(), Role::Primary);
    Listen(first);
    EXPECT_EQ(Entries(), (QStringList{"velquor.lock", "velquor.socket"}));
    EXPECT_EQ(Finish(Later()).role, Role::HandedOver);
    EXPECT_EQ(shown_, 1);
    // A copy in another folder, or a path that differs only in letter case,
    // is another program: answered, but not shown for.
    EXPECT_EQ(Finish(Later("/home/user/velquor")).role, Role::HandedOver);
    EXPECT_EQ(Finish(Later("/opt/velquor/Velquor")).role, Role::HandedOver);
    EXPECT_EQ(Finish(Later()).role, Role::HandedOver);
    EXPECT_EQ(shown_, 2);
  }
  EXPECT_EQ(Entries(), QStringList()) << "the copy takes its files with it";
}

// What the later start's launch gave it travels with its path; a start
// that sends only its path (as older ones do) is answered at once and
// shown for once it hangs up; one that sends more than a message holds is
// cut off and shown for not at all.
TEST_F(SingleInstanceTest, WhatALaterStartWasLaunchedWithTravelsWithItsPath) {
  SingleInstance first(Folder().toStdString(), OwnPath);
  ASSERT_EQ(first.Acquire(), Role::Primary);
  Listen(first);
  const LaunchActivation launched{"launcher-7_TIME1234", "token/1"};
  EXPECT_EQ(Finish(Later(OwnPath, SingleInstance::WaitMs, {}, launched)).role, Role::HandedOver);
  EXPECT_EQ(shown_, 1);
  EXPECT_EQ(given_, launched);

  const QByteArray path = QByteArray(OwnPath) + '\n';
  const struct {
    const char* what;
    QByteArray sent;
    bool shows;
  } cases[] = {
      {"the path alone", path, true},
      {"more than a message", path + QByteArray(SingleInstance::MaxMessage, 'x'), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const int before = shown_;
    // What no row sends, so only a show for this row can replace it.
    given_ = launched;
    QLocalSocket start;
    start.connectToServer(first.SocketPath());
    ASSERT_TRUE(start.waitForConnected(1000));
    start.write(c.sent);
    EXPECT_TRUE(SpinUntil([&] { return start.bytesAvailable() > 0; }));
    EXPECT_EQ(start.readAll(), "+");
    start.disconnectFromServer();
    // The show that should come, however slowly; then the bound waited
    // out, so a show there should not be is seen too.
    if (c.shows) {
      ASSERT_TRUE(SpinUntil([&] { return shown_ > before; }));
    }
    SpinUntil([&] { return shown_ > before + int{c.shows}; }, 300ms);
    EXPECT_EQ(shown_ - before, int{c.shows});
    if (c.shows) {
      EXPECT_EQ(given_, LaunchActivation{});
    }
  }
}

// A socket's address holds 107 bytes of path; a Config folder deeper than
// that is reached all the same.
TEST_F(SingleInstanceTest, AFolderTooDeepForASocketAddressStillTakesHandOvers) {
  const QString deep = dir_.path() + "/" + QString(100, 'd') + "/Config";
  ASSERT_GT(deep.size() + sizeof "/velquor.socket", sizeof sockaddr_un::sun_path);
  SingleInstance first(deep.toStdString(), OwnPath);
  ASSERT_EQ(first.Acquire(), Role::Primary);
  Listen(first);
  EXPECT_TRUE(QFileInfo(deep + "/velquor.socket").exists());
  EXPECT_EQ(Finish(Later(OwnPath, 5000, deep)).role, Role::HandedOver);
  EXPECT_EQ(shown_, 1);
}

// In the user's runtime folder each Config folder has a socket of its own,
// closed to others, whatever a file system without sockets left at its
// name, and gone once its copy ends; Config then holds the lock alone. A
// runtime folder others may enter, or another user's, is not used.
TEST_F(SingleInstanceTest, TheSocketLiesInTheUsersOwnRuntimeFolder) {
  const QString runtime = dir_.path() + "/run", other = dir_.path() + "/Other";
  ASSERT_TRUE(QDir().mkpath(runtime) && QDir().mkpath(Folder()));
  ASSERT_TRUE(QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
  const ScopedVariable named("XDG_RUNTIME_DIR", runtime.toStdString());
  {
    SingleInstance first(Folder().toStdString(), OwnPath), second(other.toStdString(), OwnPath);
    ASSERT_EQ(first.Acquire(), Role::Primary);
    ASSERT_EQ(second.Acquire(), Role::Primary);
    for (const QString& left : {first.SocketPath(), Folder() + "/velquor.socket"})
      ASSERT_TRUE(QFile(left).open(QIODevice::WriteOnly));
    Listen(first);
    ASSERT_TRUE(second.Listen()) << second.Problem().toStdString();
    for (const SingleInstance* copy : {&first, &second}) {
      struct stat made {};
      const QByteArray path = QFile::encodeName(copy->SocketPath());
      EXPECT_EQ(QFileInfo(copy->SocketPath()).path(), runtime);
      EXPECT_LT(path.size(), sizeof sockaddr_un::sun_path);
      ASSERT_EQ(::lstat(path.constData(), &made), 0);
      EXPECT_TRUE(S_ISSOCK(made.st_mode) && (made.st_mode & 0777) == 0600) << std::oct << made.st_mode;
    }
    EXPECT_NE(first.SocketPath(), second.SocketPath());
    EXPECT_EQ(Entries(), QStringList{"velquor.lock"});
    EXPECT_EQ(Finish(Later()).role, Role::HandedOver);
    EXPECT_EQ(Finish(Later(OwnPath, 5000, other)).role, Role::HandedOver);
    EXPECT_EQ(shown_, 1);
  }
  EXPECT_EQ(QDir(runtime).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot), QStringList());

  const struct {
    const char* what;
    mode_t mode;
    uid_t owner;
  } refused[] = {{"others may enter it", 0711, ::geteuid()}, {"another user's", 0700, Stranger}};
  for (const auto& c : refused) {
    SCOPED_TRACE(c.what);
    const QByteArray path = QFile::encodeName(runtime);
    ASSERT_EQ(::chmod(path.constData(), c.mode), 0);
    ASSERT_EQ(::chown(path.constData(), c.owner, static_cast<gid_t>(-1)), 0);
    const QString third = dir_.path() + "/Third";
    SingleInstance copy(third.toStdString(), OwnPath);
    ASSERT_EQ(copy.Acquire(), Role::Primary);
    ASSERT_TRUE(copy.Listen()) << copy.Problem().toStdString();
    EXPECT_EQ(copy.SocketPath(), third + "/velquor.socket");
  }
}

// A log-out takes the runtime folder with the socket in it, and the next
// log-in may make another at its path: a copy that runs on listens again,
// in the new folder or, until there is one, in Config.
TEST_F(SingleInstanceTest, ACopyWhoseRuntimeFolderWentIsReachedAgain) {
  const QString runtime = dir_.path() + "/run";
  const ScopedVariable named("XDG_RUNTIME_DIR", runtime.toStdString());
  const auto makeRuntime = [&] {
    ASSERT_TRUE(QDir().mkpath(runtime));
    ASSERT_TRUE(QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
  };
  const struct {
    const char* what;
    bool madeAnew;
    QString listensIn;
  } cases[] = {{"made anew", true, runtime}, {"not yet made anew", false, Folder()}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_NO_FATAL_FAILURE(makeRuntime());
    SingleInstance first(Folder().toStdString(), OwnPath);
    ASSERT_EQ(first.Acquire(), Role::Primary);
    ASSERT_NO_FATAL_FAILURE(Listen(first));
    ASSERT_TRUE(QDir(runtime).removeRecursively());
    if (c.madeAnew) {
      ASSERT_NO_FATAL_FAILURE(makeRuntime());
    }
    const int before = shown_;
    EXPECT_EQ(Finish(Later(OwnPath, 5000)).role, Role::HandedOver);
    EXPECT_EQ(shown_, before + 1);
    EXPECT_EQ(QFileInfo(first.SocketPath()).path(), c.listensIn);
  }
}

// A lock file whose copy ended (a crash), and a socket nobody listens on.
TEST_F(SingleInstanceTest, WhatACrashLeavesBehindBlocksNoStart) {
  ASSERT_TRUE(QDir().mkpath(Folder()));
  ASSERT_TRUE(QFile(Folder() + "/velquor.lock").open(QIODevice::WriteOnly));
  const std::string socketPath = (Folder() + "/velquor.socket").toStdString();
  sockaddr_un address{AF_UNIX, {}};
  std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ::close(fd);
  SingleInstance next(Folder().toStdString(), OwnPath);
  ASSERT_EQ(next.Acquire(), Role::Primary);
  Listen(next);
  EXPECT_EQ(Finish(Later()).role, Role::HandedOver);
  EXPECT_EQ(shown_, 1);
}

// Once a copy's session is ending it answers no one: a start already
// waiting for its answer is cut off, and every start waits for the copy to
// end, then runs; past its bound it gives up and says why.
TEST_F(SingleInstanceTest, AStartWaitsForACopyOnItsWayOutThenRuns) {
  auto first = std::make_unique<SingleInstance>(Folder().toStdString(), OwnPath);
  ASSERT_EQ(first->Acquire(), Role::Primary);
  Listen(*first);
  auto later = Later();
  // Connected, and waiting for the answer of a copy that is busy saving.
  WaitUntil([] { return false; }, 300ms);
  first->StopAccepting();
  EXPECT_EQ(Entries(), QStringList{"velquor.lock"});
  SpinUntil([] { return false; }, 500ms);
  EXPECT_FALSE(Ended(later));
  first.reset();
  EXPECT_EQ(Finish(std::move(later)).role, Role::Primary);
  EXPECT_EQ(shown_, 0);

  // Holding the lock without listening, as a copy on its way out does.
  const QString other = dir_.path() + "/Other";
  SingleInstance ending(other.toStdString(), OwnPath), late(other.toStdString(), OwnPath);
  ASSERT_EQ(ending.Acquire(), Role::Primary);
  const auto begun = std::chrono::steady_clock::now();
  EXPECT_EQ(late.Acquire(300), Role::Refused);
  const long long waited = MillisecondsSince(begun);
  EXPECT_TRUE(waited >= 300 && waited < 3000) << waited;
  EXPECT_EQ(late.Problem(),
            "another copy of Velquor holds " + other + " and neither answered nor ended within 0.3 s");
}

TEST_F(SingleInstanceTest, NothingALaterStartSendsCanHangEitherCopy) {
  SingleInstance first(Folder().toStdString(), OwnPath);
  ASSERT_EQ(first.Acquire(), Role::Primary);
  Listen(first);
  const Start tooLong = Finish(Later(QString(SingleInstance::MaxMessage + 10, 'a')));
  EXPECT_EQ(tooLong.role, Role::Refused);
  EXPECT_TRUE(tooLong.problem.endsWith("too long to hand over")) << tooLong.problem.toStdString();
  // A client that streams bytes without a line end is cut off.
  QLocalSocket flood;
  flood.connectToServer(first.SocketPath());
  ASSERT_TRUE(flood.waitForConnected(1000));
  flood.write(QByteArray(SingleInstance::MaxMessage * 2, 'x'));
  flood.flush();
  EXPECT_TRUE(SpinUntil([&] { return flood.state() == QLocalSocket::UnconnectedState; }));
  // The running copy still answers the next, proper start.
  EXPECT_EQ(Finish(Later()).role, Role::HandedOver);
  EXPECT_EQ(shown_, 1);
  // A folder below a plain file cannot exist, and no save there can succeed:
  // run without the lock.
  EXPECT_EQ(SingleInstance((Folder() + "/velquor.lock/sub").toStdString(), OwnPath).Acquire(),
            Role::Unguarded);
}

// Another user can neither open the lock file to hold it against the user,
// nor reach the socket; a process of another user that listens where the
// running copy would is not handed anything, and one that reaches the
// running copy anyway is not answered.
TEST_F(SingleInstanceTest, OnlyTheUsersOwnProcessesTalkToEachOther) {
  ASSERT_TRUE(QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                     QFile::ExeOther | QFile::ExeGroup));
  const std::string lock = (Folder() + "/velquor.lock").toStdString();
  const std::string socketPath = (Folder() + "/velquor.socket").toStdString();
  sockaddr_un address{AF_UNIX, {}};
  std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
  {
    SingleInstance running(Folder().toStdString(), OwnPath);
    ASSERT_EQ(running.Acquire(), Role::Primary);
    Listen(running);
    const auto denied = [&] {
      const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
      const bool refused =
          ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 && errno == EACCES;
      return refused && ::open(lock.c_str(), O_RDONLY) < 0 && errno == EACCES ? 0 : 1;
    };
    EXPECT_EQ(ExitCodeOf(ForkAs(Stranger, denied), 10s), 0)
        << "the lock file and the socket are closed to others";

    ASSERT_EQ(::chmod(socketPath.c_str(), 0777), 0);
    const auto unanswered = [&] {
      const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
      if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return 2;
      const std::string line = std::string(OwnPath) + "\n";
      if (::write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size())) return 3;
      pollfd ready{fd, POLLIN, 0};
      char answer = 0;
      return ::poll(&ready, 1, 5000) == 1 && ::read(fd, &answer, 1) <= 0 ? 0 : 4;
    };
    EXPECT_EQ(ExitCodeOf(ForkAs(Stranger, unanswered), 10s), 0) << "cut off without an answer";
    EXPECT_EQ(shown_, 0);
  }

  // The stranger's socket is made where only the user may (as root here), but
  // listened on as the stranger.
  FolderLock held(Folder().toStdString());
  ASSERT_EQ(held.TryTake(), FolderLock::Outcome::Taken);
  const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t impostor = ForkAs(Stranger, [&] {
    if (::listen(listener, 4) != 0) return 1;
    ::write(ready[1], "x", 1);
    ::pause();
    return 0;
  });
  ASSERT_GT(impostor, 0);
  char byte;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);
  const Start posed = Finish(Later());
  EXPECT_EQ(posed.role, Role::Refused);
  EXPECT_EQ(posed.problem,
            "the process listening on " + Folder() + "/velquor.socket runs as another user (23456)");
  ::kill(impostor, SIGKILL);
  ::waitpid(impostor, nullptr, 0);
  for (const int fd : {listener, ready[0], ready[1]}) ::close(fd);
}

}  // namespace
