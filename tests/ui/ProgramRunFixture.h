#pragma once

// The real program, started as a user would in a folder of its own, and
// ended the way a session end does.

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdint>
#include <functional>
#include <memory>

#ifndef VELQUOR_BINARY
#error "VELQUOR_BINARY must name the program under test"
#endif

inline constexpr int ProgramTimeoutMs = 30000;

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
    ASSERT_TRUE(QFile::copy(VELQUOR_BINARY, Folder() + "/velquor"));
    QFile::setPermissions(Folder() + "/velquor", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }

  QString Folder() const { return root_.path(); }

  // `through`: a command that starts the program, its path appended as the
  // last argument; `variables` replace those set here.
  std::unique_ptr<QProcess> Launch(QProcess::ProcessChannelMode channels = QProcess::ForwardedErrorChannel,
                                   const QStringList& through = {},
                                   const QProcessEnvironment& variables = {}) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    // The runtime folder holds the single-instance lock and socket: one of
    // our own (private, as QTemporaryDir makes it) keeps the test apart from
    // a Velquor the user may be running.
    env.insert("XDG_RUNTIME_DIR", Folder());
    env.insert(variables);
    process->setProcessEnvironment(env);
    process->setProcessChannelMode(channels);
    const QString program = Folder() + "/velquor";
    if (through.isEmpty())
      process->start(program, {});
    else
      process->start(through.front(), through.mid(1) << program);
    EXPECT_TRUE(process->waitForStarted());
    return process;
  }

  static bool EndsCleanly(QProcess& process) {
    return process.waitForFinished(ProgramTimeoutMs) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
  }

  static void WaitUntil(QProcess& process, const std::function<bool()>& done) {
    QDeadlineTimer deadline(ProgramTimeoutMs);
    while (!done()) ASSERT_FALSE(deadline.hasExpired() || process.waitForFinished(50));
  }

  void WaitFor(QProcess& process, const QString& name) const {
    WaitUntil(process, [&] { return QFileInfo::exists(Folder() + "/" + name); });
  }

  static void EndBySigterm(QProcess& process) {
    ASSERT_EQ(process.state(), QProcess::Running);
    ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
    ASSERT_TRUE(EndsCleanly(process));
  }

  // One session, ended by SIGTERM once start-up has made the result folder
  // and `name` exists; meanwhile a later start hands over to it and ends.
  // What the program wrote to stderr.
  QByteArray Session(const QString& name) {
    EXPECT_TRUE(QDir(Folder() + "/Results").removeRecursively());
    auto process = Launch(QProcess::SeparateChannels);
    WaitFor(*process, "Results");
    EXPECT_TRUE(EndsCleanly(*Launch()));
    WaitFor(*process, name);
    EndBySigterm(*process);
    return process->readAllStandardError();
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
};
