#pragma once

#include <optional>
#include <string>

#include "platform/Status.h"

// A page file or settings file that start-up found but could not read
// whole, and what became of it. Its pages or lines are on no other disk, so
// the user is told where it is.
struct UnreadFile {
  std::string path;
  // Why not all of it was taken in, or why nothing of it could be read.
  std::string why;
  // False when nothing of it could be read: it is left as it is, and no save
  // of the session replaces it.
  bool readInPart = true;
  // The copy kept aside at start-up; empty when none was made.
  std::string keptAs;
  // Why that copy could not be made; the save tries again first, and does
  // not replace the file without it.
  std::string keepFailure;
};

// Keeps the file read in part aside (KeepCopyAside) and says where, or why
// it could not. None when the file is no longer there: there is nothing
// left to keep, nor to tell.
std::optional<UnreadFile> KeepReadInPartAside(const std::string& path, std::string why);
// A file nothing could be read of: `readFailure` is the reader's status.
// None when it cannot even be seen (its folder may not be searched, or is a
// loop of links): it may not be there at all, and the saves, which fail in
// that folder too, tell of it.
std::optional<UnreadFile> LeaveUnread(const std::string& path, const Status& readFailure);
