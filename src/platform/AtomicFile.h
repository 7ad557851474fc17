#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Status.h"

// A file replaced as a whole or not at all, written as a stream.
//
// Open() creates a temporary file beside the target; Write() collects bytes in
// a buffer of bounded size and hands each full buffer to the temporary file, so
// a file of any size never has to fit in memory; Commit() flushes it to disk
// and renames it over the target. Until Commit() succeeds the old file is
// untouched, and a failure at any step, or destruction without Commit(),
// removes the temporary file.
//
// The replacement keeps an existing file's permission bits (and its owner
// where the process may set it); a new file gets 0666 less the umask, and
// the owner GiveToFolderOwner (FileTrust.h) gives it. When the path is a
// symbolic link the file it points to is replaced and the link stays, as
// long as a trusted user made the link (FileTrust.h); any other is refused.
//
// Opened with Existing::Keep, nothing is replaced: Commit() gives the file the
// path, or when that name is taken (by anything, a link included) the first
// free one with "_2", "_3", ... before the extension. The kernel claims the
// name in the same step as it renames, so two files committed at once never
// take one name. Existing::KeepAside does the same for a copy kept beside
// another file, with the names "<path>.2", "<path>.3", ... after the first;
// its temporary stays private (0600) until SetMode() gives it its bits.
class AtomicFile {
 public:
  static constexpr std::size_t DefaultBufferBytes = std::size_t{4} << 20;
  enum class Existing { Replace, Keep, KeepAside };

  explicit AtomicFile(std::size_t bufferBytes = DefaultBufferBytes);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  Status Open(const std::string& path, Existing existing = Existing::Replace);

  // False once anything has failed; the first failure is kept in status().
  bool Write(std::string_view bytes) {
    if (bytes.size() <= room_) {
      buffer_.append(bytes);
      room_ -= bytes.size();
      return true;
    }
    return WriteThrough(bytes);
  }

  // The permission bits the file is committed with; false on failure.
  bool SetMode(unsigned mode);

  Status Commit();

  const Status& status() const { return status_; }
  // The file a successful Commit() wrote.
  const std::string& path() const { return target_; }

  // The file a write to `path` replaces: symbolic links followed; `path`
  // itself when they cannot be, or may not.
  static std::string FileReplacedBy(const std::string& path);
  // Whether a folder entry is the temporary file of a write to `targetName`
  // (a name without folder) that never reached its rename.
  static bool IsTemporaryOf(std::string_view entry, std::string_view targetName);
  // The name (cut to the length temporaries keep of it) of the file whose
  // write `entry` is the temporary of; empty when `entry` is named otherwise.
  static std::string_view TargetOfTemporary(std::string_view entry);

 private:
  bool WriteThrough(std::string_view bytes);
  bool Flush();
  bool WriteOut(const char* data, std::size_t size);
  bool Fail(int error, const std::string& what);
  bool ClaimFreeName();
  void CloseAndRemove();

  std::size_t bufferBytes_;
  std::string buffer_;
  std::size_t room_ = 0;  // what the buffer takes before it must go to the file
  std::string target_;
  Existing existing_ = Existing::Replace;
  std::string temp_;
  int fd_ = -1;
  std::uint64_t written_ = 0;  // bytes in the temporary file
  Status status_;
};
