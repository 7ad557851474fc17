#include <QApplication>
#include <cstdio>
#include <exception>

#include "platform/DesktopOpener.h"
#include "platform/SessionEndNotifier.h"
#include "platform/SingleInstance.h"
#include "ui/DesktopServicesOpener.h"
#include "ui/StartupFailureMessage.h"
#include "ui/TFormAutoTasks.h"
#include "ui/TFormPing.h"

// One copy per user: a later start hands its path to the running copy and
// ends. The running copy builds its window, and shows it only once start-up
// has succeeded; a failed start-up says why on stderr and in a message, and
// ends non-zero.
int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Velquor"));

  SingleInstance instance;
  switch (instance.Acquire()) {
    case SingleInstance::Role::Secondary:
      instance.NotifyRunning();
      return 0;
    case SingleInstance::Role::Primary:
      instance.Listen();
      break;
    case SingleInstance::Role::Unguarded:
      break;
  }

  // From here on SIGTERM, SIGHUP and SIGINT only queue up; they are acted on
  // once the event loop runs, so a signal during start-up still ends in a
  // clean save.
  SessionEndNotifier sessionEnd;
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
    window.show();
    return QApplication::exec();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "velquor: %s\n", error.what());
  } catch (...) {
    std::fprintf(stderr, "velquor: unexpected failure\n");
  }
  return 1;
}
