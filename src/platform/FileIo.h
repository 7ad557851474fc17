#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Status.h"

// Writes the bytes to a temporary file beside `path`, checks every write,
// flushes it to disk and renames it over `path`. On any failure the old file
// stays as it was and the temporary file is removed. A symbolic link that a
// trusted user made (FileTrust.h) is followed: its target is replaced and
// the link stays; any other is refused. The new file keeps the
// mode (and, where allowed, the owner) of the one it replaces; a file that did
// not exist gets 0666 less the umask.
Status WriteFileAtomically(const std::string& path, const std::string& bytes);

// Reads at most maxBytes bytes of a regular file into `bytes`. The bound
// keeps a hostile or huge file from exhausting memory. Nothing here can
// block: a FIFO, a device or a folder in the file's place is refused
// unread, and so is one behind a link no trusted user made (FileTrust.h).
// The status tells the cases apart: NotFound when there is no such
// file, Unsupported when it is not a regular file, Denied or IoError when
// it is there but could not be read (then `bytes` is empty).
Status ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string& bytes);
// The same, nullopt for whatever cannot be read.
std::optional<std::string> ReadFilePrefix(const std::string& path, std::size_t maxBytes);

// Whether there is anything at `path` (links followed); false as well when
// a folder on the way cannot be searched, as nothing then can be seen.
bool IsThere(const std::string& path);

// Copies the regular file beside itself as "<path>.bad", or when that name
// is taken as "<path>.bad.2", ".bad.3" and so on: the first free name,
// claimed exclusively, so no copy kept before is ever replaced, not even by
// a save running at the same moment. The copy is written as a temporary
// file and takes that name only when it is complete, on disk and with the
// file's mode. The name it took goes into *copy when given.
Status KeepCopyAside(const std::string& path, std::string* copy = nullptr);

// Creates the folder and its parents, each given as GiveToFolderOwner
// (FileTrust.h) says; an existing folder is no error.
Status MakeFolder(const std::string& path);

// Removes the temporary files that writes of these files by
// WriteFileAtomically, and copies of them by KeepCopyAside, left behind when
// they were killed before the rename. Only files named exactly as such a
// temporary are touched.
void RemoveStaleTemporaries(const std::vector<std::string>& paths);

// Removes from `folder` the temporary files that writes by AtomicFile left
// behind when they were killed before the rename, for files whose names
// begin with one of `prefixes`: a folder the user names may hold files of
// other programs. Only regular files named exactly as such a temporary are
// touched; links and folders never.
void RemoveStaleTemporariesIn(const std::string& folder, const std::vector<std::string>& prefixes);
