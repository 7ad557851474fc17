#pragma once

// The real program on an X server of the test's own, with no window manager
// until a test starts one.

#include "ProgramRunFixture.h"
#include "QtPrinting.h"
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

  XServer x_;
};
