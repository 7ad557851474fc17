#include "pages/PageFiles.h"

#include <array>
#include <optional>
#include <vector>

#include "pages/ModePages.h"
#include "pages/PageFileCodec.h"
#include "pages/Settings.h"
#include "platform/FileIo.h"
#include "platform/FileTrust.h"
#include "platform/ProgramPaths.h"

namespace {

std::string PathOf(Mode mode, const std::string& folder) { return folder + "/" + PageFileName(mode); }

// Per mode, the page file whose last load did not take in every page: it was
// rejected, stopped part way, held more pages than the list keeps or more
// bytes than its header counts, or could not be read at all, as a FIFO,
// device or folder in its place cannot. Its pages are on no other disk and
// in no registry, so it is kept aside at start-up, or failing that by the
// save that would replace it; one that could not be read cannot be copied
// either, and is never replaced in this session.
struct UnreadPageFile {
  std::string path;  // empty once every page was taken in, or the file is kept
  Status why;
  bool readInPart = true;
};
std::array<UnreadPageFile, AllModes.size()> unreadFiles;

UnreadPageFile& UnreadFileOf(Mode mode) { return unreadFiles[static_cast<std::size_t>(mode)]; }

Status KeepUnreadFile(Mode mode, const std::string& path) {
  UnreadPageFile& unread = UnreadFileOf(mode);
  if (unread.path != path) return Status::Success();
  if (!unread.readInPart)
    return Status::Failure(unread.why.kind,
                           "not replacing " + path + ", which could not be read: " + unread.why.message);
  // Without that copy the save would lose the pages for good; it waits. A
  // file gone since needs no copy.
  if (Status kept = KeepCopyAside(path); !kept.ok() && kept.kind != Status::Kind::NotFound) return kept;
  unread = {};
  return Status::Success();
}

template <class Page>
Status Save(const TPageRegistry<Page>& registry, const std::string& folder) {
  if (Status made = MakeOwnFolder(folder); !made.ok()) return made;
  const std::string path = PathOf(registry.mode, folder);
  if (Status kept = KeepUnreadFile(registry.mode, path); !kept.ok()) return kept;
  return WriteFileAtomically(path, EncodePageFile(registry));
}

template <class Page>
Status Load(TPageRegistry<Page>& registry, const std::string& folder) {
  const std::string path = PathOf(registry.mode, folder);
  UnreadPageFile& unread = UnreadFileOf(registry.mode);
  unread = {};
  // Pages another user could have put there are no one's to load.
  if (Status usable = CheckOwnFolder(folder); !usable.ok()) return usable;
  // Nothing past the largest file the reader accepts is ever read but one
  // byte, which tells a longer file, not read whole, from one of that size:
  // the decoder finds it after the records. A missing file holds no pages.
  // Whatever else stands there unread, a file the user may not read or a
  // FIFO, device or folder the reader refuses, is the user's: every save of
  // the session would fail on it, so start-up names it.
  std::string bytes;
  if (Status read = ReadRegularFile(path, MaxPageFileSize(registry.mode) + 1, bytes); !read.ok()) {
    if (read.kind != Status::Kind::NotFound) unread = {path, read, false};
    return read;
  }
  Status status = DecodePageFile(bytes, registry);
  if (!status.ok()) unread = {path, status};
  return status;
}

template <class Operation>
Status ForAllModes(Operation operation) {
  Status first;
  for (Mode mode : AllModes) {
    Status status = operation(mode);
    if (first.ok() && !status.ok()) first = std::move(status);
  }
  return first;
}

}  // namespace

std::string PageFileName(Mode mode) { return std::string(ModeWord(mode)) + "Pages.dat"; }

Status SavePages(const TPingRegistry& registry, const std::string& folder) { return Save(registry, folder); }
Status SavePages(const TRangeRegistry& registry, const std::string& folder) { return Save(registry, folder); }
Status LoadPages(TPingRegistry& registry, const std::string& folder) { return Load(registry, folder); }
Status LoadPages(TRangeRegistry& registry, const std::string& folder) { return Load(registry, folder); }

Status SavePages(Mode mode) {
  const std::string folder = ConfigFolder();
  return WithModeRegistry(mode, [&](const auto& registry) { return Save(registry, folder); });
}

Status LoadPages(Mode mode) {
  const std::string folder = ConfigFolder();
  return WithModeRegistry(mode, [&](auto& registry) { return Load(registry, folder); });
}

Status SaveAllPages() {
  return ForAllModes([](Mode mode) { return SavePages(mode); });
}

Status LoadAllPages() {
  return ForAllModes([](Mode mode) { return LoadPages(mode); });
}

std::vector<UnreadFile> KeepUnreadPageFilesAside(const std::string& folder) {
  std::vector<UnreadFile> told;
  for (const Mode mode : AllModes) {
    UnreadPageFile& unread = UnreadFileOf(mode);
    const std::string path = PathOf(mode, folder);
    if (unread.path != path) continue;
    if (!unread.readInPart) {
      if (std::optional<UnreadFile> file = LeaveUnread(path, unread.why)) told.push_back(std::move(*file));
      continue;
    }
    std::optional<UnreadFile> file = KeepReadInPartAside(path, unread.why.message);
    // Kept now, or gone: the save has nothing left to keep. A copy that
    // failed is the save's to try again.
    if (!file || file->keepFailure.empty()) unread = {};
    if (file) told.push_back(std::move(*file));
  }
  return told;
}

std::vector<UnreadFile> KeepUnreadFilesAside() {
  std::vector<UnreadFile> told = KeepUnreadPageFilesAside(ConfigFolder());
  if (std::optional<UnreadFile> config = KeepUnreadConfigAside()) told.push_back(std::move(*config));
  return told;
}

void RemoveSaveLeftovers(const std::string& folder) {
  if (!CheckOwnFolder(folder).ok()) return;
  std::vector<std::string> paths;
  for (const Mode mode : AllModes) paths.push_back(PathOf(mode, folder));
  paths.push_back(folder + "/" + ConfigFileName);
  RemoveStaleTemporaries(paths);
}

void RemoveSaveLeftovers() { RemoveSaveLeftovers(ConfigFolder()); }
