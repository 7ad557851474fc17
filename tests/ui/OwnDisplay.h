#pragma once

// A window test that must run on a real X server. The test binary's
// application is offscreen and a process has only one, so the test runs
// again, alone, in a process of its own whose application shows its windows
// on an Xvfb of the test's own, under a window manager that gives them the
// focus as a desktop does.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QProcess>

#include "XServer.h"

// True in the process on the display, where the test goes on. Anywhere else
// it runs the current test there, which must pass, and gives false.
inline bool OnOwnDisplay() {
  const char* marker = "VELQUOR_TEST_OWN_DISPLAY";
  if (qEnvironmentVariableIsSet(marker)) {
    EXPECT_EQ(QGuiApplication::platformName(), "xcb");
    EXPECT_EQ(qgetenv(marker), qgetenv("DISPLAY"));
    return QGuiApplication::platformName() == "xcb" && qgetenv(marker) == qgetenv("DISPLAY");
  }
  XServer x;
  QTemporaryDir folder;
  if (!x.Running() || !x.StartWindowManager() || !folder.isValid()) {
    ADD_FAILURE() << "no X server and window manager of the test's own";
    return false;
  }
  QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
  variables.insert(x.Variables());
  variables.insert(marker, x.Variables().value("DISPLAY"));
  // The run is the test's own: it writes no report over this one's, nor takes a shard.
  for (const char* gtest : {"GTEST_OUTPUT", "GTEST_SHARD_INDEX", "GTEST_TOTAL_SHARDS"})
    variables.remove(gtest);
  EXPECT_TRUE(AddLeakSuppressions(variables, folder.path()));
  const testing::TestInfo& test = *testing::UnitTest::GetInstance()->current_test_info();
  QProcess run;
  run.setProcessEnvironment(variables);
  run.setProcessChannelMode(QProcess::MergedChannels);
  run.start(QCoreApplication::applicationFilePath(),
            {QString("--gtest_filter=%1.%2").arg(test.test_suite_name(), test.name())});
  const bool ended = run.waitForFinished(60000);
  if (!ended) run.kill(), run.waitForFinished();
  const QString said = QString::fromLocal8Bit(run.readAll());
  EXPECT_TRUE(ended && run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0) << said.toStdString();
  // A filter that matched nothing would pass as well.
  EXPECT_TRUE(said.contains("[  PASSED  ] 1 test")) << said.toStdString();
  return false;
}
