#pragma once

#include "ui/OnceShownWarning.h"

// Shows the first failure of a session around a run over the window: a run
// that could not have the threads or the echo sockets it needs, or an
// end-of-run action that failed (a report not saved, a program not started,
// a document not opened). Runs start and end on their own, often while
// nobody watches, and may all fail the same way: one message covers the
// session, and stderr keeps every failure. While it lives it is the run
// failure notice (RunFailureNotice.h).
class EndOfRunNotice {
 public:
  explicit EndOfRunNotice(QWidget* window);
  ~EndOfRunNotice();
  EndOfRunNotice(const EndOfRunNotice&) = delete;
  EndOfRunNotice& operator=(const EndOfRunNotice&) = delete;

 private:
  OnceShownWarning warning_;
};
