#include "platform/ProgramPaths.h"

#include <pwd.h>
#include <sys/auxv.h>
#include <sys/stat.h>
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
  std::string config, results;  // both empty when there is nowhere to keep them
};

std::mutex folderMutex;
std::string overrideFolder;           // guarded by folderMutex
std::optional<ChosenFolders> chosen;  // guarded by folderMutex

// The real path of the executable file at `path` (relative ones from the
// working folder); empty when there is none.
std::string ExecutableAt(const std::string& path) {
  struct stat info {};
  if (path.empty() || ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
      ::access(path.c_str(), X_OK) != 0)
    return {};
  std::error_code error;
  const auto real = std::filesystem::canonical(path, error);
  return error ? std::string() : real.string();
}

// argv[0] as a shell and the toolkit read it: a path when it holds a slash,
// else a name that PATH led to. Only absolute entries of PATH are tried: an
// empty or relative one names the working folder, which is only a guess.
std::string ExecutableNamed(const std::string& name) {
  if (name.empty()) return {};
  if (name.find('/') != std::string::npos) return ExecutableAt(name);
  const char* variable = std::getenv("PATH");
  const std::string search = variable ? variable : "/bin:/usr/bin";  // the search path of execvp without PATH
  for (std::size_t start = 0; start <= search.size();) {
    std::size_t end = search.find(':', start);
    if (end == std::string::npos) end = search.size();
    const std::string folder = search.substr(start, end - start);
    if (folder.starts_with('/'))
      if (std::string found = ExecutableAt(folder + "/" + name); !found.empty()) return found;
    start = end + 1;
  }
  return {};
}

std::string FindExecutable() {
  std::error_code error;
  if (const auto exe = std::filesystem::read_symlink("/proc/self/exe", error); !error) return exe.string();
  // Without /proc: the path the system was asked to start, which it hands
  // to every program (relative to the working folder it starts in, which
  // this program never leaves), then argv[0].
  if (const auto* started = reinterpret_cast<const char*>(::getauxval(AT_EXECFN)))
    if (std::string found = ExecutableAt(started); !found.empty()) return found;
  return ExecutableNamed(program_invocation_name ? program_invocation_name : "");
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
std::string ProgramFolderLocked() {
  if (!overrideFolder.empty()) return overrideFolder;
  const std::string exe = ExecutablePath();
  return exe.empty() ? std::string() : std::filesystem::path(exe).parent_path().string();
}

// One test of the program's folder decides both, so that the pages and the
// reports never end up on different sides of it. A program that cannot tell
// its folder keeps them where an installed copy does: the working folder
// would be a guess. A user without a home has no folder of their own: both
// stay in the program's folder, where every save fails and says so, rather
// than go anywhere other users can reach; without a program folder either,
// there is nowhere. The trust rule learns the program's folder at the same
// time, before any file in these folders is touched. Called with
// folderMutex held.
const ChosenFolders& Chosen() {
  if (chosen) return *chosen;
  const std::string program = ProgramFolderLocked();
  SetTrustedProgramFolder(program);
  if (program.empty() || !Writable(program)) {
    const std::string config = UserFolder("XDG_CONFIG_HOME", ".config");
    const std::string results = UserFolder("XDG_DATA_HOME", ".local/share");
    if (!config.empty() && !results.empty())
      return chosen.emplace(ChosenFolders{config + "/Config", results + "/Results"});
  }
  if (program.empty()) return chosen.emplace();
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
  // Once: a relative path that led to it holds only from where the program started.
  static const std::string path = FindExecutable();
  return path;
}

void SetProgramFolderOverride(const std::string& folder) {
  std::lock_guard lock(folderMutex);
  overrideFolder = folder;
  chosen.reset();
  SetTrustedProgramFolder(ProgramFolderLocked());
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
  std::string program;
  ChosenFolders own;
  {
    std::lock_guard lock(folderMutex);
    program = ProgramFolderLocked();
    own = Chosen();
  }
  std::vector<std::string> notices;
  if (program.empty() && !own.config.empty())
    notices.push_back(
        "The program's own folder cannot be told (/proc/self/exe cannot be read, and neither the "
        "path it was started by nor its name leads to it): the pages and settings are kept in " +
        own.config + ", not beside the program.");
  if (own.config.empty()) return notices;
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
