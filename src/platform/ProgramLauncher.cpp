#include "platform/ProgramLauncher.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <optional>
#include <utility>

#include "platform/FileIo.h"

namespace {

ProgramLaunchFunction& Launcher() {
  static ProgramLaunchFunction launcher;
  return launcher;
}

Status StartWithQProcess(const std::string& program, const std::vector<std::string>& arguments) {
  QStringList list;
  list.reserve(static_cast<qsizetype>(arguments.size()));
  for (const std::string& argument : arguments) list.append(QString::fromStdString(argument));
  // An object rather than the static call: only the object keeps the
  // system's reason when the start fails.
  QProcess process;
  process.setProgram(QString::fromStdString(program));
  process.setArguments(list);
  if (process.startDetached()) return Status::Success();
  return Status::Failure(Status::Kind::IoError, process.errorString().toStdString());
}

}  // namespace

void SetProgramLauncher(ProgramLaunchFunction launcher) { Launcher() = std::move(launcher); }

Status StartDetachedProgram(const std::string& program, const std::vector<std::string>& arguments) {
  if (Launcher()) return Launcher()(program, arguments);
  return StartWithQProcess(program, arguments);
}

bool IsProgramFile(const std::string& path) {
  if (path.empty()) return false;
  const QString name = QString::fromStdString(path);
  // A bare name is looked up the way the launcher will look it up.
  if (!name.contains(u'/')) return !QStandardPaths::findExecutable(name).isEmpty();
  const QFileInfo info(name);
  return info.isFile() && info.isExecutable();
}

bool LooksLikeProgram(const std::string& path) {
  if (path.empty()) return false;
  if (!IsThere(path)) return true;
  const std::optional<std::string> start = ReadFilePrefix(path, 4);
  return start && (start->starts_with("#!") || *start == "\177ELF");
}
