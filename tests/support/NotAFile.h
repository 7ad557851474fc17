#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <string>

// What may stand where the program keeps a file without being one: a FIFO
// no one writes to, which would hold a reader for ever, a folder, and a link
// to a device that never ends.
enum class NotAFile { Fifo, Folder, DeviceLink };

// Makes one at `path`; false when the system refuses.
inline bool MakeNotAFile(NotAFile kind, const std::string& path) {
  switch (kind) {
    case NotAFile::Fifo:
      return ::mkfifo(path.c_str(), 0600) == 0;
    case NotAFile::Folder:
      return ::mkdir(path.c_str(), 0700) == 0;
    case NotAFile::DeviceLink:
      return ::symlink("/dev/zero", path.c_str()) == 0;
  }
  return false;
}
