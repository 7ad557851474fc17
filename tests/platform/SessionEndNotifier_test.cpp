#include "platform/SessionEndNotifier.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <csignal>
#include <cstring>
#include <vector>

#include "support/Waits.h"

namespace {

volatile std::sig_atomic_t customHandlerRuns = 0;
extern "C" void CustomHandler(int) { customHandlerRuns = customHandlerRuns + 1; }

// Only one notifier is installed at a time; its signals arrive in order and
// through the event loop. Once it is gone, the handlers before it are back
// if it announced nothing; after a session end the signals stay ignored, so
// that a repeated one cannot kill a process that is saving on its way out.
TEST(SessionEndNotifierTest, SignalsArriveInOrderAndAfterASessionEndStayIgnored) {
  EnsureTestApplication();
  const int ending[] = {SIGTERM, SIGHUP, SIGINT};
  struct sigaction custom {};
  custom.sa_handler = CustomHandler;
  struct sigaction before[3]{};
  for (int i = 0; i < 3; ++i) ASSERT_EQ(::sigaction(ending[i], &custom, &before[i]), 0);
  {
    SessionEndNotifier quiet;
    ASSERT_TRUE(SpinUntil([&] { return quiet.Installed(); }));
  }
  customHandlerRuns = 0;
  ASSERT_EQ(::raise(SIGTERM), 0);
  EXPECT_EQ(customHandlerRuns, 1) << "a notifier that announced nothing gives the old handler back";
  {
    SessionEndNotifier notifier, second;
    ASSERT_TRUE(SpinUntil([&] { return notifier.Installed(); }));
    EXPECT_FALSE(second.Installed());
    std::vector<int> seen;
    QObject::connect(&notifier, &SessionEndNotifier::SessionEnding, [&](int s) { seen.push_back(s); });
    ASSERT_EQ(::raise(SIGTERM), 0);
    EXPECT_TRUE(seen.empty()) << "nothing happens inside the handler itself";
    ASSERT_TRUE(SpinUntil([&] { return seen.size() == 1; }));
    ASSERT_EQ(::raise(SIGHUP), 0);
    ASSERT_EQ(::raise(SIGINT), 0);
    ASSERT_TRUE(SpinUntil([&] { return seen.size() == 3; }));
    EXPECT_EQ(seen, (std::vector<int>{SIGTERM, SIGHUP, SIGINT}));
  }
  for (const int number : ending) {
    struct sigaction now {};
    ASSERT_EQ(::sigaction(number, nullptr, &now), 0);
    EXPECT_EQ(now.sa_handler, SIG_IGN) << sigabbrev_np(number);
  }
  const SessionEndNotifier fresh;
  EXPECT_TRUE(SpinUntil([&] { return fresh.Installed(); })) << "a fresh one installs once the first is gone";
  for (int i = 0; i < 3; ++i) ::sigaction(ending[i], &before[i], nullptr);
}

// Until the event loop has run, a signal meets the handler that was there
// before (by default the end of the process), and nothing is queued for the
// loop: a start-up that never reaches it can still be ended.
TEST(SessionEndNotifierTest, UntilTheEventLoopRunsTheHandlersBeforeItStay) {
  EnsureTestApplication();
  struct sigaction custom {};
  custom.sa_handler = CustomHandler;
  struct sigaction before {};
  ASSERT_EQ(::sigaction(SIGTERM, &custom, &before), 0);
  {
    SessionEndNotifier notifier;
    int seen = 0;
    QObject::connect(&notifier, &SessionEndNotifier::SessionEnding, [&] { ++seen; });
    customHandlerRuns = 0;
    ASSERT_EQ(::raise(SIGTERM), 0);
    EXPECT_EQ(customHandlerRuns, 1);
    EXPECT_FALSE(notifier.Installed());
    ASSERT_TRUE(SpinUntil([&] { return notifier.Installed(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(seen, 0) << "a signal from before the loop ran is not acted on later";
  }
  ::sigaction(SIGTERM, &before, nullptr);
}

}  // namespace
