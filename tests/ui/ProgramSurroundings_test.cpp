// The real program when what surrounds it gives way: a stderr nobody reads
// any more, a display that goes away, descriptors taken up to the limit, a
// session manager that logs the user out. None of it may cost the user's
// pages and settings.

#include <fcntl.h>
#include <unistd.h>

#include "ProgramOnDisplay.h"

namespace {

// A run's end writes its failed action to stderr, here a pipe whose reader
// has gone: the write fails, and neither the session nor its end, with a
// save of everything and status 0, may be lost to it.
TEST_F(ProgramRun, AStderrWhoseReaderHasGoneCostsNeitherTheSessionNorItsSave) {
  std::unique_ptr<TPingPage> page = DefaultPingPage(Mode::Ping);
  page->Host = "127.0.0.1";
  page->Retries = 1;
  page->StartOnStartup = page->SaveResult = page->ExecuteProgram = true;
  const QString missing = Folder() + "/gone";
  page->ExecPath = missing.toStdString();
  TPingRegistry pages(Mode::Ping);
  ASSERT_TRUE(AddPage(pages, *page));
  ASSERT_TRUE(SavePages(pages, (Folder() + "/Config").toStdString()).ok());

  // The report is written on the same turn of the event loop as the
  // failure that follows it, and a signal waits for the loop: once the
  // report is there, SIGTERM comes after the line.
  const auto runUntilReport = [&](QProcess::ProcessChannelMode channels, const QStringList& through) {
    EXPECT_TRUE(QDir(Folder() + "/Results").removeRecursively());
    auto process = Launch(channels, through);
    WaitUntil(*process, [&] { return !QDir(Folder() + "/Results").entryList(QDir::Files).isEmpty(); });
    // A process already gone has no id: kill(0) would reach the tests.
    if (process->state() == QProcess::Running) ::kill(static_cast<pid_t>(process->processId()), SIGTERM);
    return process;
  };

  // The session has a line to write: where stderr is read, it is there.
  auto read = runUntilReport(QProcess::SeparateChannels, {});
  ASSERT_TRUE(EndsCleanly(*read));
  const QString said = QString::fromUtf8(read->readAllStandardError());
  ASSERT_TRUE(said.contains("velquor: the program " + missing + " was not started")) << said.toStdString();

  // Only the writing end reaches the program, as stdout and stderr both;
  // bash, unlike sh, takes a descriptor above 9 in a redirection.
  int ends[2];
  ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
  ::close(ends[0]);
  ASSERT_EQ(::fcntl(ends[1], F_SETFD, 0), 0);
  const QString fd = QString::number(ends[1]);
  const FolderWatch saved(Folder() + "/Config");
  auto broken = runUntilReport(QProcess::ForwardedChannels,
                               {"bash", "-c", QString("exec \"$0\" >&%1 2>&%1 %1>&-").arg(fd)});
  ::close(ends[1]);
  EXPECT_TRUE(EndsCleanly(*broken)) << "exit status " << broken->exitStatus() << ", code "
                                    << broken->exitCode();
  EXPECT_EQ(saved.Names(), SavedFiles());
}

// Qt ends the program itself when its X server goes away; the pages and
// settings are saved first, as at a session end. No Config file exists
// before, so each one there is this session's save.
TEST_F(ProgramOnDisplay, ADisplayThatGoesAwayEndsTheProgramOnlyAfterItsSave) {
  ASSERT_TRUE(QDir(Folder()).mkdir("Config"));
  const FolderWatch saved(Folder() + "/Config");
  auto process = LaunchOnDisplay();
  WaitFor(*process, "Results");
  WaitForWindow(*process, "^Velquor");
  x_.Stop();
  ASSERT_TRUE(process->waitForFinished(ProgramTimeoutMs));
  const std::string said = process->readAllStandardError().toStdString();
  EXPECT_EQ(saved.Names(), SavedFiles()) << said;
  // And no temporary left behind.
  EXPECT_EQ(QDir(Folder() + "/Config").entryList(QDir::Files | QDir::Hidden, QDir::Name), SavedFiles())
      << said;
}

// Three IP range pools of 500 workers want 1,500 sockets under a hard limit
// of 1,024. Closing the window from its title bar still asks first, and the
// "Yes" still saves everything and ends with status 0.
TEST_F(ProgramOnDisplay, ClosingTheWindowWhileRunsHoldEveryDescriptorAsksAndSaves) {
  WritePools();
  const FolderWatch saved(Folder() + "/Config");
  auto process = LaunchOnDisplay({"prlimit", QString("--nofile=%1:%1").arg(OpenFileLimit)});
  const QString window = WaitForWindow(*process, "^Velquor");
  ASSERT_FALSE(window.isEmpty()) << process->readAllStandardError().toStdString();
  WaitForFullPools(*process);
  ASSERT_NO_FATAL_FAILURE(CloseAnsweringYes(*process, window));
  EXPECT_TRUE(EndsCleanly(*process)) << "exit status " << process->exitStatus() << ", code "
                                     << process->exitCode() << "\n"
                                     << process->readAllStandardError().toStdString();
  EXPECT_EQ(saved.Names(), SavedFiles());
}

// The program as a desktop log-in starts it: under a window manager, by
// the X session manager xsm, which runs the commands of the start-up file
// in its home folder. Each session is the first of its home, and of the
// program, whose Config folder starts empty: the pages and settings exist
// only in memory until the program saves them.
class ProgramInSession : public ProgramOnDisplay {
 protected:
  static constexpr int LogOutMs = 10000;

  void SetUp() override {
    ProgramOnDisplay::SetUp();
    ASSERT_TRUE(x_.StartWindowManager());
  }

  QString Home() const { return Folder() + "/home"; }
  // Where the program's exit status is written when it ends.
  QString StatusFile() const { return Folder() + "/velquor.status"; }

  // Starts xsm, which starts the program through a shell that keeps its
  // exit status; the program's window is up once this returns. The
  // manager's stderr carries the program's.
  std::unique_ptr<QProcess> StartSession(bool writableConfig = true) {
    EXPECT_TRUE(QDir(Home()).removeRecursively() && QDir().mkpath(Home()));
    QFile::remove(StatusFile());
    // A file in the way of the Config folder makes every save fail.
    QFile config(Folder() + "/Config");
    QDir(config.fileName()).removeRecursively();
    config.remove();
    EXPECT_TRUE(writableConfig ? QDir(Folder()).mkdir("Config") : config.open(QIODevice::WriteOnly));
    config.close();
    QFile startup(Home() + "/.xsmstartup");
    EXPECT_TRUE(startup.open(QIODevice::WriteOnly) &&
                startup.write("sh -c '\"$PROGRAM\"; echo $? > \"$PROGRAM.status\"'\n") > 0);
    startup.close();
    QProcessEnvironment home;
    home.insert("HOME", Home());
    auto manager = LaunchOnDisplay({"sh", "-c", "export PROGRAM=\"$0\"; exec xsm"}, home);
    window_ = WaitForWindow(*manager, "^Velquor");
    return manager;
  }

  // The program's exit status; -1 while it runs.
  int ExitStatus() const {
    QFile status(StatusFile());
    bool number = false;
    const int value = status.open(QIODevice::ReadOnly) ? status.readAll().trimmed().toInt(&number) : -1;
    return number ? value : -1;
  }

  // What the manager's saved sessions hold, each of which a later log-in
  // may start again.
  QString SavedSessions() const {
    QString saved;
    for (const QFileInfo& file : QDir(Home()).entryInfoList({".XSM-*"}, QDir::Files | QDir::Hidden)) {
      QFile session(file.filePath());
      if (session.open(QIODevice::ReadOnly)) saved += QString::fromUtf8(session.readAll());
    }
    return saved;
  }

  QString window_;
};

// The session manager's log-out (xsm's, when it is sent SIGTERM: a save of
// the local kind, then "die") ends the program within seconds and never
// puts the close question on the screen. The pages and settings are saved
// once, at the session's end, with no temporary left behind; when they
// cannot be, the program says so once on stderr and ends with 1. The
// manager is told not to start the program again at the next log-in.
TEST_F(ProgramInSession, ALogOutSavesAndEndsTheProgramWithoutAsking) {
  for (const bool writable : {true, false}) {
    auto manager = StartSession(writable);
    const FolderWatch saved(Folder() + "/Config");
    ::kill(static_cast<pid_t>(manager->processId()), SIGTERM);
    bool asked = false;
    QDeadlineTimer deadline(LogOutMs);
    while (ExitStatus() < 0 && !deadline.hasExpired()) asked |= !x_.Windows("^Confirm$").isEmpty();
    EXPECT_FALSE(asked) << writable;
    ASSERT_EQ(ExitStatus(), writable ? 0 : 1) << writable;
    ASSERT_TRUE(manager->waitForFinished(ProgramTimeoutMs));
    const QString said = QString::fromUtf8(manager->readAllStandardError());
    if (writable) {
      EXPECT_EQ(saved.Names(), SavedFiles()) << said.toStdString();
      EXPECT_EQ(QDir(Folder() + "/Config").entryList(QDir::Files | QDir::Hidden, QDir::Name), SavedFiles());
    } else {
      EXPECT_EQ(said.count("velquor: cannot save the pages and settings: cannot use " + Folder() +
                           "/Config: Not a directory\n"),
                1)
          << said.toStdString();
    }
    const QString sessions = SavedSessions();
    EXPECT_FALSE(sessions.isEmpty()) << writable;
    EXPECT_FALSE(sessions.contains(Folder() + "/velquor")) << sessions.toStdString();
  }
}

// A checkpoint is no end. The save xsm's Checkpoint button asks for (of
// both kinds) writes every page file and the settings once; the user's
// close afterwards still asks, and its "Yes" still ends the program with 0.
TEST_F(ProgramInSession, ACheckpointSavesAndTheUsersCloseStillAsks) {
  auto manager = StartSession();
  const FolderWatch saved(Folder() + "/Config");
  // xsm's main window is a grid of four buttons, Checkpoint at the bottom
  // left; its dialog asks a new session for a name.
  const QString xsm = WaitForWindow(*manager, "^xsm: ");
  const QRect place = x_.Geometry(xsm).value_or(QRect());
  ASSERT_TRUE(x_.Click(xsm, QPoint(12, place.height() - 12)));
  const QString dialog = WaitForWindow(*manager, "^Checkpoint$");
  WaitUntil(*manager, [&] { return x_.FocusedWindow() == dialog; });
  ASSERT_TRUE(x_.Type("checked") && x_.PressKey("Return"));
  // The manager writes its session down once every client has saved.
  WaitUntil(*manager, [&] { return !SavedSessions().isEmpty(); });
  EXPECT_EQ(saved.Names(), SavedFiles());

  ASSERT_NO_FATAL_FAILURE(CloseAnsweringYes(*manager, window_, [&] { return ExitStatus() >= 0; }));
  WaitUntil(*manager, [&] { return ExitStatus() >= 0; });
  EXPECT_EQ(ExitStatus(), 0);
  const QString sessions = SavedSessions();
  EXPECT_FALSE(sessions.isEmpty());
  EXPECT_FALSE(sessions.contains(Folder() + "/velquor")) << sessions.toStdString();
  ::kill(static_cast<pid_t>(manager->processId()), SIGTERM);
  EXPECT_TRUE(manager->waitForFinished(ProgramTimeoutMs));
}

}  // namespace
