#pragma once

// An X server of the test's own (Xvfb, with no window manager until a test
// starts one), for the real program on a real display, and the clients that
// drive it as a user would.

#include <signal.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QPoint>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QRegularExpression>
#include <QSize>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <optional>

#ifndef VELQUOR_X_CLOSE_REQUEST
#error "VELQUOR_X_CLOSE_REQUEST must name the tool that asks a window to close"
#endif

// The desktop bus library the toolkit loads on X keeps an allocation to the
// end on purpose; the leak checker of a sanitizer build is told so, in
// `variables`, through a file it writes in `folder`. False when it cannot.
inline bool AddLeakSuppressions(QProcessEnvironment& variables, const QString& folder) {
  QFile file(folder + "/leaks.supp");
  if (!file.open(QIODevice::WriteOnly) || file.write("leak:libdbus-1.so\n") <= 0 || !file.flush())
    return false;
  variables.insert("LSAN_OPTIONS", "suppressions=" + file.fileName());
  return true;
}

class XServer {
 public:
  explicit XServer(const QSize& screen = QSize(1280, 1024)) { Start(screen); }
  ~XServer() {
    StopWindowManager();
    Stop();
  }
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;

  // A server of its own, in place of any this one ran, with a screen of
  // `screen` pixels. The server picks a display number nobody uses and
  // writes it to the descriptor -displayfd names once it accepts
  // connections, so tests running side by side neither collide nor have to
  // poll. It keeps what clients set (resources, monitors) when the last of
  // them leaves, as a desktop's server does.
  bool Start(const QSize& screen) {
    StopWindowManager();
    Stop();
    display_.clear();
    server_.setStandardErrorFile(QProcess::nullDevice());
    const QString size = QString("%1x%2x24").arg(screen.width()).arg(screen.height());
    server_.start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp", "-noreset", "-screen", "0", size});
    QDeadlineTimer deadline(StartMs);
    QByteArray said;
    while (!said.endsWith('\n') && !deadline.hasExpired() && server_.state() != QProcess::NotRunning) {
      server_.waitForReadyRead(100);
      said += server_.readAllStandardOutput();
    }
    bool number = false;
    said.trimmed().toInt(&number);
    if (number && server_.state() == QProcess::Running) display_ = ":" + QString::fromLatin1(said.trimmed());
    return Running();
  }

  bool Running() const { return !display_.isEmpty() && server_.state() == QProcess::Running; }

  // What a Qt program needs to show its windows here.
  QProcessEnvironment Variables() const {
    QProcessEnvironment variables;
    variables.insert("QT_QPA_PLATFORM", "xcb");
    variables.insert("DISPLAY", display_);
    return variables;
  }

  // Ends the server as a crash of the display would: every client's
  // connection is cut. SIGTERM rather than SIGKILL so the server still
  // removes its lock file and socket.
  void Stop() {
    if (server_.state() == QProcess::NotRunning) return;
    if (server_.processId() > 0) ::kill(static_cast<pid_t>(server_.processId()), SIGTERM);
    if (!server_.waitForFinished(StartMs)) server_.kill();
    server_.waitForFinished(StartMs);
  }

  // Starts a window manager on this display, as a desktop has one: frames
  // with title bars around top-level windows, and placement by its rules.
  // It is ready once it has run its start-up command, which only happens
  // after it has taken over the screen. It joins no session manager of its
  // own accord.
  bool StartWindowManager() {
    if (!Running() || !managerFolder_.isValid()) return false;
    const QString ready = managerFolder_.filePath("ready");
    if (QFileInfo::exists(ready) && !QFile::remove(ready)) return false;  // a server's before
    manager_.setProcessEnvironment(Variables());
    manager_.setStandardOutputFile(QProcess::nullDevice());
    manager_.setStandardErrorFile(QProcess::nullDevice());
    manager_.start("openbox", {"--sm-disable", "--startup", "touch " + ready});
    // Until then its state stays Starting, whatever the process does.
    if (!manager_.waitForStarted(StartMs)) return false;
    QDeadlineTimer deadline(StartMs);
    while (!QFileInfo::exists(ready) && !deadline.hasExpired() && manager_.state() != QProcess::NotRunning)
      QThread::msleep(20);
    return QFileInfo::exists(ready) && manager_.state() == QProcess::Running;
  }

  void StopWindowManager() {
    if (manager_.state() == QProcess::NotRunning) return;
    manager_.terminate();
    if (!manager_.waitForFinished(StartMs)) manager_.kill();
    manager_.waitForFinished(StartMs);
  }

  // Sets X resources as a desktop does at log-in, `Xft.dpi` among them:
  // programs started from then on read them.
  bool MergeResources(const QString& lines) {
    QFile file(managerFolder_.filePath("resources"));
    return file.open(QIODevice::WriteOnly) && file.write(lines.toUtf8()) == lines.toUtf8().size() &&
           file.flush() && Run("xrdb", {"-merge", file.fileName()}).has_value();
  }

  // Runs an X client on this display; its output when it succeeds.
  std::optional<QString> Run(const QString& program, const QStringList& arguments) const {
    QProcess client;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display_);
    client.setProcessEnvironment(env);
    client.start(program, arguments);
    if (!client.waitForFinished(StartMs) || client.exitStatus() != QProcess::NormalExit ||
        client.exitCode() != 0)
      return std::nullopt;
    return QString::fromUtf8(client.readAllStandardOutput());
  }

  // The ids of the mapped windows whose title matches `title`, a regular
  // expression; none when there are none yet.
  QStringList Windows(const QString& title) const {
    return Run("xdotool", {"search", "--onlyvisible", "--name", title})
        .value_or(QString())
        .split('\n', Qt::SkipEmptyParts);
  }

  // Asks the window to close, as clicking its title bar's close button does.
  bool RequestClose(const QString& window) const {
    return Run(VELQUOR_X_CLOSE_REQUEST, {window}).has_value();
  }

  // The window that has the keyboard's focus; none before one takes it.
  QString FocusedWindow() const { return Run("xdotool", {"getwindowfocus"}).value_or(QString()).trimmed(); }

  // A key pressed on the keyboard: it goes to the window that has the focus.
  bool PressKey(const QString& key) const { return Run("xdotool", {"key", key}).has_value(); }

  // Text typed on the keyboard, into the window that has the focus.
  bool Type(const QString& text) const { return Run("xdotool", {"type", text}).has_value(); }

  // A window's place and size on the screen, as the server has it; none
  // when it is gone. (Given no window, xwininfo would wait for a click on
  // one.)
  std::optional<QRect> Geometry(const QString& window) const {
    if (window.isEmpty()) return std::nullopt;
    const std::optional<QString> info = Run("xwininfo", {"-id", window});
    if (!info) return std::nullopt;
    const auto value = [&](const QString& label) {
      return QRegularExpression(label + ":\\s+(-?\\d+)").match(*info).captured(1).toInt();
    };
    return QRect(value("Absolute upper-left X"), value("Absolute upper-left Y"), value("Width"),
                 value("Height"));
  }

  // A click of the first mouse button at `at` inside the window, once the
  // window manager has raised it: another window may cover that point.
  bool Click(const QString& window, QPoint at) const {
    return Run("xdotool", {"windowactivate", "--sync", window, "mousemove", "--window", window,
                           QString::number(at.x()), QString::number(at.y()), "click", "1"})
        .has_value();
  }

 private:
  static constexpr int StartMs = 20000;

  QProcess server_;
  QString display_;
  QProcess manager_;
  QTemporaryDir managerFolder_;
};
