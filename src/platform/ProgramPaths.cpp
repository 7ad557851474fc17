#include "platform/ProgramPaths.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/FileIo.h"
#include "platform/FileTrust.h"
#include "platform/UserDatabase.h"

namespace {

struct ChosenFolders {
  std::string config, results;
};

std::mutex folderMutex;
std::string overrideFolder;           // guarded by folderMutex
std::optional<ChosenFolders> chosen;  // guarded by folderMutex

std::string ExecutableFolder() {
  const std::string exe = ExecutablePath();
  if (exe.empty()) {
    std::error_code error;
    return std::filesystem::current_path(error).string();
  }
  return std::filesystem::path(exe).parent_path().string();
}

bool Writable(const std::string& folder) { return ::access(folder.c_str(), W_OK | X_OK) == 0; }

// The user's folder for this program's data under the XDG base directory
// rules: $XDG_<kind>_HOME/velquor, else ~/<fallback>/velquor; empty for a
// user without a home.
std::string UserFolder(const char* variable, const char* fallback) {
  const char* base = std::getenv(variable);
  if (base && base[0] == '/') return std::string(base) + "/velquor";
  const std::string home = UserHomeFolder();
  return home.empty() ? std::string() : home + "/" + fallback + "/velquor";
}

// Called with folderMutex held.
std::string ProgramFolderLocked() { return overrideFolder.empty() ? ExecutableFolder() : overrideFolder; }

// One test of the program's folder decides both, so that the pages and the
// reports never end up on different sides of it. A user without a home has
// no folder of their own: both stay in the program's folder, where every
// save fails and says so, rather than go anywhere other users can reach.
// Called with folderMutex held.
const ChosenFolders& Chosen() {
  if (chosen) return *chosen;
  const std::string program = ProgramFolderLocked();
  if (!Writable(program)) {
    const std::string config = UserFolder("XDG_CONFIG_HOME", ".config");
    const std::string results = UserFolder("XDG_DATA_HOME", ".local/share");
    if (!config.empty() && !results.empty())
      return chosen.emplace(ChosenFolders{config + "/Config", results + "/Results"});
  }
  return chosen.emplace(ChosenFolders{program + "/Config", program + "/Results"});
}

std::string Normal(const std::string& folder) {
  const std::filesystem::path path = std::filesystem::path(folder).lexically_normal();
  return (path.has_filename() ? path : path.parent_path()).string();
}

// Whether `folder` is the Config or the default result folder.
bool IsOwnFolder(const std::string& folder) {
  std::lock_guard lock(folderMutex);
  const ChosenFolders& own = Chosen();
  const std::string normal = Normal(folder);
  return normal == Normal(own.config) || normal == Normal(own.results);
}

}  // namespace

std::string UserHomeFolder() {
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return home;
  // The real user's entry, not the effective one: a program given more
  // rights by its file must still write where the person running it lives.
  std::vector<char> buffer;
  passwd entry{};
  const passwd* found = LookUpEntry(entry, buffer, [](passwd* e, char* b, std::size_t n, passwd** f) {
    return ::getpwuid_r(::getuid(), e, b, n, f);
  });
  if (!found || !found->pw_dir || found->pw_dir[0] != '/') return {};
  return found->pw_dir;
}

std::string ExecutablePath() {
  std::error_code error;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : exe.string();
}

void SetProgramFolderOverride(const std::string& folder) {
  std::lock_guard lock(folderMutex);
  overrideFolder = folder;
  chosen.reset();
}

std::string ProgramFolder() {
  std::lock_guard lock(folderMutex);
  return ProgramFolderLocked();
}

std::string ConfigFolder() {
  std::lock_guard lock(folderMutex);
  return Chosen().config;
}

std::string DefaultResultFolder() {
  std::lock_guard lock(folderMutex);
  return Chosen().results;
}

std::vector<std::string> FolderNotices() {
  ChosenFolders own;
  {
    std::lock_guard lock(folderMutex);
    own = Chosen();
  }
  // The checks take the lock themselves, through the program folder's owner.
  std::vector<std::string> notices;
  if (Status config = CheckOwnFolder(own.config); !config.ok())
    notices.push_back(config.message + ": no page or setting is read from it, and every save of them fails.");
  if (Status results = CheckOwnFolder(own.results); !results.ok())
    notices.push_back(results.message + ": the reports meant for it are not saved.");
  return notices;
}

Status MakeFolderForSaving(const std::string& folder) {
  return IsOwnFolder(folder) ? MakeOwnFolder(folder) : MakeFolder(folder);
}

Status FolderMayBeUsed(const std::string& folder) {
  return IsOwnFolder(folder) ? CheckOwnFolder(folder) : Status::Success();
}
