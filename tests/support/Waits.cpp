#include "support/Waits.h"

#include <QCoreApplication>
#include <thread>

void EnsureTestApplication() {
  if (QCoreApplication::instance()) return;
  static int argc = 1;
  static char name[] = "velquor_test";
  static char* argv[] = {name, nullptr};
  new QCoreApplication(argc, argv);
}

bool SpinUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  return WaitUntil(
      [&] { return done() || (QCoreApplication::processEvents(QEventLoop::AllEvents, 5), done()); }, timeout);
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return done();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

long long MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
      .count();
}
