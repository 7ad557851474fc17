#pragma once

// The real program, started as a user would in a folder of its own, and
// ended the way a session end does.

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/types.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdint>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "QtPrinting.h"
#include "pages/PageFiles.h"
#include "pages/PageOperations.h"
#include "ui/PageListHandlers.h"

#ifndef VELQUOR_BINARY
#error "VELQUOR_BINARY must name the program under test"
#endif

inline constexpr int ProgramTimeoutMs = 30000;

// Every page file and the settings, sorted as FolderWatch sorts them.
inline QStringList SavedFiles() {
  QStringList files{"config.ini"};
  for (const Mode mode : AllModes) files << QString::fromStdString(PageFileName(mode));
  files.sort();
  return files;
}

// Everything in `folder`, hidden names too, by name.
inline QStringList Entries(const QString& folder) {
  return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                QDir::Name);
}

// How many entries /proc holds for `pid` under `what`: "fd" its open
// descriptors, "task" its threads.
inline qsizetype ProcEntries(qint64 pid, const char* what) {
  return QDir(QString("/proc/%1/%2").arg(pid).arg(what))
      .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
      .size();
}

// Whether a copy listens for later starts in the runtime folder `runtime`:
// its socket is there.
inline bool ListensIn(const QString& runtime) {
  return !QDir(runtime).entryList({"velquor-*.socket"}, QDir::System).isEmpty();
}

// Whether the process has its own handler for the signal, read from the
// kernel's account of it: from then on the signal ends it the program's way.
inline bool Catches(qint64 pid, int signal) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.starts_with("SigCgt:")) return (std::stoull(line.substr(7), nullptr, 16) >> (signal - 1)) & 1;
  return false;
}

inline bool Catches(const QProcess& process, int signal) { return Catches(process.processId(), signal); }

// The process a wrapper that forks (unshare --fork) started; 0 before it has.
inline qint64 ChildOf(const QProcess& process) {
  const std::string pid = std::to_string(process.processId());
  std::ifstream children("/proc/" + pid + "/task/" + pid + "/children");
  qint64 child = 0;
  return children >> child ? child : 0;
}

// Makes the folder, or gives an existing one, `owner` as user and group and
// these permissions.
inline bool MakeOwnedFolder(const QString& path, uid_t owner, QFile::Permissions permissions) {
  return QDir().mkpath(path) && ::chown(QFile::encodeName(path).constData(), owner, owner) == 0 &&
         QFile::setPermissions(path, permissions);
}

// Three IP range ping pools of 500 workers, which want 1,500 sockets under
// a container's hard limit of 1,024 open files.
inline constexpr int OpenFileLimit = 1024, Pools = 3, PoolWorkers = 500;

// The names of the files that `events` (inotify's) touch in a folder while
// this watches it; by default those renamed into it, one for every save that
// went through a temporary file.
class FolderWatch {
 public:
  explicit FolderWatch(const QString& folder, std::uint32_t events = IN_MOVED_TO)
      : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    EXPECT_GE(::inotify_add_watch(fd_, QFile::encodeName(folder).constData(), events), 0);
  }
  ~FolderWatch() { ::close(fd_); }
  FolderWatch(const FolderWatch&) = delete;
  FolderWatch& operator=(const FolderWatch&) = delete;

  // The names since the last call, sorted; waits up to waitMs for the first.
  QStringList Names(int waitMs = 0) const {
    pollfd ready{fd_, POLLIN, 0};
    ::poll(&ready, 1, waitMs);
    QStringList names;
    alignas(inotify_event) char buffer[16384];
    for (ssize_t n; (n = ::read(fd_, buffer, sizeof buffer)) > 0;)
      for (ssize_t at = 0; at < n;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
        names << QFile::decodeName(event->name);
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      }
    names.sort();
    return names;
  }

 private:
  int fd_;
};

class ProgramRun : public ::testing::Test {
 protected:
  // A copy of the program in a folder of its own: it keeps Config and Results there.
  void SetUp() override {
    ASSERT_TRUE(root_.isValid());
    ASSERT_NO_FATAL_FAILURE(PlaceProgram(root_.path()));
  }

  // Copies the program into `folder`, which is its folder from then on.
  void PlaceProgram(const QString& folder) {
    ASSERT_TRUE(QFile::copy(VELQUOR_BINARY, folder + "/velquor"));
    ASSERT_TRUE(
        QFile::setPermissions(folder + "/velquor", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    programFolder_ = folder;
  }

  // The program's folder: the test's own, unless a test moved the program.
  QString Folder() const { return programFolder_; }

  // `through`: a command that starts the program, its path appended as the
  // last argument; `variables` replace those set here. `inChild` runs in the
  // child process before it starts the program, and may start it itself.
  std::unique_ptr<QProcess> Launch(QProcess::ProcessChannelMode channels = QProcess::ForwardedErrorChannel,
                                   const QStringList& through = {}, const QProcessEnvironment& variables = {},
                                   const std::function<void()>& inChild = {}) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    // A runtime folder of the user's own (private, as QTemporaryDir makes
    // it), as a desktop session has one.
    env.insert("XDG_RUNTIME_DIR", root_.path());
    env.insert(variables);
    process->setProcessEnvironment(env);
    process->setProcessChannelMode(channels);
    if (inChild) process->setChildProcessModifier(inChild);
    const QString program = Folder() + "/velquor";
    if (through.isEmpty())
      process->start(program, {});
    else
      process->start(through.front(), through.mid(1) << program);
    EXPECT_TRUE(process->waitForStarted());
    return process;
  }

  // Ends by itself with `status`: 0 once the session is saved, 1 when its
  // pages and settings could not be saved.
  static bool EndsCleanly(QProcess& process, int status = 0) {
    return process.waitForFinished(ProgramTimeoutMs) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == status;
  }

  // Whether `done` comes true within `ms` while the process runs.
  static bool Within(QProcess& process, int ms, const std::function<bool()>& done) {
    QDeadlineTimer deadline(ms);
    while (!done())
      if (deadline.hasExpired() || process.waitForFinished(50)) return false;
    return true;
  }

  static void WaitUntil(QProcess& process, const std::function<bool()>& done) {
    ASSERT_TRUE(Within(process, ProgramTimeoutMs, done))
        << (process.state() == QProcess::NotRunning ? "the program ended first"
                                                    : "not within the time allowed");
  }

  void WaitFor(QProcess& process, const QString& name) const {
    WaitUntil(process, [&] { return QFileInfo::exists(Folder() + "/" + name); });
  }

  // A session end: the program catches the signal once its event loop
  // runs; before, the signal ends its start-up outright. `program` is the
  // program's own process where a wrapper forked it; the process itself by
  // default.
  static void EndBySigterm(QProcess& process, int status = 0, qint64 program = 0) {
    if (program == 0) program = process.processId();
    WaitUntil(process, [&] { return Catches(program, SIGTERM); });
    ASSERT_EQ(process.state(), QProcess::Running);
    ::kill(static_cast<pid_t>(program), SIGTERM);
    ASSERT_TRUE(EndsCleanly(process, status)) << process.exitCode();
  }

  // A start-up that failed: it says `line` on stderr within `withinMs`, and
  // its message waits for the user until the session ends, which then ends
  // it with status 1.
  static void FailedStartUpEndsBySigterm(QProcess& process, const QByteArray& line,
                                         int withinMs = ProgramTimeoutMs, bool forked = false) {
    QByteArray said;
    ASSERT_TRUE(Within(process, withinMs,
                       [&] {
                         said += process.readAllStandardError();
                         return said.contains(line);
                       }))
        << "not said within " << withinMs << " ms: " << line.toStdString()
        << "\nsaid: " << said.toStdString();
    ASSERT_FALSE(process.waitForFinished(1000)) << said.toStdString();
    EndBySigterm(process, 1, forked ? ChildOf(process) : 0);
  }

  // One session, ended by SIGTERM once start-up has made the result folder
  // and `name` exists; meanwhile a later start hands over to it and ends.
  // It must end with `status`. What the program wrote to stderr.
  QByteArray Session(const QString& name, int status = 0) {
    EXPECT_TRUE(QDir(Folder() + "/Results").removeRecursively());
    auto process = Launch(QProcess::SeparateChannels);
    WaitFor(*process, "Results");
    EXPECT_TRUE(EndsCleanly(*Launch()));
    WaitFor(*process, name);
    EndBySigterm(*process, status);
    return process->readAllStandardError();
  }

  // The pools as pages of the range file, started at start-up and still
  // running a long while after; their sweeps stay in 127.0.0.0/8.
  TRangeRegistry WritePools() const {
    TRangeRegistry pages(Mode::RangePing);
    for (int pool = 1; pool <= Pools; ++pool) {
      auto page = DefaultRangePingPage();
      const std::string net = "127." + std::to_string(pool);
      page->Name = "sweep " + net;
      page->From = net + ".0.0";
      page->To = net + ".255.255";
      page->Threads = PoolWorkers;
      page->ResolveHostName = false;
      page->ByMinutes = true;
      page->Minutes = 30;
      page->StartOnStartup = true;
      EXPECT_TRUE(AddPage(pages, *page));
    }
    EXPECT_TRUE(SavePages(pages, (Folder() + "/Config").toStdString()).ok());
    return pages;
  }

  // A full Multi ping list, 1,000 pages of 128 hosts, whose save takes a
  // while.
  void WriteFullMultiPingList() const {
    TPingRegistry pages(Mode::MultiPing);
    std::unique_ptr<TPingPage> page = DefaultPingPage(Mode::MultiPing);
    page->HostCount = MaxHosts;
    for (int i = 0; i < MaxHosts; ++i)
      page->Hosts[static_cast<std::size_t>(i)].Host = "host-" + std::to_string(i) + ".velquor.example.org";
    for (int i = 0; i < MaxPages; ++i) {
      page->Name = "page " + std::to_string(i);
      ASSERT_TRUE(AddPage(pages, *page));
    }
    ASSERT_TRUE(SavePages(pages, (Folder() + "/Config").toStdString()).ok());
  }

  // Until every pool worker's thread exists and the sockets have taken the
  // descriptors up to where they have to stop.
  static void WaitForFullPools(QProcess& process) {
    const qint64 pid = process.processId();
    WaitUntil(process, [&] {
      return ProcEntries(pid, "task") > Pools * PoolWorkers && ProcEntries(pid, "fd") >= OpenFileLimit - 64;
    });
  }

  // `page` as the only page of its mode, in a Config folder of nothing else.
  void WriteOnlyPage(Mode mode, const TPingPage& page) const {
    TPingRegistry pages(mode);
    ASSERT_TRUE(AddPage(pages, page));
    ASSERT_TRUE(QDir(Folder() + "/Config").removeRecursively());
    ASSERT_TRUE(SavePages(pages, (Folder() + "/Config").toStdString()).ok());
  }

  QStringList Reports() const { return QDir(Folder() + "/Results").entryList(QDir::Files | QDir::Hidden); }

  // What the program writes to stderr up to the end of its first line of
  // its own, or until a report is written or `waitMs` have passed.
  QByteArray StderrUntilToldOrReported(QProcess& process, int waitMs = 10000) const {
    QByteArray said;
    const auto told = [&] {
      const qsizetype at = said.indexOf("velquor:");
      return at >= 0 && said.indexOf('\n', at) > at;
    };
    QDeadlineTimer deadline(waitMs);
    while (!told() && Reports().isEmpty() && !deadline.hasExpired()) {
      process.waitForReadyRead(50);
      said += process.readAllStandardError();
    }
    return said;
  }

  // The whole lines of stderr that the program wrote of its own; text after
  // the last line end may be the start of one still being written.
  static QStringList OwnLines(const QByteArray& said) {
    return QString::fromUtf8(said.left(said.lastIndexOf('\n') + 1))
        .split('\n')
        .filter(QRegularExpression("^velquor:"));
  }

  // Through these the program runs as `user`, of the group of that number
  // and no other, without capabilities, in a network namespace of its own
  // where every group may open ICMP sockets.
  static QStringList AsUser(uid_t user) {
    const QString id = QString::number(user);
    return {"unshare", "-n", "sh", "-c",
            "sysctl -qw net.ipv4.ping_group_range='0 2147483647' && exec setpriv --reuid=" + id +
                " --regid=" + id + " --clear-groups --inh-caps=-all \"$0\""};
  }

  // The lines of config.ini that hold a tab's pane height or column widths.
  QStringList LayoutLines() const {
    QFile ini(Folder() + "/Config/config.ini");
    if (!ini.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(ini.readAll())
        .split('\n')
        .filter(QRegularExpression("^\\w+(HostHeight|HostWidth\\d|RepliesWidth\\d)="));
  }

  QTemporaryDir root_;
  // Where the program lives: root_, or a folder a test moved it to (a mount).
  QString programFolder_;
};
