#pragma once

#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>

#include "support/Waits.h"

// A process of another user, forked from the test (run as root), for what
// only a real second user can show: what it may open, reach or take.

// What a child exits with when it could not become the other user; no act
// returns it, so a failed switch never reads as the act's own answer.
constexpr int UserNotSwitched = 121;

// Forks a child that drops root's supplementary groups, takes `uid` as its
// user and group, and exits with what `act` returns.
inline pid_t ForkAs(uid_t uid, const std::function<int()>& act) {
  const pid_t child = ::fork();
  if (child < 0) ADD_FAILURE() << "fork: " << std::strerror(errno);
  if (child != 0) return child;
  if (::setgroups(0, nullptr) != 0 || ::setresgid(uid, uid, uid) != 0 || ::setresuid(uid, uid, uid) != 0)
    ::_exit(UserNotSwitched);
  ::_exit(act());
}

// The exit code of `child`, waited for with the event loop turning, so a
// child that talks to an object of this thread is answered. A child still
// running after `timeout`, or one that did not exit, is a failure and reads
// as -1; one still running is killed first, so none outlives its test.
inline int ExitCodeOf(pid_t child, std::chrono::milliseconds timeout) {
  if (child <= 0) {
    ADD_FAILURE() << "no child to wait for";
    return -1;
  }
  int status = -1;
  pid_t reaped = 0;
  if (!SpinUntil([&] { return (reaped = ::waitpid(child, &status, WNOHANG)) != 0; }, timeout)) {
    ADD_FAILURE() << "child " << child << " still running after " << timeout.count() << " ms";
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    return -1;
  }
  if (reaped != child) {
    ADD_FAILURE() << "waitpid: " << std::strerror(errno);
    return -1;
  }
  if (!WIFEXITED(status)) {
    ADD_FAILURE() << "child " << child << " did not exit: status " << status;
    return -1;
  }
  if (WEXITSTATUS(status) == UserNotSwitched) ADD_FAILURE() << "child could not become user";
  return WEXITSTATUS(status);
}
