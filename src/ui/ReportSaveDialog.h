#pragma once

#include <QString>
#include <functional>
#include <optional>

class QFileDialog;
class QWidget;

// What a save dialog returns when the user confirms: the path to write (as
// typed or picked, with ".txt" or ".csv" for the chosen type added unless it
// already ends in either, in any case), and the chosen file type's position
// in the list of types, from 1 ("TXT files" 1, "CSV files" 2).
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
// and a change of type changes only the extension. Before a file that exists
// is replaced the user is asked, about the name as it will be written; "No"
// brings the dialog back with that name. Modal: timers and run callbacks go
// on while it is open.
class ReportSaveDialog {
 public:
  explicit ReportSaveDialog(QWidget* parent);
  ReportSaveDialog(const ReportSaveDialog&) = delete;
  ReportSaveDialog& operator=(const ReportSaveDialog&) = delete;

  std::optional<SaveFileAnswer> Ask(const QString& proposedName);

 private:
  // Made at the first save, so that a window that never saves builds none.
  QFileDialog& Dialog();
  // Shows the dialog with `offered` as the name, and waits for it to close;
  // the answer with the extension on, nothing when the user cancels.
  std::optional<SaveFileAnswer> Choose(const QString& offered);
  // Whether the user lets `fileName`, which exists, be replaced.
  bool MayReplace(const QString& fileName);

  QWidget* parent_;
  QFileDialog* dialog_ = nullptr;  // a child of parent_
};
