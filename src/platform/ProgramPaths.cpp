#include "platform/ProgramPaths.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>

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
// rules: $XDG_<kind>_HOME/velquor, else ~/<fallback>/velquor.
std::string UserFolder(const char* variable, const char* fallback) {
  const char* base = std::getenv(variable);
  if (base && base[0] == '/') return std::string(base) + "/velquor";
  const char* home = std::getenv("HOME");
  return std::string(home && home[0] ? home : "/tmp") + "/" + fallback + "/velquor";
}

// One test of the program's folder decides both, so that the pages and the
// reports never end up on different sides of it. Called with folderMutex held.
const ChosenFolders& Chosen() {
  if (!chosen) {
    const std::string program = overrideFolder.empty() ? ExecutableFolder() : overrideFolder;
    if (Writable(program))
      chosen = ChosenFolders{program + "/Config", program + "/Results"};
    else
      chosen = ChosenFolders{UserFolder("XDG_CONFIG_HOME", ".config") + "/Config",
                             UserFolder("XDG_DATA_HOME", ".local/share") + "/Results"};
  }
  return *chosen;
}

}  // namespace

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
  {
    std::lock_guard lock(folderMutex);
    if (!overrideFolder.empty()) return overrideFolder;
  }
  return ExecutableFolder();
}

std::string ConfigFolder() {
  std::lock_guard lock(folderMutex);
  return Chosen().config;
}

std::string DefaultResultFolder() {
  std::lock_guard lock(folderMutex);
  return Chosen().results;
}
