#include <gtest/gtest.h>

#include <QApplication>

// Widgets need one application object for the whole run; test discovery
// runs this binary too, without the test environment, hence the default.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
