#pragma once

#include <string>
#include <utility>

// Outcome of a platform call. Most failures stay silent to the user, but the
// reason is kept here so that callers and tests can tell what went wrong.
struct Status {
  enum class Kind { Ok, NotFound, IoError, Denied, Invalid, Unsupported };

  Kind kind = Kind::Ok;
  std::string message;

  static Status Success() { return {}; }
  static Status Failure(Kind k, std::string why) { return {k, std::move(why)}; }
  bool ok() const { return kind == Kind::Ok; }
};
