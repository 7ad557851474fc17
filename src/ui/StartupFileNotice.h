#pragma once

#include <QObject>
#include <QString>
#include <string>
#include <vector>

#include "pages/UnreadFile.h"
#include "ui/OnceShownWarning.h"

class QWidget;

// Tells the user which page files and settings file start-up could not read
// whole, and where they are, after what it found of the program's folders
// (ProgramPaths.h FolderNotices): a line each on stderr at once, and one
// message for all of them when the window is first shown, as the pages they
// hold are missing from it. UI thread only.
class StartupFileNotice : public QObject {
  Q_OBJECT

 public:
  explicit StartupFileNotice(QWidget* window);

  // Once, at start-up; nothing to tell for empty lists.
  void Tell(const std::vector<std::string>& folders, const std::vector<UnreadFile>& files);

  // What becomes of one file, as one sentence that names it.
  static QString Describe(const UnreadFile& file);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowWhenVisible();

  QWidget* window_;
  QString text_;  // waits here until the window shows
  OnceShownWarning warning_;
};
