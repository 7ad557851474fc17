#pragma once

#include <QObject>
#include <string>

#include "pages/PageTypes.h"
#include "platform/Status.h"
#include "ui/ReportSaveDialog.h"

class TabViews;

// The result tool bars of the five measuring tabs, one shape for all of them:
// "Open result folder", "Save result", "Save result with replies", "Save IP
// list" (IP range ping), "Clear result", and below the replies "Save result
// with replies for selected host". Each acts on the tab's current page.
// A save whose page has no resolved result (or, for one host, no answering
// selected row) shows nothing. Otherwise it proposes a name in the save
// dialog and, once the user confirms, writes the report in the type chosen
// there: the page index and the selected host are read again at that moment,
// since timers and runs go on while the dialog is open, and the writer's own
// guards decide. A report that is not written (a guard refused, the folder
// cannot be made, the disk failed) is told in a message box naming the file
// and the reason. Every handler catches and drops exceptions.
class ResultToolBars : public QObject {
  Q_OBJECT

 public:
  ResultToolBars(TabViews& views, AskSaveFileFunction askSaveFile, QObject* parent = nullptr);

  // Opens the applied result folder, whatever the Options tab's box shows;
  // says so when nothing opens it.
  void OpenResultFolderClick(Mode mode);
  // reportMode: rmResult, rmWithReplies or rmIpList.
  void SaveResultClick(Mode mode, int reportMode);
  void SaveSelectedHostClick(Mode mode);
  // Stops the current page's run, then clears its result without asking; a
  // Multi ping page keeps its host list.
  void ClearResultClick(Mode mode);

 private:
  struct Target {
    std::string fileName;
    bool csv = false;
  };
  // Shows the dialog with the proposed name and fills in the file to write
  // and its format; false when the user cancels.
  bool AskTarget(const std::string& proposedName, Target& target);
  void TellIfFailed(Mode mode, const std::string& fileName, const Status& saved);

  TabViews& views_;
  AskSaveFileFunction askSaveFile_;
};
