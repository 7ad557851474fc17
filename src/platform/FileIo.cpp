#include "platform/FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace {

Status Errno(Status::Kind kind, const std::string& what, const std::string& path) {
  return Status::Failure(kind, what + " " + path + ": " + std::strerror(errno));
}

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

Status WriteFileAtomically(const std::string& path, const std::string& bytes) {
  // A save that dies half way (full disk, crash, power loss) must never leave a
  // truncated file where the last good one was: the rename is the only step
  // that replaces it, and it happens only after the new bytes are on disk.
  std::string temp = path + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return Errno(Status::Kind::IoError, "cannot create a temporary file for", path);
  ::fchmod(fd, 0644);
  const bool written = WriteAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
  const bool closed = ::close(fd) == 0;
  if (!written || !closed) {
    Status failure = Errno(Status::Kind::IoError, "cannot write", temp);
    ::unlink(temp.c_str());
    return failure;
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    Status failure = Errno(Status::Kind::IoError, "cannot replace", path);
    ::unlink(temp.c_str());
    return failure;
  }
  return Status::Success();
}

std::optional<std::string> ReadFilePrefix(const std::string& path, std::size_t maxBytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string data;
  char buffer[65536];
  while (data.size() < maxBytes) {
    const std::size_t want = std::min(sizeof buffer, maxBytes - data.size());
    const ssize_t n = ::read(fd, buffer, want);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    data.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return data;
}

Status MakeFolder(const std::string& path) {
  std::error_code error;
  std::filesystem::create_directories(path, error);
  if (error && !std::filesystem::is_directory(path))
    return Status::Failure(Status::Kind::IoError, "cannot create " + path + ": " + error.message());
  return Status::Success();
}
