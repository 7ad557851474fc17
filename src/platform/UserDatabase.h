#pragma once

#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <vector>

// Runs one of the reentrant look-ups of the user and group databases
// (getpwuid_r and its kin, passed as `lookUp(entry, buffer, size, &found)`)
// with a buffer that grows until the entry fits. The entry, which points
// into `buffer`, or nullptr when there is none or it cannot be read.
template <class Entry, class LookUp>
Entry* LookUpEntry(Entry& entry, std::vector<char>& buffer, const LookUp& lookUp) {
  const long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  buffer.resize(suggested > 0 ? static_cast<std::size_t>(suggested) : 4096);
  Entry* found = nullptr;
  int error;
  while ((error = lookUp(&entry, buffer.data(), buffer.size(), &found)) == ERANGE &&
         buffer.size() < (std::size_t{1} << 20))
    buffer.resize(buffer.size() * 2);
  return error == 0 ? found : nullptr;
}
