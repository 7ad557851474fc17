#include "ui/ReportSaveDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>

namespace {

// The file types in the order of SaveFileAnswer::filterIndex, and the
// extension each gives a name.
const QStringList Types = {QStringLiteral("TXT files (*.txt)"), QStringLiteral("CSV files (*.csv)")};
const QStringList Extensions = {QStringLiteral(".txt"), QStringLiteral(".csv")};

}  // namespace

ReportSaveDialog::ReportSaveDialog(QWidget* parent) : parent_(parent) {}

QFileDialog& ReportSaveDialog::Dialog() {
  if (!dialog_) {
    dialog_ = new QFileDialog(parent_);
    dialog_->setAcceptMode(QFileDialog::AcceptSave);
    dialog_->setFileMode(QFileDialog::AnyFile);
    dialog_->setNameFilters(Types);
    // The tool bars replace a report of the same name without asking; the
    // extension is theirs to add, for the type chosen, not Qt's.
    dialog_->setOption(QFileDialog::DontConfirmOverwrite);
  }
  return *dialog_;
}

std::optional<SaveFileAnswer> ReportSaveDialog::Ask(const QString& proposedName) {
  QFileDialog& dialog = Dialog();
  // Offered with the extension of the type shown: when the type changes, Qt's
  // own dialog replaces whatever follows the last dot, and addresses and page
  // names have dots of their own.
  const qsizetype offeredType = std::max<qsizetype>(Types.indexOf(dialog.selectedNameFilter()), 0);
  const QString offered = proposedName + Extensions[offeredType];
  // Qt's own dialog cannot show a folder that does not exist yet: it would
  // take the name as one relative to the folder it last showed. It shows the
  // nearest folder that exists, and the rest of the path goes into the name.
  const QString folder = QFileInfo(offered).absolutePath();
  QString shown = folder;
  while (!QFileInfo(shown).isDir()) shown = QFileInfo(shown).absolutePath();
  if (shown == folder) {
    dialog.selectFile(offered);
  } else {
    dialog.setDirectory(shown);
    dialog.selectFile(QDir(shown).relativeFilePath(offered));
  }
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return std::nullopt;
  const qsizetype type = Types.indexOf(dialog.selectedNameFilter());
  // A dialog that keeps the name when the type changes hands the offered
  // name back as it was: it takes the extension of the type chosen.
  if (type >= 0 && type != offeredType && files.first() == offered)
    return SaveFileAnswer{proposedName + Extensions[type], static_cast<int>(type) + 1};
  return SaveFileAnswer{files.first(), static_cast<int>(type) + 1};
}
