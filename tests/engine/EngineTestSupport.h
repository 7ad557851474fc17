#pragma once

#include <chrono>
#include <functional>
#include <utility>

#include "engine/RunThread.h"
#include "pages/PageTypes.h"
#include "support/Waits.h"

// A run thread whose body is given by the test.
class LambdaThread : public RunThread {
 public:
  explicit LambdaThread(std::function<void(LambdaThread&)> body) : body_(std::move(body)) {}

  using RunThread::SleepUnlessTerminated;
  using RunThread::Synchronize;

 protected:
  void Execute() override { body_(*this); }

 private:
  std::function<void(LambdaThread&)> body_;
};

// The end of the run frame: stays alive, idle, until someone terminates it,
// so that a pointer to a self-freeing thread stays valid until then.
void IdleUntilTerminated(const LambdaThread& thread);

// What Stop does to a page, for tests without a window: its controller is
// told to end and forgotten, the run id moves on and the end is stamped. No
// end-of-run actions follow.
void Stop(TPageCommon& page);
// Turns the event loop until the page's run has ended (its controller is gone).
bool WaitIdle(const TPageCommon& page, std::chrono::milliseconds timeout = std::chrono::seconds(20));
// Turns the event loop until no run thread is left, running or suspended.
bool WaitAllEnded(std::chrono::milliseconds timeout = std::chrono::seconds(10));
