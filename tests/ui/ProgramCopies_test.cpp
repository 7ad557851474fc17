// The real program started twice on one Config folder: one copy ever runs
// on it, whatever other users made beforehand, and a start that meets the
// last copy on its way out waits for it and then runs.

#include <pwd.h>
#include <signal.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "ProgramRunFixture.h"

namespace {

// The state letter /proc gives the process: 'T' when it is stopped.
char ProcessState(qint64 pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(stat, line);
  const std::size_t name = line.rfind(')');
  return name == std::string::npos || name + 2 >= line.size() ? '?' : line[name + 2];
}

// An ordinary user (uid 23456) starts the program twice from a folder of
// their own, in a session without a runtime folder (XDG_RUNTIME_DIR unset,
// as under ssh or cron). Another user made the folders where the guard used
// to live first: the toolkit's stand-in runtime folder, open to all, and
// /tmp/velquor-<uid>, a link to a folder of theirs (here in a temporary
// folder of the test's). The second start hands over to the first and ends
// at once, saying nothing; only the first saves, at its end.
TEST_F(ProgramRun, ASecondStartHandsOverWhereAnotherUserMadeTheGuardsOldFolders) {
  constexpr uid_t User = 23456, Other = 23457;
  const passwd* entry = ::getpwuid(User);
  const QString name = entry ? QString::fromLocal8Bit(entry->pw_name) : QString();
  ASSERT_TRUE(QDir(Folder()).mkdir("Config"));
  for (const QString& path : {Folder(), Folder() + "/velquor", Folder() + "/Config"})
    ASSERT_EQ(::chown(QFile::encodeName(path).constData(), User, User), 0);
  const QString tmp = Folder() + "/tmp", theirs = Folder() + "/theirs";
  ASSERT_TRUE(QDir(Folder()).mkdir("tmp") && QDir(tmp).mkdir("runtime-" + name) &&
              QDir(Folder()).mkdir("theirs"));
  ASSERT_TRUE(QFile::link(theirs, tmp + "/velquor-23456"));
  ASSERT_EQ(::chmod(QFile::encodeName(tmp).constData(), 01777), 0);
  for (const QString& taken : {tmp + "/runtime-" + name, theirs}) {
    ASSERT_EQ(::chown(QFile::encodeName(taken).constData(), Other, Other), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(taken).constData(), 0777), 0);
  }
  ASSERT_EQ(::lchown(QFile::encodeName(tmp + "/velquor-23456").constData(), Other, Other), 0);
  QProcessEnvironment variables;
  variables.insert("TMPDIR", tmp);
  const QStringList asUser = QStringList{"env", "-u", "XDG_RUNTIME_DIR"} + AsUser(User);

  auto first = Launch(QProcess::SeparateChannels, asUser, variables);
  WaitFor(*first, "Results");
  const FolderWatch saved(Folder() + "/Config");
  auto second = Launch(QProcess::SeparateChannels, asUser, variables);
  EXPECT_TRUE(EndsCleanly(*second));
  EXPECT_EQ(OwnLines(second->readAllStandardError()), QStringList());
  EXPECT_EQ(first->state(), QProcess::Running);
  EndBySigterm(*first);
  EXPECT_EQ(OwnLines(first->readAllStandardError()), QStringList());
  EXPECT_EQ(saved.Names(), SavedFiles());
}

// The last copy ends while its save of a full Multi ping list stalls (it is
// stopped once the save's first temporary file is there, as a slow disk
// would hold it). A start meanwhile neither hands over to it nor runs
// beside it: it waits, without a window, and once the last copy has ended,
// it runs and saves at its own end.
TEST_F(ProgramRun, AStartWhileTheLastCopySavesAtItsEndWaitsAndThenRuns) {
  ASSERT_NO_FATAL_FAILURE(WriteFullMultiPingList());
  auto last = Launch();
  WaitFor(*last, "Results");
  const auto lastPid = static_cast<pid_t>(last->processId());
  const FolderWatch created(Folder() + "/Config", IN_CREATE);
  // Caught, or it would end the start-up at once, with nothing to save.
  WaitUntil(*last, [&] { return Catches(*last, SIGTERM); });
  ::kill(lastPid, SIGTERM);
  WaitUntil(*last, [&] { return !created.Names(20).filter(QRegularExpression("^\\.")).isEmpty(); });
  ::kill(lastPid, SIGSTOP);
  WaitUntil(*last, [&] { return ProcessState(lastPid) == 'T'; });

  auto next = Launch(QProcess::SeparateChannels);
  EXPECT_FALSE(next->waitForFinished(2000)) << "exit code " << next->exitCode();
  EXPECT_FALSE(Catches(*next, SIGTERM)) << "it runs beside the last copy";
  ::kill(lastPid, SIGCONT);
  EXPECT_TRUE(EndsCleanly(*last));

  const FolderWatch saved(Folder() + "/Config");
  EndBySigterm(*next);
  EXPECT_EQ(OwnLines(next->readAllStandardError()), QStringList());
  EXPECT_EQ(saved.Names(), SavedFiles());
}

// Something at the lock's name that no lock can be taken on, here a folder:
// the program cannot keep a second copy off its files, so it does not start.
// It says why on stderr and in a message that stays up until the user closes
// it or the session ends, and ends with status 1 without touching a file.
TEST_F(ProgramRun, AStartThatCannotTakeTheLockSaysSoAndEnds) {
  ASSERT_TRUE(QDir().mkpath(Folder() + "/Config/velquor.lock"));
  auto process = Launch(QProcess::SeparateChannels);
  const QByteArray expected = "velquor: cannot start: cannot open " + QFile::encodeName(Folder()) +
                              "/Config/velquor.lock: Is a directory\n";
  FailedStartUpEndsBySigterm(*process, expected);
  EXPECT_EQ(Entries(Folder() + "/Config"), QStringList{"velquor.lock"});
  EXPECT_FALSE(QFileInfo::exists(Folder() + "/Results"));
}

}  // namespace
