#pragma once

#include <QApplication>
#include <QTemporaryDir>
#include <memory>

#include "platform/ProgramPaths.h"
#include "platform/SocketIcmpEcho.h"
#include "ui/TFormPing.h"

// A started main window over a temporary program folder, for the tests that
// press Start and watch real echoes arrive. Closing never asks.
class LiveWindow {
 public:
  ~LiveWindow() { Close(); }

  // False when the window did not start or this machine cannot ping
  // `family` (the caller skips then).
  bool Open(IpFamily family = IpFamily::V4) {
    if (!dir_.isValid()) return false;
    SetProgramFolderOverride(dir_.path().toStdString());
    QApplication::setQuitOnLastWindowClosed(false);
    TFormPing::Hooks hooks;
    hooks.ConfirmClose = [](QWidget*) { return true; };
    window_ = std::make_unique<TFormPing>(hooks);
    return window_->FormCreate().ok() && SystemIcmp().CanPing(family);
  }

  // Stops what still runs, within the shutdown bound, and forgets the folder.
  void Close() {
    window_.reset();
    SetProgramFolderOverride("");
  }

  TFormPing* operator->() const { return window_.get(); }

 private:
  QTemporaryDir dir_;
  std::unique_ptr<TFormPing> window_;
};
