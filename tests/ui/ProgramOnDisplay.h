#pragma once

// The real program on an X server of the test's own, with no window manager
// until a test starts one.

#include <QDeadlineTimer>
#include <functional>

#include "ProgramRunFixture.h"
#include "XServer.h"

class ProgramOnDisplay : public ProgramRun {
 protected:
  void SetUp() override {
    ProgramRun::SetUp();
    ASSERT_TRUE(x_.Running());
  }

  // `variables` come on top of those the display needs.
  std::unique_ptr<QProcess> LaunchOnDisplay(const QStringList& through = {},
                                            const QProcessEnvironment& variables = {}) {
    QProcessEnvironment all = x_.Variables();
    EXPECT_TRUE(AddLeakSuppressions(all, Folder()));
    all.insert(variables);
    return Launch(QProcess::SeparateChannels, through, all);
  }

  // The first mapped window whose title matches `title`, once there is one.
  QString WaitForWindow(QProcess& process, const QString& title) const {
    QStringList windows;
    WaitUntil(process, [&] { return !(windows = x_.Windows(title)).isEmpty(); });
    return windows.value(0);
  }

  // The user closes `window` from its title bar and answers the close
  // question "Yes" with the keyboard. `process` is the program, or the
  // session that started it and outlives it; `ended`, for a session, tells
  // that the program has ended. Ending before the question fails the test.
  void CloseAnsweringYes(QProcess& process, const QString& window, const std::function<bool()>& ended = {}) {
    ASSERT_TRUE(x_.RequestClose(window));
    QStringList question;
    QDeadlineTimer deadline(ProgramTimeoutMs);
    while ((question = x_.Windows("^Confirm$")).isEmpty()) {
      ASSERT_FALSE(process.waitForFinished(50) || (ended && ended()))
          << "closed without asking\n"
          << process.readAllStandardError().toStdString();
      ASSERT_FALSE(deadline.hasExpired()) << "no close question";
    }
    // Qt, or the window manager, gives the question the focus soon after it
    // is mapped; a key pressed before would go to the main window.
    ASSERT_NO_FATAL_FAILURE(WaitUntil(process, [&] { return x_.FocusedWindow() == question.front(); }));
    ASSERT_TRUE(x_.PressKey("Return"));
  }

  XServer x_;
};
