#pragma once

#include "ui/OnceShownWarning.h"

// Shows the first end-of-run action of a session that failed (a report not
// saved, a program not started, a document not opened) over the window.
// Runs end on their own, often while nobody watches, and may all fail the
// same way: one message covers the session, and stderr keeps every failure.
// While it lives it is the end-of-run actions' failure notice.
class EndOfRunNotice {
 public:
  explicit EndOfRunNotice(QWidget* window);
  ~EndOfRunNotice();
  EndOfRunNotice(const EndOfRunNotice&) = delete;
  EndOfRunNotice& operator=(const EndOfRunNotice&) = delete;

 private:
  OnceShownWarning warning_;
};
