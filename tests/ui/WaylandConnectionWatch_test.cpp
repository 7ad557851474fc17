// The toolkit's word that its Wayland connection is lost, on the thread that
// found it, becomes one call on the UI thread before the toolkit ends the
// process. What a real compositor's end does: ProgramOnWayland_test.cpp.

#include "ui/WaylandConnectionWatch.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "QtPrinting.h"
#include "support/Waits.h"

using namespace std::chrono_literals;

namespace {

constexpr char Broke[] = "The Wayland connection broke. Did the Wayland compositor die?";
constexpr char Failed[] = "The Wayland connection experienced a fatal error: Protocol error";

// The warnings that reach the handler the watch found in place.
std::mutex passedMutex;
QStringList passed;  // guarded by passedMutex

void Record(QtMsgType, const QMessageLogContext&, const QString& message) {
  const std::lock_guard<std::mutex> locked(passedMutex);
  passed << message;
}

class WaylandConnectionWatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = qInstallMessageHandler(Record);
    const std::lock_guard<std::mutex> locked(passedMutex);
    passed.clear();
  }
  void TearDown() override { qInstallMessageHandler(previous_); }

  static QStringList Passed() {
    const std::lock_guard<std::mutex> locked(passedMutex);
    return passed;
  }

  // The watch's call: counted, with whether it came on the UI thread and
  // while the warning that asked for it was still held.
  std::function<void()> Call() {
    return [this] {
      ++calls_;
      onUiThread_ = std::this_thread::get_id() == uiThread_;
      heldMeanwhile_ = held_.load();
    };
  }

  // A warning on a thread of its own, which stays held until it returns.
  std::future<void> WarnElsewhere(const char* message) {
    held_ = true;
    return std::async(std::launch::async, [this, message] {
      qWarning("%s", message);
      held_ = false;
    });
  }

  static bool Returned(const std::future<void>& warning) {
    return warning.wait_for(0s) == std::future_status::ready;
  }

  QtMessageHandler previous_ = nullptr;
  const std::thread::id uiThread_ = std::this_thread::get_id();
  std::atomic<bool> held_{false};
  int calls_ = 0;
  bool onUiThread_ = false;
  bool heldMeanwhile_ = false;
};

// Either wording, from the UI thread or another: one call on the UI thread,
// while the warning is held; anything else is passed on and nothing more.
TEST_F(WaylandConnectionWatchTest, TheLossIsCalledInOnTheUiThreadWhileItsWarningIsHeld) {
  struct Case {
    const char* message;
    bool elsewhere;
    int calls;
  };
  const Case cases[] = {
      {Broke, false, 1},
      {Broke, true, 1},
      {Failed, false, 1},
      {Failed, true, 1},
      {"Wayland does not support QWindow::requestActivate()", true, 0},
      {"The Wayland connection", false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.message) + (c.elsewhere ? " elsewhere" : " on the UI thread"));
    calls_ = 0;
    {
      const WaylandConnectionWatch watch(Call());
      if (c.elsewhere) {
        const std::future<void> warning = WarnElsewhere(c.message);
        ASSERT_TRUE(SpinUntil([&] { return Returned(warning); }));
      } else {
        qWarning("%s", c.message);
      }
      EXPECT_EQ(calls_, c.calls);
      EXPECT_TRUE(c.calls == 0 || onUiThread_);
      EXPECT_TRUE(c.calls == 0 || !c.elsewhere || heldMeanwhile_);
    }
    EXPECT_EQ(Passed(), QStringList{c.message});
    const std::lock_guard<std::mutex> locked(passedMutex);
    passed.clear();
  }
}

// The UI thread meets the loss too while another thread's warning waits for
// it: one call, which lets the other thread go on.
TEST_F(WaylandConnectionWatchTest, ALossMetOnTwoThreadsIsCalledInOnce) {
  const WaylandConnectionWatch watch(Call());
  const std::future<void> warning = WarnElsewhere(Broke);
  ASSERT_TRUE(WaitUntil([] { return Passed().size() == 1; }));
  qWarning("%s", Broke);
  EXPECT_EQ(calls_, 1);
  EXPECT_TRUE(WaitUntil([&] { return Returned(warning); }));
  SpinUntil([] { return false; }, 100ms);
  EXPECT_EQ(calls_, 1);
}

// A UI thread that never turns its loop holds the warning for the bound at
// most, and a watch that ends lets it go at once; a call asked for meanwhile
// is not made later.
TEST_F(WaylandConnectionWatchTest, AUiThreadThatNeverAnswersHoldsTheWarningOnlyForAWhile) {
  {
    const WaylandConnectionWatch watch(Call(), 300);
    const auto begun = std::chrono::steady_clock::now();
    const std::future<void> warning = WarnElsewhere(Broke);
    ASSERT_TRUE(WaitUntil([&] { return Returned(warning); }));
    const long long waited = MillisecondsSince(begun);
    EXPECT_TRUE(waited >= 300 && waited < 3000) << waited;
  }
  {
    std::optional<WaylandConnectionWatch> watch(std::in_place, Call());
    const std::future<void> warning = WarnElsewhere(Broke);
    ASSERT_TRUE(WaitUntil([] { return Passed().size() == 2; }));
    EXPECT_FALSE(WaitUntil([&] { return Returned(warning); }, 200ms));
    watch.reset();
    EXPECT_TRUE(WaitUntil([&] { return Returned(warning); }, 1000ms));
  }
  const WaylandConnectionWatch next(Call());
  SpinUntil([] { return false; }, 100ms);
  EXPECT_EQ(calls_, 0);
}

}  // namespace
