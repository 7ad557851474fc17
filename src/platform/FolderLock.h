#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

// The lock one running copy of the program holds on the folder of its pages
// and settings, for as long as it runs. It is an advisory lock (flock) on a
// file in that folder itself, so it guards exactly the files it protects,
// whatever other folders the environment names, and the kernel lets go of
// it when the process ends, however it ends: a crash leaves no lock behind.
// The file is made for its owner alone, so nobody else can open it to hold
// the lock against them. It is held through a descriptor open for reading
// only, which never keeps the folder's file system from turning read-only,
// except where the lock is one the server keeps (NFS), which needs a
// descriptor open for writing. The holder writes who it is into it (Holder),
// and where it listens for later starts once it does (Announce), so that a
// start from any session of the user finds it, and one on another machine
// sharing the folder learns who holds it.
// A copy run as root gives it to the folder's owner (GiveToFolderOwner),
// and one that finds a file it may not open, which no process holds a lock
// on (/proc/locks says), removes it and makes its own: a copy another user
// ran and was killed keeps no one out.
//
// Not thread-safe: one object per process and folder.
class FolderLock {
 public:
  enum class Outcome {
    Taken,          // this object holds the lock
    Held,           // another process, or another object, holds it
    HeldElsewhere,  // a process under another host name holds it: HeldBy() names the host
    Unwritable,  // the folder cannot be made or written, or others could change it: no save there can succeed
    Unlockable,  // the file system keeps no locks, or has no room for the file: Problem() says which
    Failed,      // the lock cannot be had for another reason: Problem() says which
  };

  static constexpr char FileName[] = "velquor.lock";

  // What the holder wrote of itself, as lines: "<host> <pid>", "<uid>", and
  // once it listens "<place>". Host and place keep their spaces; a backslash
  // or a line end in them is written escaped, so no name can be misread.
  // What a line does not say, or an older holder did not write, is empty.
  struct Holder {
    std::string host, pid;
    std::optional<uid_t> uid;
    std::string place;  // the path of the socket it listens on
  };

  explicit FolderLock(std::string folder);
  // Releases the lock.
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  // Makes the folder when it is missing, as the saves would, then tries
  // once, without waiting.
  Outcome TryTake();
  // Removes the file and lets go of the lock; nothing when it is not held.
  void Release();
  // Writes `place` into the held file as where later starts reach this
  // process; nothing when the lock is not held.
  void Announce(const std::string& place);

  bool Taken() const { return lockFd_ >= 0; }
  const std::string& Folder() const { return folder_; }
  std::string LockPath() const { return folder_ + "/" + FileName; }
  // The folder, opened to reach what lies in it (O_PATH), once TryTake
  // could open it; -1 before.
  int FolderFd() const { return folderFd_; }
  // Why TryTake failed.
  const std::string& Problem() const { return problem_; }
  // Who holds the lock, as its holder wrote it: set with Held and
  // HeldElsewhere.
  const Holder& HeldBy() const { return heldBy_; }

 private:
  // Problem() is "<what>: <the system's reason>".
  Outcome Fail(int error, const std::string& what, Outcome outcome = Outcome::Failed);
  // For a lock file this process may not open: Taken once it was removed
  // because no process holds it, Held while one does or a start is taking
  // it; nullopt when it stays (no /proc, not ours to judge).
  std::optional<Outcome> ClearAbandoned();
  // For a lock found held: reads HeldBy() from the file; HeldElsewhere
  // when it names another host.
  Outcome ReadHolder(int fd);
  // Writes this process into the file it holds, with `place`.
  void WriteHolder(const std::string& place) const;
  // Whether this process may make files in the folder.
  bool Writable() const;

  std::string folder_;
  int folderFd_ = -1;
  int lockFd_ = -1;
  std::string problem_;
  Holder heldBy_;
};
