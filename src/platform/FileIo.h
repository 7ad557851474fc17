#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Status.h"

// Writes the bytes to a temporary file beside `path`, checks every write,
// flushes it to disk and renames it over `path`. On any failure the old file
// stays as it was and the temporary file is removed.
Status WriteFileAtomically(const std::string& path, const std::string& bytes);

// Reads at most maxBytes bytes of the file; nullopt when it cannot be opened.
// The bound keeps a hostile or huge file from exhausting memory.
std::optional<std::string> ReadFilePrefix(const std::string& path, std::size_t maxBytes);

// Creates the folder and its parents; an existing folder is no error.
Status MakeFolder(const std::string& path);
