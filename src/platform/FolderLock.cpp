#include "platform/FolderLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
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

FolderLock::Outcome FolderLock::Fail(int error, const std::string& what) {
  problem_ = what + ": " + std::strerror(error);
  return Outcome::Failed;
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
  for (int round = 0; round < SwappedFileRounds; ++round) {
    // Non-blocking: whatever sits at the name, opening it must not wait.
    const int fd = ::openat(folderFd_, FileName, O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                            S_IRUSR | S_IWUSR);
    if (fd < 0) {
      const int error = errno;
      // Only a folder nobody could save into is no reason to stop: there is
      // nothing a second copy could overwrite.
      if (!Writable()) return Outcome::Unwritable;
      return Fail(error, "cannot open " + LockPath());
    }
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
      ::close(fd);
      problem_ = LockPath() + " is not a regular file";
      return Outcome::Failed;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const int error = errno;
      ::close(fd);
      if (error == EWOULDBLOCK) return Outcome::Held;
      return Fail(error, "cannot lock " + LockPath());
    }
    // The copy that held it may have removed the file between our open and
    // our lock: a lock on a file no longer at the name keeps nobody out.
    struct stat named {};
    if (::fstatat(folderFd_, FileName, &named, AT_SYMLINK_NOFOLLOW) == 0 && SameFile(named, opened)) {
      lockFd_ = fd;
      static const bool registered = std::atexit(ReleaseAtExit) == 0;
      if (registered) heldAtExit = this;
      return Outcome::Taken;
    }
    ::close(fd);
  }
  return Outcome::Held;
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
