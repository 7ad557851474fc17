#include "platform/ProgramLauncher.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <utility>

namespace {

ProgramLaunchFunction& Launcher() {
  static ProgramLaunchFunction launcher;
  return launcher;
}

bool StartWithQProcess(const std::string& program, const std::vector<std::string>& arguments) {
  QStringList list;
  list.reserve(static_cast<qsizetype>(arguments.size()));
  for (const std::string& argument : arguments) list.append(QString::fromStdString(argument));
  return QProcess::startDetached(QString::fromStdString(program), list);
}

}  // namespace

void SetProgramLauncher(ProgramLaunchFunction launcher) { Launcher() = std::move(launcher); }

bool StartDetachedProgram(const std::string& program, const std::vector<std::string>& arguments) {
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
