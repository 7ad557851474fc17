// A later start shows the running copy's window to the user wherever it
// was, on a desktop with several desktops (workspaces) and a window manager
// that follows the freedesktop hints.

#include <QRegularExpression>

#include "ProgramOnDisplay.h"

namespace {

class ProgramDesktops : public ProgramOnDisplay {
 protected:
  // The desktop the user is on, or the one `window` is on; -1 when unknown.
  int Desktop(const QStringList& question) const {
    bool number = false;
    const int desktop = x_.Run("xdotool", question).value_or(QString()).trimmed().toInt(&number);
    return number ? desktop : -1;
  }
  int UsersDesktop() const { return Desktop({"get_desktop"}); }
  int DesktopOf(const QString& window) const { return Desktop({"get_desktop_for_window", window}); }

  // Whether the user can see `window`: mapped, on the desktop shown, not minimised.
  bool Viewable(const QString& window) const {
    return x_.Run("xwininfo", {"-id", window}).value_or(QString()).contains("Map State: IsViewable");
  }

  // Waits up to `ms` for `done`, while `process` runs.
  static bool Within(int ms, QProcess& process, const std::function<bool()>& done) {
    QDeadlineTimer deadline(ms);
    while (!done())
      if (deadline.hasExpired() || process.waitForFinished(50)) return false;
    return true;
  }
};

// The window on the third desktop, the user on the first: a later start
// brings the window to the user's desktop, restored, in front and with the
// focus, within seconds; the user stays where they are.
TEST_F(ProgramDesktops, ASecondStartShowsTheWindowOnTheDesktopTheUserIsOn) {
  ASSERT_TRUE(x_.StartWindowManager());
  ASSERT_TRUE(x_.Run("xdotool", {"set_num_desktops", "4"}));
  auto running = LaunchOnDisplay();
  const QString window = WaitForWindow(*running, "^Velquor");
  ASSERT_FALSE(window.isEmpty());
  const struct {
    const char* what;
    QStringList put;  // what the user does to the window while on the third desktop
  } cases[] = {
      {"left on the third desktop", {}},
      {"minimised on the third desktop", {"windowminimize", "--sync", window}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(x_.Run("xdotool", {"set_desktop", "2"}));
    ASSERT_TRUE(x_.Run("xdotool", {"set_desktop_for_window", window, "2"}));
    if (!c.put.isEmpty()) {
      ASSERT_TRUE(x_.Run("xdotool", c.put));
    }
    ASSERT_TRUE(x_.Run("xdotool", {"set_desktop", "0"}));
    ASSERT_TRUE(Within(5000, *running, [&] { return UsersDesktop() == 0 && !Viewable(window); }));

    auto later = LaunchOnDisplay();
    EXPECT_TRUE(EndsCleanly(*later)) << later->readAllStandardError().toStdString();
    EXPECT_TRUE(Within(5000, *running, [&] { return Viewable(window) && x_.FocusedWindow() == window; }))
        << "on desktop " << DesktopOf(window) << ", viewable: " << Viewable(window)
        << ", focus: " << x_.FocusedWindow().toStdString();
    EXPECT_EQ(DesktopOf(window), 0);
    EXPECT_EQ(UsersDesktop(), 0);
  }
  EndBySigterm(*running);
}

}  // namespace
