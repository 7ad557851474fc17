#include "platform/FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>

#include "platform/AtomicFile.h"
#include "platform/FileTrust.h"
#include "platform/PosixFile.h"

namespace fs = std::filesystem;

namespace {

// What KeepCopyAside adds to a file's name for the first copy.
constexpr const char* CopySuffix = ".bad";

// Named before the reason, as the system's failures are.
Status NotRegular(const std::string& path) {
  return Status::Failure(Status::Kind::Unsupported, path + ": not a regular file");
}

// A FIFO without a writer holds open() for ever, and a device may never end,
// so only a regular file is opened: the kind is checked first, the open does
// not wait, and what was opened is checked again in case it was swapped in
// between. Links are followed as a save follows them, and a link put in
// place of the file since is not.
int OpenRegularFile(const std::string& path, struct stat& info, Status& status) {
  std::string file;
  if (status = FollowTrustedLinks(path, file); !status.ok()) return -1;
  if (::stat(file.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
    status = NotRegular(path);
    return -1;
  }
  const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) {
    status = ErrnoStatus(errno, "cannot open " + path);
    return -1;
  }
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    status = NotRegular(path);
    ::close(fd);
    return -1;
  }
  return fd;
}

// Removes the regular files of `folder` whose names `isOurs` claims; a link
// or a folder by such a name is never touched.
template <class Claim>
void RemoveTemporariesIn(const fs::path& folder, const Claim& isOurs) {
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    std::error_code ignored;
    if (isOurs(it->path().filename().string()) && it->is_regular_file(ignored) && !it->is_symlink(ignored))
      fs::remove(it->path(), ignored);
  }
}

}  // namespace

Status WriteFileAtomically(const std::string& path, const std::string& bytes) {
  // A save that dies half way (full disk, crash, power loss) must never leave a
  // truncated file where the last good one was: the rename is the only step
  // that replaces it, and it happens only after the new bytes are on disk.
  AtomicFile file(0);
  if (Status opened = file.Open(path); !opened.ok()) return opened;
  file.Write(bytes);
  return file.Commit();
}

Status ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string& bytes) {
  bytes.clear();
  struct stat info {};
  Status status;
  const int fd = OpenRegularFile(path, info, status);
  if (fd < 0) return status;
  char buffer[65536];
  while (bytes.size() < maxBytes) {
    const std::size_t want = std::min(sizeof buffer, maxBytes - bytes.size());
    const ssize_t n = ::read(fd, buffer, want);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      status = ErrnoStatus(errno, "cannot read " + path);
      bytes.clear();
      break;
    }
    if (n == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return status;
}

std::optional<std::string> ReadFilePrefix(const std::string& path, std::size_t maxBytes) {
  std::string bytes;
  if (!ReadRegularFile(path, maxBytes, bytes).ok()) return std::nullopt;
  return bytes;
}

bool IsThere(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

Status KeepCopyAside(const std::string& path, std::string* copy) {
  struct stat info {};
  Status status;
  const int from = OpenRegularFile(path, info, status);
  if (from < 0) return status;
  // The copy takes its name only once it is complete: one cut short (by a
  // kill, a full disk) is a temporary the next start removes, never a copy
  // that looks whole and stays for good.
  AtomicFile aside(0);
  status = aside.Open(path + CopySuffix, AtomicFile::Existing::KeepAside);
  char buffer[65536];
  while (status.ok()) {
    const ssize_t n = ::read(from, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0 && errno == EINTR) continue;
    if (n < 0)
      status = ErrnoStatus(errno, "cannot read " + path);
    else if (!aside.Write(std::string_view(buffer, static_cast<std::size_t>(n))))
      status = aside.status();
  }
  ::close(from);
  if (status.ok() && !aside.SetMode(info.st_mode)) status = aside.status();
  if (status.ok()) status = aside.Commit();
  if (status.ok() && copy) *copy = aside.path();
  return status;
}

Status MakeFolder(const std::string& path) {
  int error = MakeMissingFolders(path, 0777, ProcessTrustedUsers());
  // A path that cannot even be examined (a loop of links, a folder on the way
  // the user may not enter), or that ends in something other than a folder,
  // is a failure to report like any other.
  std::error_code examined;
  if (fs::is_directory(path, examined)) return Status::Success();
  if (error == 0) error = examined ? examined.value() : ENOTDIR;
  return Status::Failure(Status::Kind::IoError, "cannot create " + path + ": " + std::strerror(error));
}

void RemoveStaleTemporaries(const std::vector<std::string>& paths) {
  // The temporaries of a save lie beside the file the writer really
  // replaced; those of a copy beside the path itself, named after its first
  // name whichever one it was to take. Each folder is listed once.
  std::map<fs::path, std::vector<std::string>> namesIn;
  for (const std::string& path : paths)
    for (const fs::path& file : {fs::path(AtomicFile::FileReplacedBy(path)), fs::path(path + CopySuffix)})
      namesIn[file.has_parent_path() ? file.parent_path() : fs::path(".")].push_back(
          file.filename().string());
  for (const auto& folder : namesIn) {
    const std::vector<std::string>& names = folder.second;
    RemoveTemporariesIn(folder.first, [&](std::string_view entry) {
      return std::any_of(names.begin(), names.end(),
                         [&](const std::string& name) { return AtomicFile::IsTemporaryOf(entry, name); });
    });
  }
}

void RemoveStaleTemporariesIn(const std::string& folder, const std::vector<std::string>& prefixes) {
  RemoveTemporariesIn(folder, [&](std::string_view entry) {
    const std::string_view target = AtomicFile::TargetOfTemporary(entry);
    return !target.empty() && std::any_of(prefixes.begin(), prefixes.end(),
                                          [&](const std::string& p) { return target.starts_with(p); });
  });
}
