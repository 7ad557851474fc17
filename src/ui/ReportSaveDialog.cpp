#include "ui/ReportSaveDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>
#include <algorithm>

namespace {

// The file types in the order of SaveFileAnswer::filterIndex, and the
// extension each gives a name.
const QStringList Types = {QStringLiteral("TXT files (*.txt)"), QStringLiteral("CSV files (*.csv)")};
const QStringList Extensions = {QStringLiteral(".txt"), QStringLiteral(".csv")};

// The name a report is written to: as confirmed, with the extension of the
// type chosen added unless it already ends in either (in any case).
QString WithReportExtension(const QString& fileName, qsizetype type) {
  for (const QString& extension : Extensions)
    if (fileName.endsWith(extension, Qt::CaseInsensitive)) return fileName;
  return fileName + Extensions[type];
}

// The type the dialog shows; the first before it has shown one.
qsizetype TypeShownIn(const QFileDialog& dialog) {
  return std::max<qsizetype>(Types.indexOf(dialog.selectedNameFilter()), 0);
}

}  // namespace

ReportSaveDialog::ReportSaveDialog(QWidget* parent) : parent_(parent) {}

QFileDialog& ReportSaveDialog::Dialog() {
  if (!dialog_) {
    dialog_ = new QFileDialog(parent_);
    dialog_->setAcceptMode(QFileDialog::AcceptSave);
    dialog_->setFileMode(QFileDialog::AnyFile);
    dialog_->setNameFilters(Types);
    // Qt's own question would be about the name as typed, before the type's
    // extension is on it; Ask() asks about the file that will be written.
    dialog_->setOption(QFileDialog::DontConfirmOverwrite);
  }
  return *dialog_;
}

std::optional<SaveFileAnswer> ReportSaveDialog::Ask(const QString& proposedName) {
  // Offered with the extension of the type shown: when the type changes, Qt's
  // own dialog replaces whatever follows the last dot, and addresses and page
  // names have dots of their own.
  std::optional<SaveFileAnswer> answer = Choose(proposedName + Extensions[TypeShownIn(Dialog())]);
  // Only a regular file (or a link to one) is asked about: the writer refuses
  // anything else, a folder among them, and the tool bars say why.
  while (answer && QFileInfo(answer->fileName).isFile() && !MayReplace(answer->fileName))
    answer = Choose(answer->fileName);
  return answer;
}

std::optional<SaveFileAnswer> ReportSaveDialog::Choose(const QString& offered) {
  QFileDialog& dialog = Dialog();
  const qsizetype offeredType = TypeShownIn(dialog);
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
  const qsizetype type = Types.indexOf(dialog.selectedNameFilter());
  if (files.isEmpty() || type < 0) return std::nullopt;
  // A dialog that keeps the name when the type changes hands the offered
  // name back as it was: it takes the extension of the type chosen.
  QString name = files.first();
  if (type != offeredType && name == offered && offered.endsWith(Extensions[offeredType]))
    name = offered.chopped(Extensions[offeredType].size()) + Extensions[type];
  return SaveFileAnswer{WithReportExtension(name, type), static_cast<int>(type) + 1};
}

bool ReportSaveDialog::MayReplace(const QString& fileName) {
  // The file dialog has closed by now: the question belongs to the window.
  return QMessageBox::question(parent_, QObject::tr("Replace file"),
                               QObject::tr("%1 already exists.\nDo you want to replace it?")
                                   .arg(QDir::toNativeSeparators(fileName)),
                               QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}
