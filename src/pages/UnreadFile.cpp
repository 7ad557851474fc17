#include "pages/UnreadFile.h"

#include "platform/FileIo.h"

std::optional<UnreadFile> KeepReadInPartAside(const std::string& path, std::string why) {
  UnreadFile file;
  file.path = path;
  file.why = std::move(why);
  const Status kept = KeepCopyAside(path, &file.keptAs);
  if (kept.kind == Status::Kind::NotFound) return std::nullopt;
  if (!kept.ok()) file.keepFailure = kept.message;
  return file;
}

std::optional<UnreadFile> LeaveUnread(const std::string& path, const Status& readFailure) {
  if (!IsThere(path)) return std::nullopt;
  UnreadFile file;
  file.path = path;
  file.readInPart = false;
  // The reader names the file before the system's reason; the notice names
  // it already.
  const std::string named = path + ": ";
  const std::size_t at = readFailure.message.find(named);
  file.why = at == std::string::npos ? readFailure.message : readFailure.message.substr(at + named.size());
  return file;
}
