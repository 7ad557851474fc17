#include "platform/ProgramPaths.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>

namespace {

std::mutex overrideMutex;
std::string overrideFolder;  // guarded by overrideMutex

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

}  // namespace

std::string ExecutablePath() {
  std::error_code error;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : exe.string();
}

void SetProgramFolderOverride(const std::string& folder) {
  std::lock_guard lock(overrideMutex);
  overrideFolder = folder;
}

std::string ProgramFolder() {
  {
    std::lock_guard lock(overrideMutex);
    if (!overrideFolder.empty()) return overrideFolder;
  }
  return ExecutableFolder();
}

std::string ConfigFolder() {
  const std::string program = ProgramFolder();
  if (Writable(program)) return program + "/Config";
  return UserFolder("XDG_CONFIG_HOME", ".config") + "/Config";
}

std::string DefaultResultFolder() {
  const std::string program = ProgramFolder();
  if (Writable(program)) return program + "/Results";
  return UserFolder("XDG_DATA_HOME", ".local/share") + "/Results";
}
