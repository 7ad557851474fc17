#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

// One application object for the whole run; test discovery runs this binary
// too, outside the test environment, hence the default platform. The user's
// configuration folder is a temporary one before anything can look it up,
// so no test, nor a program a test starts, writes the real home.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir home;
  if (!home.isValid()) return 1;
  qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
