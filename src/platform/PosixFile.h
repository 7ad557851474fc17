#pragma once

#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <string>

#include "platform/Status.h"

// What the file writers of this folder share about plain POSIX calls, so
// that a failure reads the same whichever of them met it.

// The folder a path lies in, as the kernel reads the path: "." for a bare
// name, "/" for a name in the root.
inline std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// A failed call's errno as a Status: "<what>: <the system's reason>".
inline Status ErrnoStatus(int error, const std::string& what) {
  Status::Kind kind = Status::Kind::IoError;
  if (error == ENOENT || error == ENOTDIR) kind = Status::Kind::NotFound;
  if (error == EACCES || error == EPERM || error == EROFS) kind = Status::Kind::Denied;
  return Status::Failure(kind, what + ": " + std::strerror(error));
}

// Writes every byte, going on after short writes and interruptions; false
// with errno set when the descriptor refuses.
inline bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}
