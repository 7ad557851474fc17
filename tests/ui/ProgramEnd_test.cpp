// How the real program ends when signals end its session: started as a user
// would, in a folder of its own.

#include <cstring>
#include <string>
#include <vector>

#include "ProgramRunFixture.h"
#include "pages/PageFiles.h"
#include "pages/PageOperations.h"
#include "ui/PageListHandlers.h"

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
    // The result folder comes after the signal handlers: once it is there,
    // a signal can no longer kill the program outright.
    ASSERT_TRUE(QDir(Folder() + "/Results").removeRecursively());
    const FolderWatch saved(Folder() + "/Config");
    auto process = Launch();
    WaitFor(*process, "Results");
    for (const int number : sent) ::kill(static_cast<pid_t>(process->processId()), number);
    EXPECT_TRUE(EndsCleanly(*process)) << label << process->exitStatus() << " " << process->exitCode();
    EXPECT_EQ(saved.Names(), files) << label;
  }
}

// A session manager that repeats itself: SIGTERM, then SIGHUP, SIGINT and
// SIGTERM every few hundred microseconds until the process is gone, while
// the save of a full Multi ping list (1,000 pages of 128 hosts) and all that
// follows it run. The process ends with the save's status, never killed.
TEST_F(ProgramRun, SignalsRepeatedDuringALargeSaveLeaveItsStatus) {
  ASSERT_NO_FATAL_FAILURE(WriteFullMultiPingList());

  for (int round = 0; round < 3; ++round) {
    ASSERT_TRUE(QDir(Folder() + "/Results").removeRecursively());
    const FolderWatch saved(Folder() + "/Config");
    auto process = Launch();
    WaitFor(*process, "Results");
    const auto pid = static_cast<pid_t>(process->processId());
    ::kill(pid, SIGTERM);
    const int burst[] = {SIGHUP, SIGINT, SIGTERM};
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

}  // namespace
