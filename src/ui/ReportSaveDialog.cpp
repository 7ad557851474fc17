#include "ui/ReportSaveDialog.h"

#include <QFileDialog>
#include <QStringList>

ReportSaveDialog::ReportSaveDialog(QWidget* parent) : parent_(parent) {}

ReportSaveDialog::~ReportSaveDialog() = default;

QFileDialog& ReportSaveDialog::Dialog() {
  if (!dialog_) {
    dialog_ = new QFileDialog(parent_);
    dialog_->setAcceptMode(QFileDialog::AcceptSave);
    dialog_->setFileMode(QFileDialog::AnyFile);
    dialog_->setNameFilters({QStringLiteral("TXT files (*.txt)"), QStringLiteral("CSV files (*.csv)")});
    // The tool bars replace a report of the same name without asking; the
    // extension is theirs to add, for the type chosen, not Qt's.
    dialog_->setOption(QFileDialog::DontConfirmOverwrite);
  }
  return *dialog_;
}

std::optional<SaveFileAnswer> ReportSaveDialog::Ask(const QString& proposedName) {
  QFileDialog& dialog = Dialog();
  dialog.selectFile(proposedName);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return std::nullopt;
  return SaveFileAnswer{files.first(),
                        static_cast<int>(dialog.nameFilters().indexOf(dialog.selectedNameFilter())) + 1};
}
