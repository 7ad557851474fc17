#include "platform/ProgramPaths.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>
#include <vector>

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

}  // namespace

std::string UserHomeFolder() {
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return home;
  // The real user's entry, not the effective one: a program given more
  // rights by its file must still write where the person running it lives.
  const long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 4096);
  passwd entry{};
  passwd* found = nullptr;
  int error;
  while ((error = ::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found)) == ERANGE &&
         buffer.size() < (std::size_t{1} << 20))
    buffer.resize(buffer.size() * 2);
  if (error != 0 || !found || !found->pw_dir || found->pw_dir[0] != '/') return {};
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
