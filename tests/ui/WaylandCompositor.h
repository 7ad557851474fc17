#pragma once

// A Wayland compositor of the test's own (weston, headless: no screen, no
// input devices), for the real program as a Wayland client, and the sign
// that its window is on the compositor's screen.

#include <signal.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <string>

class WaylandCompositor {
 public:
  // In a runtime folder of its own, private as a session's is, under a
  // socket name of its own: compositors of tests running side by side never
  // meet. Ready once its socket exists: it takes connections from then on.
  WaylandCompositor() {
    if (!runtime_.isValid()) return;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", runtime_.path());
    env.remove("WAYLAND_DISPLAY");
    env.remove("DISPLAY");
    server_.setProcessEnvironment(env);
    server_.setProcessChannelMode(QProcess::MergedChannels);
    server_.setStandardOutputFile(runtime_.filePath("weston.log"));
    // No weston.ini of the machine's, and no idle screen lock.
    server_.start("weston", {"--backend=headless-backend.so", "--socket=" + QString(SocketName),
                             "--no-config", "--idle-time=0"});
    // Until then its state stays Starting, whatever the process does.
    if (!server_.waitForStarted(StartMs)) return;
    QDeadlineTimer deadline(StartMs);
    while (!QFileInfo::exists(Socket()) && !deadline.hasExpired() && server_.state() != QProcess::NotRunning)
      QThread::msleep(20);
  }
  ~WaylandCompositor() { Stop(SIGTERM); }
  WaylandCompositor(const WaylandCompositor&) = delete;
  WaylandCompositor& operator=(const WaylandCompositor&) = delete;

  // What the compositor said, for a test that fails.
  std::string Log() const {
    QFile log(runtime_.filePath("weston.log"));
    return log.open(QIODevice::ReadOnly) ? log.readAll().toStdString() : std::string();
  }

  bool Running() const { return QFileInfo::exists(Socket()) && server_.state() == QProcess::Running; }

  // What a Qt program needs to show its windows here. WAYLAND_DEBUG has the
  // client library write each message of the protocol to stderr: that is
  // where a test sees the window shown (Shows).
  QProcessEnvironment Variables() const {
    QProcessEnvironment variables;
    variables.insert("QT_QPA_PLATFORM", "wayland");
    variables.insert("WAYLAND_DISPLAY", Socket());
    variables.insert("WAYLAND_DEBUG", "client");
    return variables;
  }

  // Ends the compositor as a log-out (SIGTERM) or a crash (SIGKILL) does:
  // every client's connection is cut.
  void Stop(int signal) {
    if (server_.state() == QProcess::NotRunning) return;
    if (server_.processId() > 0) ::kill(static_cast<pid_t>(server_.processId()), signal);
    if (!server_.waitForFinished(StartMs)) server_.kill();
    server_.waitForFinished(StartMs);
  }

  // Whether the client's protocol log (WAYLAND_DEBUG) shows a top-level
  // window whose title starts with `title` with its content on the screen:
  // a buffer attached to the window's surface, and committed, once the
  // title was set.
  static bool Shows(const QString& log, const QString& title) {
    const QRegularExpressionMatch toplevel =
        QRegularExpression("xdg_toplevel@(\\d+)\\.set_title\\(\"" + QRegularExpression::escape(title))
            .match(log);
    if (!toplevel.hasMatch()) return false;
    const QRegularExpressionMatch role =
        QRegularExpression("xdg_surface@(\\d+)\\.get_toplevel\\(new id xdg_toplevel@" + toplevel.captured(1) +
                           "\\)")
            .match(log);
    if (!role.hasMatch()) return false;
    const QRegularExpressionMatch surface = QRegularExpression("get_xdg_surface\\(new id xdg_surface@" +
                                                               role.captured(1) + ", wl_surface@(\\d+)\\)")
                                                .match(log);
    if (!surface.hasMatch()) return false;
    const QString id = "wl_surface@" + surface.captured(1);
    const qsizetype attached = log.indexOf(id + ".attach(wl_buffer@", toplevel.capturedEnd());
    return attached >= 0 && log.indexOf(id + ".commit()", attached) >= 0;
  }

 private:
  static constexpr int StartMs = 20000;
  static constexpr char SocketName[] = "velquor-test";

  QString Socket() const { return runtime_.filePath(SocketName); }

  QTemporaryDir runtime_;
  QProcess server_;
};
