#include "platform/FolderLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <utility>

#include "platform/FileTrust.h"

namespace {

// How often a lock whose file was replaced between opening and locking it is
// tried again before it counts as held: each round means another copy
// took and gave it up meanwhile.
constexpr int SwappedFileRounds = 8;

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Held shared by every start while it opens, locks and checks the lock
// file, and exclusively by one that removes a lock file nobody holds, so
// that no start takes that file between the look at who holds it and its
// removal. Never waited for: a start holds it for a few system calls, and
// a busy gate means the lock is held for now.
class Gate {
 public:
  Gate(int folderFd, int how) : fd_(::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    busy_ = fd_ >= 0 && ::flock(fd_, how | LOCK_NB) != 0;
  }
  ~Gate() { Leave(); }
  Gate(const Gate&) = delete;
  Gate& operator=(const Gate&) = delete;

  bool Busy() const { return busy_; }
  bool Held() const { return fd_ >= 0 && !busy_; }
  void Leave() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
  bool busy_ = false;
};

// Whether any process holds a lock on the file, as /proc/locks shows them;
// nullopt when that cannot be read. Matched by the inode number alone: a
// layered file system may show another device than the one its locks are
// kept under, and a lock on another file of the same number only makes
// the answer more careful.
std::optional<bool> LockedByAnyone(const struct stat& file) {
  std::ifstream locks("/proc/locks");
  if (!locks) return std::nullopt;
  const std::string inode = ":" + std::to_string(file.st_ino) + " ";
  for (std::string line; std::getline(locks, line);)
    if (line.find(inode) != std::string::npos) return true;
  return locks.eof() ? std::optional<bool>(false) : std::nullopt;
}

// What file systems without locks answer: an NFS mount whose lock service
// is gone, and those that never had one.
bool NoLocksHere(int error) {
  return error == ENOLCK || error == EOPNOTSUPP || error == ENOSYS || error == EINVAL;
}

std::string HostName() {
  char name[256] = {};
  return ::gethostname(name, sizeof name - 1) == 0 ? std::string(name) : std::string();
}

// A host name may hold any byte but NUL, a path any but NUL: the two that
// would break the holder's lines go escaped.
std::string Escaped(const std::string& text) {
  std::string escaped;
  for (const char c : text) {
    if (c == '\\' || c == '\n') escaped += '\\';
    escaped += c == '\n' ? 'n' : c;
  }
  return escaped;
}

std::string Unescaped(const std::string& text) {
  std::string plain;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      ++i;
      plain += text[i] == 'n' ? '\n' : text[i];
    } else {
      plain += text[i];
    }
  }
  return plain;
}

// More than any holder writes: a host name, a number and a path.
constexpr std::size_t HolderBytes = 3 * PATH_MAX;

// exit() leaves the objects of main as they are (the toolkit calls it when
// its display goes away). The lock taken last is let go all the same, after
// every exit handler registered later than the lock was taken, the exit's
// save among them.
std::atomic<FolderLock*> heldAtExit{nullptr};

void ReleaseAtExit() {
  if (FolderLock* lock = heldAtExit.exchange(nullptr)) lock->Release();
}

}  // namespace

FolderLock::FolderLock(std::string folder) : folder_(std::move(folder)) {}

FolderLock::~FolderLock() {
  Release();
  if (folderFd_ >= 0) ::close(folderFd_);
}

FolderLock::Outcome FolderLock::Fail(int error, const std::string& what, Outcome outcome) {
  problem_ = what + ": " + std::strerror(error);
  return outcome;
}

bool FolderLock::Writable() const { return ::faccessat(folderFd_, ".", W_OK | X_OK, AT_EACCESS) == 0; }

FolderLock::Outcome FolderLock::TryTake() {
  if (Taken()) return Outcome::Taken;
  if (folderFd_ < 0) {
    // A folder that cannot be made or entered, or that someone else could
    // change, is one the saves, which make and check it the same way, can
    // never write either: nothing is made in it, the lock least of all.
    if (!MakeOwnFolder(folder_).ok()) return Outcome::Unwritable;
    folderFd_ = ::open(folder_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folderFd_ < 0) return Outcome::Unwritable;
  }
  heldBy_ = {};
  for (int round = 0; round < SwappedFileRounds; ++round) {
    Gate gate(folderFd_, LOCK_SH);
    if (gate.Busy()) return Outcome::Held;
    // Non-blocking: whatever sits at the name, opening it must not wait.
    int fd = ::openat(folderFd_, FileName, O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                      S_IRUSR | S_IWUSR);
    if (fd < 0) {
      const int error = errno;
      gate.Leave();
      // Only a folder nobody could save into is no reason to stop: there is
      // nothing a second copy could overwrite.
      if (!Writable()) return Outcome::Unwritable;
      if (error == EACCES) {
        if (const std::optional<Outcome> cleared = ClearAbandoned()) {
          if (*cleared == Outcome::Taken) continue;
          return *cleared;
        }
      }
      // A full disk, or a spent quota: the saves will fail and say so, but
      // nothing keeps the program from running.
      if (error == ENOSPC || error == EDQUOT)
        return Fail(error, "cannot make " + LockPath(), Outcome::Unlockable);
      return Fail(error, "cannot open " + LockPath());
    }
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
      ::close(fd);
      problem_ = LockPath() + " is not a regular file";
      return Outcome::Failed;
    }
    // A copy run as root leaves the file, if it is killed, to the user whose
    // folder it is.
    GiveToFolderOwner(LockPath(), fd);
    int locked = ::flock(fd, LOCK_EX | LOCK_NB);
    if (locked != 0 && errno == EBADF) {
      // A lock the server keeps (NFS) needs a descriptor open for writing:
      // the read-only one gives way, to the same file, never through a link.
      const int writable = ::openat(folderFd_, FileName, O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
      if (writable >= 0) {
        struct stat again {};
        const bool same = ::fstat(writable, &again) == 0 && SameFile(again, opened);
        ::close(fd);
        fd = writable;
        // The name leads to another file by now: start over.
        if (!same) {
          ::close(fd);
          continue;
        }
        locked = ::flock(fd, LOCK_EX | LOCK_NB);
      } else {
        errno = EBADF;
      }
    }
    if (locked != 0) {
      const int error = errno;
      if (error == EWOULDBLOCK) {
        const Outcome held = ReadHolder(fd);
        ::close(fd);
        return held;
      }
      ::close(fd);
      // Held read-only (the file system refused writing) where the lock
      // needs a descriptor open for writing: no save can succeed there.
      if (error == EBADF && !Writable()) return Outcome::Unwritable;
      return Fail(error, "cannot lock " + LockPath(),
                  NoLocksHere(error) ? Outcome::Unlockable : Outcome::Failed);
    }
    // The copy that held it may have removed the file between our open and
    // our lock: a lock on a file no longer at the name keeps nobody out.
    struct stat named {};
    if (::fstatat(folderFd_, FileName, &named, AT_SYMLINK_NOFOLLOW) == 0 && SameFile(named, opened)) {
      lockFd_ = fd;
      WriteHolder({});
      static const bool registered = std::atexit(ReleaseAtExit) == 0;
      if (registered) heldAtExit = this;
      return Outcome::Taken;
    }
    ::close(fd);
  }
  return Outcome::Held;
}

// A file that cannot be written leaves it as it was, and a full disk empty:
// a start then reaches the holder as a start without it would. It is
// written before it is cut to its length, so a start that reads it
// meanwhile finds at worst a line that is not whole, which counts as
// unwritten, and tries again.
void FolderLock::WriteHolder(const std::string& place) const {
  std::string text =
      Escaped(HostName()) + " " + std::to_string(::getpid()) + "\n" + std::to_string(::geteuid()) + "\n";
  if (!place.empty()) text += Escaped(place) + "\n";
  // A lock held read-only is written through another descriptor of the same
  // file, open only for as long as the write takes.
  const bool writable = (::fcntl(lockFd_, F_GETFL) & O_ACCMODE) == O_RDWR;
  const int fd =
      writable ? lockFd_ : ::openat(folderFd_, FileName, O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  struct stat held {
  }, same{};
  if (fd >= 0 && ::fstat(lockFd_, &held) == 0 && ::fstat(fd, &same) == 0 && SameFile(same, held)) {
    const bool written = ::pwrite(fd, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size());
    (void)!::ftruncate(fd, written ? static_cast<off_t>(text.size()) : 0);
  }
  if (fd >= 0 && !writable) ::close(fd);
}

void FolderLock::Announce(const std::string& place) {
  if (Taken()) WriteHolder(place);
}

FolderLock::Outcome FolderLock::ReadHolder(int fd) {
  std::string text(HolderBytes, '\0');
  text.resize(static_cast<std::size_t>(std::max<ssize_t>(::pread(fd, text.data(), text.size(), 0), 0)));
  // Whole lines only; the process id is what follows the last space, so the
  // host name keeps its own.
  std::string lines[3];
  std::size_t at = 0;
  for (std::string& line : lines) {
    const std::size_t end = text.find('\n', at);
    if (end == std::string::npos) break;
    line = text.substr(at, end - at);
    at = end + 1;
  }
  const std::size_t space = lines[0].rfind(' ');
  if (space == std::string::npos || space == 0 || space + 1 == lines[0].size()) return Outcome::Held;
  heldBy_.host = Unescaped(lines[0].substr(0, space));
  heldBy_.pid = lines[0].substr(space + 1);
  uid_t uid = 0;
  const char* const last = lines[1].data() + lines[1].size();
  if (const auto [end, error] = std::from_chars(lines[1].data(), last, uid);
      error == std::errc() && end == last)
    heldBy_.uid = uid;
  heldBy_.place = Unescaped(lines[2]);
  return heldBy_.host == HostName() ? Outcome::Held : Outcome::HeldElsewhere;
}

std::optional<FolderLock::Outcome> FolderLock::ClearAbandoned() {
  const Gate gate(folderFd_, LOCK_EX);
  if (gate.Busy()) return Outcome::Held;
  struct stat named {};
  if (!gate.Held() || ::fstatat(folderFd_, FileName, &named, AT_SYMLINK_NOFOLLOW) != 0 ||
      !S_ISREG(named.st_mode) || named.st_uid == ::geteuid())
    return std::nullopt;
  const std::optional<bool> locked = LockedByAnyone(named);
  if (!locked) return std::nullopt;
  if (*locked) return Outcome::Held;
  if (::unlinkat(folderFd_, FileName, 0) != 0) return std::nullopt;
  return Outcome::Taken;
}

void FolderLock::Release() {
  if (!Taken()) return;
  FolderLock* self = this;
  heldAtExit.compare_exchange_strong(self, nullptr);
  // Removed while still held, and only while the name still leads to our
  // file: a start that opened it meanwhile finds, once it has the lock, that
  // the name leads elsewhere, and starts over.
  struct stat held {
  }, named{};
  if (::fstat(lockFd_, &held) == 0 && ::fstatat(folderFd_, FileName, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
      SameFile(held, named))
    ::unlinkat(folderFd_, FileName, 0);
  ::close(lockFd_);
  lockFd_ = -1;
}
