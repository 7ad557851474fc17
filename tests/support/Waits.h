#pragma once

#include <chrono>
#include <functional>

// Waiting helpers every test folder shares.

// The application object of a test binary without widgets. Made on first use
// on the calling thread, which thereby is the user-interface thread, and
// never destroyed, so no test depends on the order in which others run.
void EnsureTestApplication();

// Turns the event loop of the calling thread until `done` holds or `timeout`
// has passed; returns done().
bool SpinUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(5));

// Waits until `done` holds or `timeout` has passed without turning the event
// loop, so posted events stay queued meanwhile; returns done().
bool WaitUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(5));

// Milliseconds since `start`, for asserting bounds.
long long MillisecondsSince(std::chrono::steady_clock::time_point start);
