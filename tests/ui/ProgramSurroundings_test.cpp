// The real program when what surrounds it gives way: a stderr nobody reads
// any more, a display that goes away, descriptors taken up to the limit.
// None of it may cost the user's pages and settings.

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
  WaitForFullPools(*process);
  ASSERT_TRUE(x_.RequestClose(window));
  // With no window manager, Qt gives the question the focus itself, soon
  // after it is mapped; a key pressed before would go to the main window.
  const QString question = WaitForWindow(*process, "^Confirm$");
  WaitUntil(*process, [&] { return x_.FocusedWindow() == question; });
  ASSERT_TRUE(x_.PressKey("Return"));
  EXPECT_TRUE(EndsCleanly(*process)) << "exit status " << process->exitStatus() << ", code "
                                     << process->exitCode() << "\n"
                                     << process->readAllStandardError().toStdString();
  EXPECT_EQ(saved.Names(), SavedFiles());
}

}  // namespace
