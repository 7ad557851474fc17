#pragma once

#include <QString>
#include <functional>
#include <optional>

class QFileDialog;
class QWidget;

// What a save dialog returns when the user confirms: the path as typed or
// picked, and the chosen file type's position in the list of types, from 1
// ("TXT files" 1, "CSV files" 2).
struct SaveFileAnswer {
  QString fileName;
  int filterIndex = 0;
};

// Shows the save dialog with `proposedName` (a full path without extension)
// and waits for it to close; nothing when the user cancels. The window's
// own dialog by default; tests put in one of their own.
using AskSaveFileFunction = std::function<std::optional<SaveFileAnswer>(const QString& proposedName)>;

// The one save dialog of the report tool bars of all five tabs. It lives as
// long as the window, so the file type chosen last is offered again on any
// tab until the program ends. The name is offered with that type's extension,
// and a change of type changes only the extension. No question is asked
// before an existing file is replaced. Modal: timers and run callbacks go on
// while it is open.
class ReportSaveDialog {
 public:
  explicit ReportSaveDialog(QWidget* parent);
  ReportSaveDialog(const ReportSaveDialog&) = delete;
  ReportSaveDialog& operator=(const ReportSaveDialog&) = delete;

  std::optional<SaveFileAnswer> Ask(const QString& proposedName);

 private:
  // Made at the first save, so that a window that never saves builds none.
  QFileDialog& Dialog();

  QWidget* parent_;
  QFileDialog* dialog_ = nullptr;  // a child of parent_
};
