#include "ui/ToolkitThreadWatch.h"

#include <QCoreApplication>
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {

// How the toolkit words a thread the system refused (a critical message);
// the reason follows in parentheses.
constexpr QLatin1StringView Refused("QThread::start: Thread creation error");

std::atomic<bool> watching{false};
// What handled the toolkit's messages before the watch; all else goes on
// to it.
QtMessageHandler passOn = nullptr;

void EndStartupOnRefusedThread(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (watching.load() && message.startsWith(Refused)) {
    // This runs inside the toolkit's start of that thread, on the thread
    // that asked for it and would then wait for it forever. The process ends
    // here, without the destructors exit would run under the toolkit's locks.
    std::fprintf(stderr,
                 "velquor: cannot start: a thread the toolkit needs for the window could not be started %s\n",
                 message.mid(Refused.size()).trimmed().toLocal8Bit().constData());
    std::_Exit(1);
  }
  // Unset only for the instant between the watch's installing and its
  // learning what came before.
  if (passOn) passOn(type, context, message);
}

}  // namespace

ToolkitThreadWatch::ToolkitThreadWatch() {
  passOn = qInstallMessageHandler(EndStartupOnRefusedThread);
  watching = true;
}

ToolkitThreadWatch::~ToolkitThreadWatch() {
  watching = false;
  qInstallMessageHandler(passOn);
}

void ToolkitThreadWatch::EndOnceTheEventLoopRuns() {
  QTimer::singleShot(0, QCoreApplication::instance(), [] { watching = false; });
}
