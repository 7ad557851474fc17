#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <string>

#include "pages/PageFiles.h"
#include "pages/PageRegistry.h"
#include "platform/ProgramPaths.h"
#include "ui/TFormPing.h"

// A main window over a temporary program folder. The close question is
// answered by `closeAnswer` and counted, so no test ever waits on a box.
class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    SetProgramFolderOverride(Folder());
    QApplication::setQuitOnLastWindowClosed(false);
  }

  void TearDown() override {
    window_.reset();
    SetProgramFolderOverride("");
  }

  std::string Folder() const { return dir_.path().toStdString(); }
  std::string ConfigPath(const std::string& file) const { return Folder() + "/Config/" + file; }

  TFormPing::Hooks Hooks() {
    TFormPing::Hooks hooks;
    hooks.ConfirmClose = [this](QWidget*) {
      ++closeQuestions_;
      return closeAnswer_;
    };
    return hooks;
  }

  // A window whose start-up has run and succeeded.
  TFormPing& Start() {
    window_ = std::make_unique<TFormPing>(Hooks());
    const Status started = window_->FormCreate();
    EXPECT_TRUE(started.ok()) << started.message;
    return *window_;
  }

  // Runs the event loop until `done` holds or the time is up.
  static bool SpinUntil(const std::function<bool()>& done, int ms = 3000) {
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired()) QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
  }

  // The pages of a mode's file as a fresh registry reads them.
  static std::unique_ptr<TPingRegistry> ReadPingFile(Mode mode) {
    auto registry = std::make_unique<TPingRegistry>(mode);
    LoadPages(*registry, ConfigFolder());
    return registry;
  }

  QTemporaryDir dir_;
  std::unique_ptr<TFormPing> window_;
  bool closeAnswer_ = false;
  int closeQuestions_ = 0;
};

// A controller that only records that it was told to end.
struct RecordingWorker : PageWorker {
  int terminated = 0;
  void Terminate() override { ++terminated; }
};
