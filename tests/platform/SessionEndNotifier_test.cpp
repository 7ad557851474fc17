#include "platform/SessionEndNotifier.h"

#include <gtest/gtest.h>

#include <csignal>
#include <vector>

#include "support/Waits.h"

namespace {

volatile std::sig_atomic_t customHandlerRuns = 0;
extern "C" void CustomHandler(int) { customHandlerRuns = customHandlerRuns + 1; }

// Only one notifier is installed at a time; its signals arrive in order and
// through the event loop; once it is gone the handlers before it are back.
TEST(SessionEndNotifierTest, TermHangupAndInterruptArriveInOrderAndTheOldHandlersComeBack) {
  EnsureTestApplication();
  struct sigaction custom {
  }, before{};
  custom.sa_handler = CustomHandler;
  ASSERT_EQ(::sigaction(SIGTERM, &custom, &before), 0);
  {
    SessionEndNotifier notifier, second;
    ASSERT_TRUE(notifier.Installed());
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
  EXPECT_TRUE(SessionEndNotifier().Installed()) << "a fresh one installs once the first is gone";
  customHandlerRuns = 0;
  ASSERT_EQ(::raise(SIGTERM), 0);
  EXPECT_EQ(customHandlerRuns, 1);
  ::sigaction(SIGTERM, &before, nullptr);
}

}  // namespace
