#include "pages/PageFiles.h"

#include <array>
#include <filesystem>
#include <vector>

#include "pages/ModePages.h"
#include "pages/PageFileCodec.h"
#include "pages/Settings.h"
#include "platform/FileIo.h"
#include "platform/ProgramPaths.h"

namespace {

std::string PathOf(Mode mode, const std::string& folder) { return folder + "/" + PageFileName(mode); }

// Per mode, the page file whose last load was rejected or stopped part way.
// Its pages are on no other disk and in no registry, so the save that would
// replace it first keeps it beside as "<name>.bad".
std::array<std::string, AllModes.size()> unreadFiles;

std::string& UnreadFile(Mode mode) { return unreadFiles[static_cast<std::size_t>(mode)]; }

Status KeepUnreadFile(Mode mode, const std::string& path) {
  std::string& unread = UnreadFile(mode);
  if (unread != path) return Status::Success();
  std::error_code error;
  if (std::filesystem::exists(path, error)) {
    // Without that copy the save would lose the pages for good; it waits.
    if (Status kept = CopyFile(path, path + ".bad"); !kept.ok()) return kept;
  }
  unread.clear();
  return Status::Success();
}

template <class Page>
Status Save(const TPageRegistry<Page>& registry, const std::string& folder) {
  if (Status made = MakeFolder(folder); !made.ok()) return made;
  const std::string path = PathOf(registry.mode, folder);
  if (Status kept = KeepUnreadFile(registry.mode, path); !kept.ok()) return kept;
  return WriteFileAtomically(path, EncodePageFile(registry));
}

template <class Page>
Status Load(TPageRegistry<Page>& registry, const std::string& folder) {
  const std::string path = PathOf(registry.mode, folder);
  // Nothing past the largest file the reader accepts is ever read.
  const auto bytes = ReadFilePrefix(path, MaxPageFileSize(registry.mode));
  std::string& unread = UnreadFile(registry.mode);
  unread.clear();
  if (!bytes) return Status::Failure(Status::Kind::NotFound, "cannot open " + path);
  Status status = DecodePageFile(*bytes, registry);
  if (!status.ok()) unread = path;
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

void RemoveSaveLeftovers(const std::string& folder) {
  std::vector<std::string> paths;
  for (const Mode mode : AllModes) paths.push_back(PathOf(mode, folder));
  paths.push_back(folder + "/" + ConfigFileName);
  RemoveStaleTemporaries(paths);
}

void RemoveSaveLeftovers() { RemoveSaveLeftovers(ConfigFolder()); }
