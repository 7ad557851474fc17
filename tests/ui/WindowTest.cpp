#include "WindowTest.h"

#include <QItemSelectionModel>

#include "automation/AutoTasksModel.h"
#include "pages/PageFiles.h"

TFormPing& WindowTest::Start(TFormPing::Hooks hooks) {
  Close();
  if (!hooks.ConfirmClose)
    hooks.ConfirmClose = [this](QWidget*) {
      ++closeQuestions_;
      return closeAnswer_;
    };
  window_ = std::make_unique<TFormPing>(std::move(hooks));
  const Status started = window_->FormCreate();
  EXPECT_TRUE(started.ok()) << started.message;
  tasks_ = std::make_unique<TFormAutoTasks>(window_.get());
  for (const Mode mode : AllModes)
    for (QAbstractItemModel* model :
         {Frame(mode).HostView()->model(), static_cast<QAbstractItemModel*>(Frame(mode).Replies),
          static_cast<QAbstractItemModel*>(Pages(mode).Model)})
      testers_.push_back(std::make_unique<QAbstractItemModelTester>(
          model, QAbstractItemModelTester::FailureReportingMode::Fatal));
  testers_.push_back(std::make_unique<QAbstractItemModelTester>(
      tasks_->Tasks, QAbstractItemModelTester::FailureReportingMode::Fatal));
  return *window_;
}

TPingRegistry& RegistryOf(Mode mode) {
  return mode == Mode::Ping         ? PingRegistry
         : mode == Mode::MultiPing  ? MultiPingRegistry
         : mode == Mode::Traceroute ? TracerouteRegistry
                                    : PathPingRegistry;
}

TPageCommon& ShownPage(Mode mode) {
  if (mode == Mode::RangePing) return *RangePingRegistry.CurrentPage();
  return *RegistryOf(mode).CurrentPage();
}

std::unique_ptr<TPingRegistry> WindowTest::ReadPingFile(Mode mode) {
  auto registry = std::make_unique<TPingRegistry>(mode);
  LoadPages(*registry, ConfigFolder());
  return registry;
}

QStringList RowCells(const QAbstractItemModel& model, int row) {
  QStringList cells;
  for (int c = 0; c < model.columnCount(); ++c) cells << model.index(row, c).data().toString();
  return cells;
}

QStringList Column(const QAbstractItemModel& model, int column) {
  QStringList cells;
  for (int r = 0; r < model.rowCount(); ++r) cells << model.index(r, column).data().toString();
  return cells;
}

void Select(QTreeView* view, int row) {
  view->selectionModel()->setCurrentIndex(view->model()->index(row, 0),
                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}
