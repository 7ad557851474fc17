// The real program under a thread limit: a pids cgroup of the test's own
// lets a page that starts at start-up have fewer threads than its run needs,
// or the start-up itself fewer than its window needs.

#include <fcntl.h>

#include <QSet>
#include <QThread>
#include <cerrno>
#include <cstring>

#include "ProgramOnDisplay.h"
#include "pages/PageFiles.h"
#include "pages/PageOperations.h"
#include "ui/PageListHandlers.h"

namespace {

constexpr const char* PidsRoot = "/sys/fs/cgroup/pids";

bool WriteControl(const QString& path, const QByteArray& text) {
  const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool written = ::write(fd, text.constData(), static_cast<size_t>(text.size())) == text.size();
  return ::close(fd) == 0 && written;
}

QByteArray ReadControl(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray();
}

// A pids cgroup made for one test and removed with it; whatever still runs
// in it goes back to the root group first, so that it can be removed.
class PidsGroup {
 public:
  PidsGroup() : path_(QString("%1/velquor-test-%2").arg(PidsRoot).arg(::getpid())) {
    made_ = QDir().mkdir(path_);
    EXPECT_TRUE(made_) << path_.toStdString() << ": " << std::strerror(errno);
  }
  ~PidsGroup() {
    if (!made_) return;
    for (const QByteArray& pid : ReadControl(path_ + "/cgroup.procs").split('\n'))
      if (!pid.isEmpty()) WriteControl(QString(PidsRoot) + "/cgroup.procs", pid);
    // The kernel lets go of a group only once the tasks that ended in it
    // are gone, which may come a moment after their process was reaped.
    QDeadlineTimer deadline(5000);
    bool removed;
    while (!(removed = QDir().rmdir(path_)) && errno == EBUSY && !deadline.hasExpired()) QThread::msleep(20);
    EXPECT_TRUE(removed) << std::strerror(errno);
  }
  PidsGroup(const PidsGroup&) = delete;
  PidsGroup& operator=(const PidsGroup&) = delete;

  // A command that joins the group and then becomes the program, so that it
  // starts under the group's limit.
  QStringList Joining() const {
    return {"sh", "-c", QString("echo $$ > %1/cgroup.procs && exec \"$0\"").arg(path_)};
  }
  bool Move(qint64 pid) const {
    return made_ && WriteControl(path_ + "/cgroup.procs", QByteArray::number(pid));
  }
  int Tasks() const { return ReadControl(path_ + "/pids.current").toInt(); }
  // "max" lifts the limit.
  bool Limit(const QByteArray& most) const { return made_ && WriteControl(path_ + "/pids.max", most); }

 private:
  QString path_;
  bool made_ = false;
};

class ProgramThreads : public ProgramRun {
 protected:
  // The only page of the mode: it starts when the program does, saves its
  // report when its run ends, and pings 127.0.0.1 (Multi ping: 127.0.0.1 to
  // 127.0.0.<hosts>) twice; Trace route probes 10 hops.
  void WritePage(Mode mode, int hosts) const {
    std::unique_ptr<TPingPage> page = DefaultPingPage(mode);
    page->Name = "loop back";
    page->Host = "127.0.0.1";
    page->Hops = 10;
    page->Retries = 2;
    page->Delay = 100;
    page->ResolveHostName = false;
    page->StartOnStartup = page->SaveResult = true;
    for (int i = 0; mode == Mode::MultiPing && i < hosts; ++i)
      page->Hosts[static_cast<std::size_t>(page->HostCount++)].Host = "127.0.0." + std::to_string(i + 1);
    WriteOnlyPage(mode, *page);
  }
};

// Once "Results" exists the start-up page has not started yet (its timer
// fires half a second after the window's start): the program goes into the
// group, which then allows `spare` more threads than it has. The run that
// cannot have the rest says so on stderr, naming its page and tab, and
// leaves no report that could pass for a finished run.
TEST_F(ProgramThreads, ARunShortOfThreadsSaysSoAndSavesNoReport) {
  ASSERT_TRUE(QFileInfo(PidsRoot).isDir()) << "the pids controller of cgroup v1 is not mounted";
  const struct {
    Mode mode;
    int hosts;
    int spare;  // threads beyond those the program has: its run's controller, then workers
    const char* said;
  } rows[] = {
      {Mode::Ping, 1, 0,
       "velquor: the page \"loop back\" of the Ping tab could not run: its thread "
       "could not be started ("},
      {Mode::MultiPing, 10, 3, "velquor: the page \"loop back\" of the Multi ping tab could not run: "},
      {Mode::Traceroute, 1, 1,
       "velquor: the page \"loop back\" of the Trace route tab could not run: none "
       "of the 10 threads it needs could be started ("},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(ModeWord(row.mode));
    WritePage(row.mode, row.hosts);
    ASSERT_TRUE(QDir(Folder() + "/Results").removeRecursively());
    const PidsGroup group;
    auto process = Launch(QProcess::SeparateChannels);
    WaitFor(*process, "Results");
    ASSERT_TRUE(group.Move(process->processId()));
    ASSERT_TRUE(group.Limit(QByteArray::number(group.Tasks() + row.spare)));

    QByteArray said = StderrUntilToldOrReported(*process);
    ASSERT_TRUE(group.Limit("max"));
    EndBySigterm(*process);
    said += process->readAllStandardError();

    const QStringList lines = OwnLines(said);
    EXPECT_EQ(lines.size(), 1) << said.toStdString();
    const QString line = lines.value(0);
    EXPECT_TRUE(line.startsWith(row.said)) << line.toStdString();
    EXPECT_TRUE(line.endsWith(QString("(%1)").arg(std::strerror(EAGAIN)))) << line.toStdString();
    EXPECT_EQ(Reports(), QStringList());
  }
}

// Started where it may not have a single thread besides its own, it cannot
// draw a window without the toolkit waiting forever for the pieces of its
// paints: it says so and ends before it has read or written a file.
TEST_F(ProgramThreads, WithoutThreadsToDrawWithItSaysSoAndEndsAtOnce) {
  ASSERT_TRUE(QFileInfo(PidsRoot).isDir()) << "the pids controller of cgroup v1 is not mounted";
  WritePage(Mode::Ping, 1);
  ASSERT_TRUE(QDir(Folder() + "/Results").removeRecursively());
  const QStringList saved = Entries(Folder() + "/Config");
  const PidsGroup group;
  ASSERT_TRUE(group.Limit("1"));
  auto process = Launch(QProcess::SeparateChannels, group.Joining());
  ASSERT_TRUE(EndsCleanly(*process, 1));
  const QString said = QString::fromUtf8(process->readAllStandardError());
  EXPECT_TRUE(said.contains(QRegularExpression(
      "(^|\n)velquor: cannot start: only 0 of the \\d+ threads the window draws with could be started\n")))
      << said.toStdString();
  EXPECT_FALSE(QFileInfo::exists(Folder() + "/Results"));
  EXPECT_EQ(Entries(Folder() + "/Config"), saved);
}

// On X the toolkit wants two threads of its own beside those the window
// draws with: the reader of the display's events, then, while the window is
// built, the one for the desktop bus. Under limits around what the program
// needs (its first thread, the drawing threads and those two), each start
// either shows its window and saves at a session end, or says on stderr
// which threads it could not have and ends with status 1, having saved
// nothing. It never waits for a thread it did not get.
TEST_F(ProgramOnDisplay, UnderATaskLimitAStartShowsItsWindowOrSaysSoAndNeverHangs) {
  ASSERT_TRUE(QFileInfo(PidsRoot).isDir()) << "the pids controller of cgroup v1 is not mounted";
  const QRegularExpression refused(
      QString("^velquor: cannot start: (only \\d+ of the \\d+ threads the window draws with could be started|"
              "a thread the toolkit needs for the window could not be started \\(%1\\))$")
          .arg(std::strerror(EAGAIN)));
  QSet<QString> endings;
  // Tasks allowed beyond the first thread and the drawing threads.
  for (const int beyond : {-1, 0, 1, 2, 3}) {
    const int limit = 1 + QThread::idealThreadCount() + beyond;
    SCOPED_TRACE(limit);
    ASSERT_TRUE(QDir(Folder() + "/Config").removeRecursively() && QDir(Folder()).mkdir("Config"));
    const FolderWatch saved(Folder() + "/Config");
    const PidsGroup group;
    ASSERT_TRUE(group.Limit(QByteArray::number(limit)));
    auto process = LaunchOnDisplay(group.Joining());
    QDeadlineTimer deadline(ProgramTimeoutMs);
    bool shown = false;
    while (!(shown = !x_.Windows("^Velquor").isEmpty()) && !process->waitForFinished(50))
      ASSERT_FALSE(deadline.hasExpired()) << "neither a window nor an end";

    if (shown) {
      EndBySigterm(*process);
      EXPECT_EQ(saved.Names(), SavedFiles());
      endings << "shown";
      continue;
    }
    const QByteArray stderrText = process->readAllStandardError();
    EXPECT_TRUE(process->exitStatus() == QProcess::NormalExit && process->exitCode() == 1)
        << process->exitStatus() << " " << process->exitCode() << "\n"
        << stderrText.toStdString();
    const QStringList said = OwnLines(stderrText);
    ASSERT_EQ(said.size(), 1) << said.join('\n').toStdString();
    const QRegularExpressionMatch told = refused.match(said[0]);
    EXPECT_TRUE(told.hasMatch()) << said[0].toStdString();
    const bool toolkit = told.captured(1).contains("toolkit");
    endings << (toolkit ? "toolkit" : "drawing");
    EXPECT_EQ(saved.Names(), QStringList());
    // Config was empty, and no temporary or anything else is left there. The
    // drawing threads are refused before the lock is taken; a toolkit's
    // thread may be refused after, and that end, as abrupt as a kill,
    // leaves the lock, which the next start takes over.
    const QStringList left = Entries(Folder() + "/Config");
    if (toolkit) {
      EXPECT_TRUE(left.isEmpty() || left == QStringList({"velquor.lock"})) << left.join(' ').toStdString();
    } else {
      EXPECT_EQ(left, QStringList());
    }
  }
  // Each way a start can end, seen at least once.
  EXPECT_EQ(endings, (QSet<QString>{"drawing", "toolkit", "shown"}));
}

}  // namespace
