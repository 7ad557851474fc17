#pragma once

#include <QAbstractTableModel>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "automation/TaskEntries.h"
#include "pages/PageTypes.h"

// Bytes of UTF-8 that "Path:" and "Command line:" hold, as the page file
// keeps them; the dialog's edits refuse more, so what they show is what a
// restart brings back.
inline constexpr std::size_t MaxExecTextBytes = 280;
bool FitsExecText(std::string_view text);

// What the dialog's controls show of a page's start options and end-of-run
// settings, and what they hold when "Ok" is pressed. The defaults are those
// the dialog opens with.
struct AutomationControls {
  bool StartOnStartup = false;
  bool StartEvery = false;
  std::string EveryText = "0";  // "Start every" N "minutes"
  bool StartSchedules = false;
  bool SaveResult = false;
  bool ResultWithReplys = false;
  bool ResultIpList = false;
  bool ResultTxt = false;  // "TXT file"; otherwise "CSV file"
  bool ExecuteProgram = false;
  bool HideWindow = false;  // kept and stored; no effect on this platform
  std::string ExecPath;
  std::string ExecParam;

  friend bool operator==(const AutomationControls&, const AutomationControls&) = default;
};

// The "Auto tasks" dialog's state: the page it is attached to, its working
// copy of the page's schedule entries (the list, one row per entry, columns
// "Type", "Time", "Retries") and of the automation block. The page changes
// only in StoreTasksToPage, which the dialog calls on "Ok"; "Cancel" simply
// drops the working copy. User-interface thread only; the scheduler keeps
// running while the dialog is open and never sees the working copy.
class AutoTasksModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  static constexpr int ColumnCount = 3;

  explicit AutoTasksModel(QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  // Attaches the dialog to page `pageIndex` of the mode's registry and
  // copies its entries (at most MaxTasks, latches cleared) and its settings
  // into the working copy and Controls(). Without such a page the dialog is
  // detached: the list is emptied and Controls() keep what they held.
  void LoadTasksFromPage(Mode mode, int pageIndex);
  bool Attached() const { return attachedId_ >= 0; }
  // What the controls are to show after a load.
  const AutomationControls& Controls() const { return controls_; }

  // Writes the working copy into the attached page: the entries, every latch
  // cleared, and the settings read from `controls`. "Start every" keeps the
  // page's value when its text is no integer; any integer is taken as typed.
  // "Path:" and "Command line:" end at a NUL and are cut to MaxExecTextBytes
  // at a character boundary. The page is found again by its id, so a page
  // deleted meanwhile is simply not written. False when nothing was written.
  bool StoreTasksToPage(const AutomationControls& controls);

  int TaskCount() const { return static_cast<int>(tasks_.size()); }
  const TAutoTask& Task(int row) const { return tasks_.at(static_cast<std::size_t>(row)); }

  // "Add": appends the entry the editor describes; false (and nothing
  // changes) when the list already holds MaxTasks entries.
  bool AddTask(const TaskEditorFields& fields);
  // "Delete": removes entry `row` and returns the row to select next (the
  // one above, else the new first row), or -1 when none is left or `row`
  // is no entry.
  int DeleteTask(int row);

 private:
  Mode attachedMode_ = Mode::Ping;
  int attachedId_ = -1;  // page id; -1 = detached
  std::vector<TAutoTask> tasks_;
  std::int32_t everyMinutes_ = 0;  // the loaded value, kept when EveryText is no integer
  AutomationControls controls_;
};
