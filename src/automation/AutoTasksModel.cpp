#include "automation/AutoTasksModel.h"

#include <algorithm>

#include "pages/ModePages.h"
#include "pages/EditorNumbers.h"
#include "pages/TextHelpers.h"

namespace {

// The text as the page file keeps it: up to a NUL, cut where no character
// is split.
std::string ExecText(const std::string& text) {
  return CutUtf8(std::string_view(text).substr(0, text.find('\0')), MaxExecTextBytes);
}

}  // namespace

bool FitsExecText(std::string_view text) {
  return text.size() <= MaxExecTextBytes && text.find('\0') == std::string_view::npos;
}

AutoTasksModel::AutoTasksModel(QObject* parent) : QAbstractTableModel(parent) {}

int AutoTasksModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : TaskCount(); }

int AutoTasksModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ColumnCount;
}

QVariant AutoTasksModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= TaskCount()) return {};
  const TaskRowTexts row = TaskRow(Task(index.row()));
  switch (index.column()) {
    case 0:
      return QString::fromStdString(row.Type);
    case 1:
      return QString::fromStdString(row.Time);
    case 2:
      return QString::fromStdString(row.Retries);
    default:
      return {};
  }
}

QVariant AutoTasksModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case 0:
      return QStringLiteral("Type");
    case 1:
      return QStringLiteral("Time");
    case 2:
      return QStringLiteral("Retries");
    default:
      return {};
  }
}

void AutoTasksModel::LoadTasksFromPage(Mode mode, int pageIndex) {
  beginResetModel();
  attachedId_ = -1;
  tasks_.clear();
  if (const TPageCommon* page = ModePage(mode, pageIndex)) {
    attachedMode_ = mode;
    attachedId_ = page->Id;
    const int count = std::clamp(page->TaskCount, 0, MaxTasks);
    tasks_.assign(page->Tasks.begin(), page->Tasks.begin() + count);
    for (TAutoTask& task : tasks_) task.Fired = false;

    everyMinutes_ = page->EveryMinutes;
    controls_.StartOnStartup = page->StartOnStartup;
    controls_.StartEvery = page->StartEvery;
    controls_.EveryText = IntToStrA(page->EveryMinutes);
    controls_.StartSchedules = page->StartSchedules;
    controls_.SaveResult = page->SaveResult;
    controls_.ResultWithReplys = page->ResultWithReplys;
    controls_.ResultIpList = page->ResultIpList;
    controls_.ResultTxt = page->ResultFormat == 0;
    controls_.ExecuteProgram = page->ExecuteProgram;
    controls_.HideWindow = page->HideWindow;
    controls_.ExecPath = page->ExecPath;
    controls_.ExecParam = page->ExecParam;
  }
  endResetModel();
}

bool AutoTasksModel::StoreTasksToPage(const AutomationControls& controls) {
  if (!Attached()) return false;
  TPageCommon* page = ModePageById(attachedMode_, attachedId_);
  if (!page) return false;

  page->TaskCount = std::clamp(TaskCount(), 0, MaxTasks);
  for (int j = 0; j < page->TaskCount; ++j) {
    TAutoTask task = tasks_[static_cast<std::size_t>(j)];
    task.Fired = false;
    page->Tasks[static_cast<std::size_t>(j)] = task;
  }
  page->StartOnStartup = controls.StartOnStartup;
  page->StartEvery = controls.StartEvery;
  page->EveryMinutes = StrToInt(controls.EveryText).value_or(everyMinutes_);
  page->StartSchedules = controls.StartSchedules;
  page->SaveResult = controls.SaveResult;
  page->ResultFormat = controls.ResultTxt ? 0 : 1;
  page->ResultWithReplys = controls.ResultWithReplys;
  page->ResultIpList = controls.ResultIpList;
  page->ExecuteProgram = controls.ExecuteProgram;
  page->HideWindow = controls.HideWindow;
  page->ExecPath = ExecText(controls.ExecPath);
  page->ExecParam = ExecText(controls.ExecParam);
  return true;
}

bool AutoTasksModel::AddTask(const TaskEditorFields& fields) {
  if (TaskCount() >= MaxTasks) return false;
  const TAutoTask task = BuildTask(fields);
  beginInsertRows({}, TaskCount(), TaskCount());
  tasks_.push_back(task);
  endInsertRows();
  return true;
}

int AutoTasksModel::DeleteTask(int row) {
  if (row < 0 || row >= TaskCount()) return -1;
  beginRemoveRows({}, row, row);
  tasks_.erase(tasks_.begin() + row);
  endRemoveRows();
  if (row > 0) return row - 1;
  return TaskCount() > 0 ? 0 : -1;
}
