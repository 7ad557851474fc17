#include "platform/FileIo.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "platform/AtomicFile.h"

namespace fs = std::filesystem;

Status WriteFileAtomically(const std::string& path, const std::string& bytes) {
  // A save that dies half way (full disk, crash, power loss) must never leave a
  // truncated file where the last good one was: the rename is the only step
  // that replaces it, and it happens only after the new bytes are on disk.
  AtomicFile file(0);
  if (Status opened = file.Open(path); !opened.ok()) return opened;
  file.Write(bytes);
  return file.Commit();
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
    const fs::path target = AtomicFile::FileReplacedBy(path);
    const std::string name = target.filename().string();
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
      std::error_code ignored;
      if (AtomicFile::IsTemporaryOf(it->path().filename().string(), name) && it->is_regular_file(ignored) &&
          !it->is_symlink(ignored))
        fs::remove(it->path(), ignored);
    }
  }
}

void RemoveStaleTemporariesIn(const std::string& folder, const std::vector<std::string>& prefixes) {
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::string entry = it->path().filename().string();
    const std::string_view target = AtomicFile::TargetOfTemporary(entry);
    const bool ours =
        !target.empty() && std::any_of(prefixes.begin(), prefixes.end(),
                                       [&](const std::string& p) { return target.starts_with(p); });
    std::error_code ignored;
    if (ours && it->is_regular_file(ignored) && !it->is_symlink(ignored)) fs::remove(it->path(), ignored);
  }
}
