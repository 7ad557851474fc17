#include "platform/FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>
#include <string_view>

namespace fs = std::filesystem;

namespace {

// A temporary file is the target's name, a dot and this many letters or digits.
constexpr std::size_t TemporarySuffixLength = 6;
constexpr std::string_view TemporaryLetters =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

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

// The file a write to `path` really replaces: symbolic links are followed,
// so that a linked settings file stays a link and its target gets the bytes.
// A link to a file that does not exist yet gives that file.
std::string FollowLinks(const std::string& path) {
  std::string at = path;
  for (int hops = 0; hops < 40; ++hops) {  // the kernel's own bound on a chain
    struct stat st {};
    if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return at;
    std::error_code error;
    const fs::path target = fs::read_symlink(at, error);
    if (error) return at;
    at = target.is_absolute() ? target.string() : (fs::path(at).parent_path() / target).string();
  }
  return path;
}

// Creates a new temporary beside `target` with the given permission bits (the
// kernel applies the umask) and returns its descriptor, or -1.
int CreateTemporary(const std::string& target, mode_t mode, std::string& temp) {
  std::random_device seed;
  std::mt19937 random(seed());
  std::uniform_int_distribution<std::size_t> letter(0, TemporaryLetters.size() - 1);
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp = target + ".";
    for (std::size_t i = 0; i < TemporarySuffixLength; ++i) temp += TemporaryLetters[letter(random)];
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

bool IsTemporaryOf(std::string_view entry, std::string_view file) {
  if (entry.size() != file.size() + 1 + TemporarySuffixLength || !entry.starts_with(file) ||
      entry[file.size()] != '.')
    return false;
  return std::all_of(entry.begin() + static_cast<std::ptrdiff_t>(file.size()) + 1, entry.end(),
                     [](char c) { return TemporaryLetters.find(c) != TemporaryLetters.npos; });
}

}  // namespace

Status WriteFileAtomically(const std::string& path, const std::string& bytes) {
  // A save that dies half way (full disk, crash, power loss) must never leave a
  // truncated file where the last good one was: the rename is the only step
  // that replaces it, and it happens only after the new bytes are on disk.
  const std::string target = FollowLinks(path);
  struct stat old {};
  const bool replacing = ::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode);
  // Page files and settings may hold a program's command line: a file its
  // owner closed to others must not open up with the next save. The temporary
  // stays private until it has the old file's mode.
  std::string temp;
  const int fd = CreateTemporary(target, replacing ? 0600 : 0666, temp);
  if (fd < 0) return Errno(Status::Kind::IoError, "cannot create a temporary file for", target);
  if (replacing) {
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
      // Only root may give a file away; anyone else keeps being its owner.
    }
    ::fchmod(fd, old.st_mode & 07777);
  }
  const bool written = WriteAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
  const bool closed = ::close(fd) == 0;
  if (!written || !closed) {
    Status failure = Errno(Status::Kind::IoError, "cannot write", temp);
    ::unlink(temp.c_str());
    return failure;
  }
  if (::rename(temp.c_str(), target.c_str()) != 0) {
    Status failure = Errno(Status::Kind::IoError, "cannot replace", target);
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

Status CopyFile(const std::string& from, const std::string& to) {
  std::error_code error;
  fs::copy_file(from, to, fs::copy_options::overwrite_existing, error);
  if (error)
    return Status::Failure(Status::Kind::IoError,
                           "cannot copy " + from + " to " + to + ": " + error.message());
  return Status::Success();
}

Status MakeFolder(const std::string& path) {
  std::error_code error;
  fs::create_directories(path, error);
  if (error && !fs::is_directory(path))
    return Status::Failure(Status::Kind::IoError, "cannot create " + path + ": " + error.message());
  return Status::Success();
}

void RemoveStaleTemporaries(const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    // The temporaries lie beside the file the writer really replaced.
    const fs::path target = FollowLinks(path);
    const std::string name = target.filename().string();
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
      std::error_code ignored;
      if (IsTemporaryOf(it->path().filename().string(), name) && it->is_regular_file(ignored) &&
          !it->is_symlink(ignored))
        fs::remove(it->path(), ignored);
    }
  }
}
