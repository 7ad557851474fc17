#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Status.h"

// Writes the bytes to a temporary file beside `path`, checks every write,
// flushes it to disk and renames it over `path`. On any failure the old file
// stays as it was and the temporary file is removed. A symbolic link is
// followed: its target is replaced and the link stays. The new file keeps the
// mode (and, where allowed, the owner) of the one it replaces; a file that did
// not exist gets 0666 less the umask.
Status WriteFileAtomically(const std::string& path, const std::string& bytes);

// Reads at most maxBytes bytes of the file; nullopt when it cannot be opened.
// The bound keeps a hostile or huge file from exhausting memory.
std::optional<std::string> ReadFilePrefix(const std::string& path, std::size_t maxBytes);

// Copies the file byte for byte over `to`, without holding it in memory.
Status CopyFile(const std::string& from, const std::string& to);

// Creates the folder and its parents; an existing folder is no error.
Status MakeFolder(const std::string& path);

// Removes the temporary files that writes of these files by
// WriteFileAtomically left behind when they were killed before the rename.
// Only files named exactly as such a temporary are touched.
void RemoveStaleTemporaries(const std::vector<std::string>& paths);

// Removes from `folder` the temporary files that writes by AtomicFile left
// behind when they were killed before the rename, for files whose names
// begin with one of `prefixes`: a folder the user names may hold files of
// other programs. Only regular files named exactly as such a temporary are
// touched; links and folders never.
void RemoveStaleTemporariesIn(const std::string& folder, const std::vector<std::string>& prefixes);
