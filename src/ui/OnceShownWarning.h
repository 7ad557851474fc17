#pragma once

#include <QString>

class QWidget;

// A warning that a session shows at most once, and only while its window is
// on screen: failures of one kind tend to repeat (every hourly save, every
// run that ends), and a message nobody saw must not use up the one showing.
// It is shown, never run modally, so whatever failed carries on while it
// waits for the user. User-interface thread only.
class OnceShownWarning {
 public:
  explicit OnceShownWarning(QWidget* window) : window_(window) {}

  // Shows `text` in a message box over the window, unless one was shown
  // already; while the window is hidden nothing is shown, and a later call
  // may show it.
  void Show(const QString& text);

 private:
  QWidget* window_;
  bool shown_ = false;
};
