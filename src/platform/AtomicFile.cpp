#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>

#include "platform/FileTrust.h"
#include "platform/PosixFile.h"

namespace {

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

constexpr std::size_t TagLength = 16;
// How far a file that keeps existing ones counts before it gives up.
constexpr int MaxNumberedNames = 100000;
constexpr std::size_t MaxStemLength = 200;

std::string RandomTag() {
  std::random_device source;
  const std::uint64_t value = (std::uint64_t{source()} << 32) ^ source();
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
  return text;
}

}  // namespace

std::string AtomicFile::FileReplacedBy(const std::string& path) {
  std::string target;
  return FollowTrustedLinks(path, target).ok() ? target : path;
}

bool AtomicFile::IsTemporaryOf(std::string_view entry, std::string_view targetName) {
  const std::string_view stem = TargetOfTemporary(entry);
  return !stem.empty() && stem == targetName.substr(0, MaxStemLength);
}

std::string_view AtomicFile::TargetOfTemporary(std::string_view entry) {
  // "." + name + "." + the tag, exactly as Open() makes them.
  if (entry.size() < 1 + 1 + 1 + TagLength || entry.size() > 1 + MaxStemLength + 1 + TagLength ||
      entry.front() != '.' || entry[entry.size() - TagLength - 1] != '.')
    return {};
  for (char c : entry.substr(entry.size() - TagLength))
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return {};
  return entry.substr(1, entry.size() - TagLength - 2);
}

AtomicFile::AtomicFile(std::size_t bufferBytes) : bufferBytes_(bufferBytes > 0 ? bufferBytes : 1) {}

AtomicFile::~AtomicFile() { CloseAndRemove(); }

Status AtomicFile::Open(const std::string& path, Existing existing) {
  CloseAndRemove();
  status_ = Status::Success();
  existing_ = existing;
  buffer_.clear();
  room_ = 0;
  temp_.clear();
  written_ = 0;
  if (path.empty() || path.back() == '/') {
    status_ = Status::Failure(Status::Kind::Invalid, "no file name in \"" + path + "\"");
    return status_;
  }
  // A file that is kept is no concern of this write, nor where its links lead.
  if (existing != Existing::Replace)
    target_ = path;
  else
    status_ = FollowTrustedLinks(path, target_);
  if (!status_.ok()) return status_;

  struct stat old {};
  const bool replacing = existing == Existing::Replace && ::stat(target_.c_str(), &old) == 0;
  // Only a plain file is replaced: a folder or a device in the way is refused
  // before anything is created.
  if (replacing && !S_ISREG(old.st_mode)) {
    status_ = Status::Failure(Status::Kind::Invalid, target_ + " is not a regular file");
    return status_;
  }
  // A file the user may not write stays protected, though the folder would
  // allow renaming over it.
  if (replacing && ::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0) {
    status_ = ErrnoStatus(errno, "cannot write " + target_);
    return status_;
  }

  // Beside the target, so the final rename stays within one file system; the
  // leading dot keeps a half-written report out of ordinary folder listings.
  const std::string folder = FolderOf(target_);
  const std::string stem = NameOf(target_).substr(0, MaxStemLength);
  for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
    temp_ = folder + "/." + stem + "." + RandomTag();
    // A new file gets 0666 so the kernel applies the umask (and a folder's
    // default ACL) as for any newly created file. A replacement stays private
    // until it has the old file's mode: page files and settings may hold a
    // program's command line, and a file its owner closed to others must not
    // open up, not even for the moment of a save; nor may a copy of one.
    const bool closed = replacing || existing == Existing::KeepAside;
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, closed ? 0600 : 0666);
    if (fd_ < 0 && errno != EEXIST) break;
  }
  if (fd_ < 0) {
    status_ = ErrnoStatus(errno, "cannot create a temporary file beside " + target_);
    temp_.clear();
    return status_;
  }
  if (replacing) {
    // Owner first: a change of owner clears set-id bits that fchmod then restores.
    if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) (void)::fchown(fd_, old.st_uid, old.st_gid);
    if (::fchmod(fd_, old.st_mode & 07777) != 0) {
      Fail(errno, "cannot keep the mode of " + target_);
      return status_;
    }
  } else {
    GiveToFolderOwner(temp_, fd_);
  }
  buffer_.reserve(bufferBytes_);
  room_ = bufferBytes_;
  return status_;
}

bool AtomicFile::WriteThrough(std::string_view bytes) {
  if (fd_ < 0) {
    if (status_.ok()) status_ = Status::Failure(Status::Kind::Invalid, "write to a file that is not open");
    return false;
  }
  if (!Flush()) return false;
  if (bytes.size() >= bufferBytes_) return WriteOut(bytes.data(), bytes.size());
  buffer_.append(bytes);
  room_ = bufferBytes_ - buffer_.size();
  return true;
}

bool AtomicFile::Flush() {
  if (!buffer_.empty() && !WriteOut(buffer_.data(), buffer_.size())) return false;
  buffer_.clear();
  room_ = bufferBytes_;
  return true;
}

bool AtomicFile::WriteOut(const char* data, std::size_t size) {
  if (!WriteAll(fd_, data, size)) return Fail(errno, "cannot write " + temp_);
  // Start writing this piece to disk now, while the next one is being made,
  // so that the fsync of Commit() finds little left to do. Only a hint:
  // Commit() still waits for every byte.
  (void)::sync_file_range(fd_, static_cast<off_t>(written_), static_cast<off_t>(size), SYNC_FILE_RANGE_WRITE);
  written_ += size;
  return true;
}

bool AtomicFile::SetMode(unsigned mode) {
  if (fd_ < 0) {
    if (status_.ok()) status_ = Status::Failure(Status::Kind::Invalid, "mode of a file that is not open");
    return false;
  }
  if (::fchmod(fd_, static_cast<mode_t>(mode & 07777)) != 0)
    return Fail(errno, "cannot set the mode of " + temp_);
  return true;
}

Status AtomicFile::Commit() {
  if (fd_ < 0) {
    if (status_.ok()) status_ = Status::Failure(Status::Kind::Invalid, "commit of a file that is not open");
    return status_;
  }
  if (!Flush()) return status_;
  // The data must be on disk before the rename makes it the file: otherwise a
  // crash right after could leave an empty file where the old report was.
  if (::fsync(fd_) != 0) {
    Fail(errno, "cannot flush " + temp_);
    return status_;
  }
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) {
    Fail(errno, "cannot close " + temp_);
    return status_;
  }
  if (existing_ != Existing::Replace) {
    if (!ClaimFreeName()) return status_;
  } else if (::rename(temp_.c_str(), target_.c_str()) != 0) {
    Fail(errno, "cannot replace " + target_);
    return status_;
  }
  temp_.clear();
  // Make the rename itself durable; a failure here no longer endangers the data.
  const int folder = ::open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    (void)::fsync(folder);
    ::close(folder);
  }
  std::string().swap(buffer_);
  room_ = 0;
  return status_;
}

bool AtomicFile::ClaimFreeName() {
  const std::string first = target_;
  const std::size_t nameStart = first.rfind('/') + 1;  // 0 without a folder
  const std::size_t dot = first.rfind('.');
  const std::size_t extension = dot != std::string::npos && dot > nameStart ? dot : first.size();
  for (int number = 1; number <= MaxNumberedNames; ++number) {
    const std::string numbered = std::to_string(number);
    if (number == 1)
      target_ = first;
    else if (existing_ == Existing::KeepAside)
      target_ = first + "." + numbered;
    else
      target_ = first.substr(0, extension) + "_" + numbered + first.substr(extension);
    if (::renameat2(AT_FDCWD, temp_.c_str(), AT_FDCWD, target_.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno == EEXIST) continue;
    if (errno != EINVAL && errno != ENOSYS) return Fail(errno, "cannot create " + target_);
    // A file system that cannot rename without replacing: an empty file
    // claims the name, and the report then replaces that file.
    const int claim = ::open(target_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (claim < 0 && errno == EEXIST) continue;
    if (claim < 0) return Fail(errno, "cannot create " + target_);
    ::close(claim);
    if (::rename(temp_.c_str(), target_.c_str()) == 0) return true;
    const int error = errno;
    ::unlink(target_.c_str());
    return Fail(error, "cannot create " + target_);
  }
  errno = EEXIST;
  return Fail(errno, "every name like " + first + " is taken");
}

bool AtomicFile::Fail(int error, const std::string& what) {
  if (status_.ok()) status_ = ErrnoStatus(error, what);
  CloseAndRemove();
  return false;
}

void AtomicFile::CloseAndRemove() {
  const int error = errno;  // keep the cause for the caller's message
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
  buffer_.clear();
  room_ = 0;
  errno = error;
}
