#include "platform/SessionEndNotifier.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <csignal>
#include <memory>
#include <vector>

namespace {

volatile std::sig_atomic_t customHandlerRuns = 0;
extern "C" void CustomHandler(int) { customHandlerRuns = customHandlerRuns + 1; }

class SessionEndNotifierTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!QCoreApplication::instance()) {
      static int argc = 1;
      static char name[] = "test_platform";
      static char* argv[] = {name, nullptr};
      app_ = std::make_unique<QCoreApplication>(argc, argv);
    }
  }

  static bool SpinUntil(const std::vector<int>& seen, std::size_t count) {
    QDeadlineTimer deadline(3000);
    while (seen.size() < count && !deadline.hasExpired())
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return seen.size() >= count;
  }

  std::unique_ptr<QCoreApplication> app_;
};

TEST_F(SessionEndNotifierTest, TermAndHangupArriveAsQtSignalsInOrder) {
  SessionEndNotifier notifier;
  ASSERT_TRUE(notifier.Installed());
  std::vector<int> seen;
  QObject::connect(&notifier, &SessionEndNotifier::SessionEnding, [&](int s) { seen.push_back(s); });

  ASSERT_EQ(::raise(SIGTERM), 0);
  // Nothing happens inside the handler: the Qt signal waits for the loop.
  EXPECT_TRUE(seen.empty());
  ASSERT_TRUE(SpinUntil(seen, 1));
  ASSERT_EQ(::raise(SIGHUP), 0);
  ASSERT_EQ(::raise(SIGTERM), 0);
  ASSERT_TRUE(SpinUntil(seen, 3));
  EXPECT_EQ(seen, (std::vector<int>{SIGTERM, SIGHUP, SIGTERM}));
}

TEST_F(SessionEndNotifierTest, OnlyOneIsInstalledAndTheOldHandlersComeBack) {
  struct sigaction custom {};
  custom.sa_handler = CustomHandler;
  sigemptyset(&custom.sa_mask);
  struct sigaction before {};
  ASSERT_EQ(::sigaction(SIGTERM, &custom, &before), 0);
  {
    SessionEndNotifier first;
    SessionEndNotifier second;
    EXPECT_TRUE(first.Installed());
    EXPECT_FALSE(second.Installed());
  }
  // A fresh one installs again once the first is gone.
  {
    SessionEndNotifier again;
    EXPECT_TRUE(again.Installed());
  }
  customHandlerRuns = 0;
  ASSERT_EQ(::raise(SIGTERM), 0);
  EXPECT_EQ(customHandlerRuns, 1);
  ::sigaction(SIGTERM, &before, nullptr);
}

}  // namespace
