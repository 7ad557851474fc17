#include "platform/Autostart.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/FileIo.h"
#include "platform/PosixFile.h"
#include "platform/ProgramPaths.h"

namespace {

constexpr const char* EntryName = "velquor.desktop";

// One argument quoted for an Exec line: inside double quotes a backslash
// escapes '"', '`', '$' and itself; a literal '%' is written "%%" because
// the launcher expands field codes after it has undone the quoting.
std::string QuotedArgument(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    if (c == '%') quoted += '%';
    quoted += c;
  }
  return quoted + "\"";
}

// The string escapes of a desktop entry value, which a reader undoes before
// it looks at the quoting: so a backslash of the quoting is written twice.
std::string EscapedValue(const std::string& text) {
  std::string escaped;
  for (const char c : text) {
    switch (c) {
      case '\\':
        escaped += "\\\\";
        break;
      case '\n':
        escaped += "\\n";
        break;
      case '\t':
        escaped += "\\t";
        break;
      case '\r':
        escaped += "\\r";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

}  // namespace

std::string AutostartEntryPath() {
  // A relative XDG_CONFIG_HOME is invalid by the base directory rules and
  // is ignored, like an empty one.
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && config[0] == '/') return std::string(config) + "/autostart/" + EntryName;
  const std::string home = UserHomeFolder();
  return home.empty() ? std::string() : home + "/.config/autostart/" + EntryName;
}

std::string DesktopExecValue(const std::string& program) {
  std::string command = QuotedArgument(program);
  // Launchers check that the program exists before they expand "%%", so a
  // path holding '%' would be refused as missing. Handing it to env instead
  // keeps the check on a program that exists; a path holding '=' cannot go
  // that way, as env would take it for a variable.
  if (program.find('%') != std::string::npos && program.find('=') == std::string::npos)
    command = "env " + command;
  return EscapedValue(command);
}

std::string AutostartEntryText(const std::string& program) {
  return "[Desktop Entry]\nType=Application\nName=Velquor\nExec=" + DesktopExecValue(program) +
         "\nTerminal=false\n";
}

Status SetStartAtLogin(bool start, const std::string& program) {
  const std::string path = AutostartEntryPath();
  if (path.empty()) return Status::Failure(Status::Kind::NotFound, "no configuration folder for autostart");
  if (!start) {
    // ENOTDIR: something other than a folder stands where the folder
    // should be, so no entry can be there either.
    if (std::remove(path.c_str()) != 0 && errno != ENOENT && errno != ENOTDIR)
      return ErrnoStatus(errno, "cannot remove " + path);
    return Status::Success();
  }
  if (program.empty()) return Status::Failure(Status::Kind::Invalid, "no program to start");
  if (Status folder = MakeFolder(std::filesystem::path(path).parent_path().string()); !folder.ok())
    return folder;
  return WriteFileAtomically(path, AutostartEntryText(program));
}

bool StartAtLoginEntryExists() {
  const std::string path = AutostartEntryPath();
  std::error_code error;
  return !path.empty() && std::filesystem::is_regular_file(path, error);
}
