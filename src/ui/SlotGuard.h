#pragma once

#include <utility>

// Runs a handler body and drops whatever it throws. Every slot of the window
// goes through it: an exception must never unwind into the Qt event loop,
// and a failed handler simply skips its remaining steps.
template <class Body>
void CatchAll(Body&& body) noexcept {
  try {
    std::forward<Body>(body)();
  } catch (...) {
  }
}
