// How the real program ends when signals end its session, or its start-up:
// started as a user would, in a folder of its own.

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <string>
#include <vector>

#include "ProgramOnDisplay.h"

namespace {

// Ctrl+C in the terminal ends the session as SIGTERM and SIGHUP do, and one
// session end saves once, whatever signals follow it: each page file and
// the settings are renamed into place once, and the program ends with 0.
TEST_F(ProgramRun, EachSignalThatEndsTheSessionSavesOnceAndEndsCleanly) {
  ASSERT_TRUE(QDir(Folder()).mkdir("Config"));
  const QStringList files = SavedFiles();
  const std::vector<std::vector<int>> cases{
      {SIGINT}, {SIGTERM, SIGHUP}, {SIGINT, SIGINT}, {SIGHUP, SIGINT, SIGTERM}};
  for (const std::vector<int>& sent : cases) {
    std::string label;
    for (const int number : sent) label += std::string(sigabbrev_np(number)) + " ";
    const FolderWatch saved(Folder() + "/Config");
    auto process = Launch();
    // The handlers come one after another: a signal sent before its own is
    // in place would end the program outright.
    WaitUntil(*process, [&] {
      return std::ranges::all_of(sent, [&](int number) { return Catches(*process, number); });
    });
    for (const int number : sent) ::kill(static_cast<pid_t>(process->processId()), number);
    EXPECT_TRUE(EndsCleanly(*process)) << label << process->exitStatus() << " " << process->exitCode();
    EXPECT_EQ(saved.Names(), files) << label;
  }
}

// Started with the hang-up and the interrupt ignored (nohup, a script's
// background job), the program leaves them ignored: the terminal closing, or
// Ctrl+C meant for the script, passes it by. SIGTERM still ends the session.
TEST_F(ProgramRun, ASignalIgnoredAtTheStartStaysIgnored) {
  ASSERT_TRUE(QDir(Folder()).mkdir("Config"));
  const FolderWatch saved(Folder() + "/Config");
  auto process = Launch(QProcess::ForwardedErrorChannel, {}, {}, [] {
    std::signal(SIGHUP, SIG_IGN);
    std::signal(SIGINT, SIG_IGN);
  });
  WaitUntil(*process, [&] { return Catches(*process, SIGTERM); });
  for (const int number : {SIGHUP, SIGINT}) ::kill(static_cast<pid_t>(process->processId()), number);
  EXPECT_FALSE(process->waitForFinished(1000)) << "ended by an ignored signal";
  // By now every handler the program sets is in place.
  for (const int number : {SIGHUP, SIGINT}) EXPECT_FALSE(Catches(*process, number)) << sigabbrev_np(number);
  EXPECT_EQ(saved.Names(), QStringList());
  ASSERT_NO_FATAL_FAILURE(EndBySigterm(*process));
  EXPECT_EQ(saved.Names(), SavedFiles());
}

// A session manager that repeats itself: SIGTERM, then SIGHUP, SIGINT and
// SIGTERM every few hundred microseconds until the process is gone, while
// the save of a full Multi ping list (1,000 pages of 128 hosts) and all that
// follows it run. The process ends with the save's status, never killed.
TEST_F(ProgramRun, SignalsRepeatedDuringALargeSaveLeaveItsStatus) {
  ASSERT_NO_FATAL_FAILURE(WriteFullMultiPingList());

  for (int round = 0; round < 3; ++round) {
    const FolderWatch saved(Folder() + "/Config");
    auto process = Launch();
    const int burst[] = {SIGHUP, SIGINT, SIGTERM};
    WaitUntil(*process, [&] {
      return std::ranges::all_of(burst, [&](int number) { return Catches(*process, number); });
    });
    const auto pid = static_cast<pid_t>(process->processId());
    ::kill(pid, SIGTERM);
    QDeadlineTimer deadline(ProgramTimeoutMs);
    for (int sent = 0; process->state() != QProcess::NotRunning && !deadline.hasExpired(); ++sent) {
      ::kill(pid, burst[sent % 3]);
      process->waitForFinished(0);
      ::usleep(300);
    }
    ASSERT_TRUE(process->state() == QProcess::NotRunning || process->waitForFinished(ProgramTimeoutMs));
    EXPECT_EQ(process->exitStatus(), QProcess::NormalExit) << "round " << round;
    EXPECT_EQ(process->exitCode(), 0) << "round " << round;
    EXPECT_EQ(saved.Names().count("MultiPingPages.dat"), 1) << "round " << round;
  }
}

// A desktop bus that takes the connection and never answers holds the
// start-up up where the window's accessibility is set up, before the event
// loop runs. A session end then ends the program at once, by its signal,
// before it has written a file: there was nothing to save.
TEST_F(ProgramOnDisplay, ASessionEndDuringAStartUpHeldUpEndsItAtOnce) {
  const QByteArray path = QFile::encodeName(Folder() + "/bus");
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(static_cast<std::size_t>(path.size()), sizeof address.sun_path);
  std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
  const int bus = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_EQ(::bind(bus, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(bus, 4), 0);
  QProcessEnvironment variables;
  for (const char* name : {"DBUS_SESSION_BUS_ADDRESS", "AT_SPI_BUS_ADDRESS"})
    variables.insert(name, "unix:path=" + QFile::decodeName(path));
  ASSERT_TRUE(QDir(Folder()).mkdir("Config"));

  for (const int number : {SIGTERM, SIGHUP, SIGINT}) {
    SCOPED_TRACE(sigabbrev_np(number));
    const FolderWatch saved(Folder() + "/Config");
    auto process = LaunchOnDisplay({}, variables);
    // Held up once its connection waits to be taken.
    pollfd connecting{bus, POLLIN, 0};
    WaitUntil(*process, [&] { return ::poll(&connecting, 1, 0) == 1; });
    ::kill(static_cast<pid_t>(process->processId()), number);
    ASSERT_TRUE(process->waitForFinished(5000)) << "a session end left the start-up held up";
    EXPECT_EQ(process->exitStatus(), QProcess::CrashExit);
    EXPECT_EQ(process->exitCode(), number);
    EXPECT_EQ(saved.Names(), QStringList());
    EXPECT_FALSE(QFileInfo::exists(Folder() + "/Results"));
    ::close(::accept4(bus, nullptr, nullptr, SOCK_CLOEXEC));
  }
  ::close(bus);
}

}  // namespace
