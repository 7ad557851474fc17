#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <thread>

#include "platform/BrokenPipes.h"
#include "platform/DesktopOpener.h"
#include "platform/LaunchActivation.h"
#include "platform/ProgramPaths.h"
#include "platform/SessionEndNotifier.h"
#include "platform/SingleInstance.h"
#include "ui/DesktopServicesOpener.h"
#include "ui/DrawingThreads.h"
#include "ui/StartupFailureMessage.h"
#include "ui/TFormAutoTasks.h"
#include "ui/TFormPing.h"
#include "ui/ToolkitThreadWatch.h"
#include "ui/WaylandConnectionWatch.h"

namespace {

// The window whose session runs, for a process that ends without leaving
// the event loop: the toolkit calls exit when its X display goes away.
TFormPing* runningWindow = nullptr;
std::thread::id windowThread;

void SaveOnAbruptExit() {
  // Only the window's own thread may read its editors; exit called on any
  // other thread finds the window in use.
  if (runningWindow && std::this_thread::get_id() == windowThread) runningWindow->SaveOnAbruptExit();
}

// Sets runningWindow for the life of the session.
class RunningWindow {
 public:
  explicit RunningWindow(TFormPing& window) {
    runningWindow = &window;
    windowThread = std::this_thread::get_id();
    // As late as can be: exit destroys what was made after a handler was
    // registered before it runs the handler, and the save needs it all.
    std::atexit(SaveOnAbruptExit);
  }
  ~RunningWindow() { runningWindow = nullptr; }
  RunningWindow(const RunningWindow&) = delete;
  RunningWindow& operator=(const RunningWindow&) = delete;
};

}  // namespace

// One copy per Config folder: a later start hands its path to the running
// copy and ends; one that finds the running copy on its way out waits for
// it to end, and runs. The running copy builds its window, and shows it
// only once start-up has succeeded; a failed start-up says why on stderr and
// in a message, and ends non-zero, as does a session whose pages and
// settings could not be saved at its end.
int main(int argc, char* argv[]) {
  SurviveBrokenPipes();
  // Without its drawing threads no message can be drawn either: stderr only.
  if (const Status drawing = KeepDrawingThreads(); !drawing.ok()) {
    std::fprintf(stderr, "velquor: %s\n", drawing.message.c_str());
    return 1;
  }
  ToolkitThreadWatch toolkitThreads;
  // Before the toolkit, which takes the start-up id for windows of its own.
  const LaunchActivation launch = LaunchActivation::FromEnvironment();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Velquor"));

  // Before the session-end signals are caught: a start that waits for a
  // copy on its way out is ended by them at once, with nothing to save.
  SingleInstance instance(ConfigFolder());
  const SingleInstance::Role role = instance.Acquire(SingleInstance::WaitMs, launch);
  if (role == SingleInstance::Role::HandedOver) return 0;
  // Once: the folder keeps working, only a second copy is not kept out.
  if (role == SingleInstance::Role::Unlocked)
    std::fprintf(stderr, "velquor: %s\n", instance.Problem().toStdString().c_str());
  if ((role == SingleInstance::Role::Primary || role == SingleInstance::Role::Unlocked) && !instance.Listen())
    std::fprintf(stderr, "velquor: %s\n", instance.Problem().toStdString().c_str());

  // SIGTERM, SIGHUP and SIGINT end a start-up at once; once the event loop
  // runs, they end the session with a clean save.
  SessionEndNotifier sessionEnd;
  if (role == SingleInstance::Role::Refused) {
    const std::string why = instance.Problem().toStdString();
    std::fprintf(stderr, "velquor: cannot start: %s\n", why.c_str());
    ShowStartupFailure(why, sessionEnd, false);
    return 1;
  }
  SetDesktopOpener(OpenThroughDesktopServices);
  try {
    TFormPing window;
    const Status started = window.FormCreate();
    if (!started.ok()) {
      std::fprintf(stderr, "velquor: %s\n", started.message.c_str());
      ShowStartupFailure(started.message, sessionEnd);
      return 1;
    }
    // The one "Auto tasks" dialog, ready before the first timer tick.
    TFormAutoTasks autoTasks(&window);
    QObject::connect(&sessionEnd, &SessionEndNotifier::SessionEnding, &window, &TFormPing::EndSessionAndQuit);
    QObject::connect(&instance, &SingleInstance::ShowRequested, &window, &TFormPing::WMShowMainWindow);
    QObject::connect(&window, &TFormPing::SessionClosing, &instance, &SingleInstance::StopAccepting);
    const RunningWindow running(window);
    // On Wayland the toolkit ends the process itself once its compositor
    // has gone: the exit's save comes first, then the folder is let go as at
    // any end, and the process ends here as the toolkit would (status 1), so
    // that nothing is written once the lock is let go.
    const WaylandConnectionWatch compositorLost([&] {
      window.SaveOnAbruptExit();
      instance.Release();
      std::_Exit(1);
    });
    window.show();
    toolkitThreads.EndOnceTheEventLoopRuns();
    const int status = QApplication::exec();
    return window.FinishSession() ? status : 1;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "velquor: %s\n", error.what());
  } catch (...) {
    std::fprintf(stderr, "velquor: unexpected failure\n");
  }
  return 1;
}
