#include "WindowTest.h"

#include <arpa/inet.h>

#include <QItemSelectionModel>
#include <QTimer>
#include <QWindow>

#include "automation/AutoTasksModel.h"
#include "pages/ModePages.h"
#include "pages/PageFiles.h"

TFormPing& WindowTest::Start() {
  Close();
  TFormPing::Hooks hooks;
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

TPageCommon& ShownPage(Mode mode) {
  return *ModePage(mode, WithModeRegistry(mode, [](const auto& registry) { return registry.Current; }));
}

THostResult& HostOf(Mode mode, int page, std::size_t row) {
  if (mode == Mode::RangePing) return *RangePingRegistry.At(page)->Hosts[row];
  return static_cast<TPingPage*>(ModePage(mode, page))->Hosts[row];
}

TPageCommon& GiveResult(Mode mode, int index, const std::vector<Record>& records, int selected,
                        std::int32_t state) {
  TPageCommon& page = *ModePage(mode, index);
  const auto count = static_cast<std::int32_t>(records.size());
  if (mode == Mode::RangePing) {
    auto& range = static_cast<TRangePingPage&>(page);
    range.Hosts.clear();
    for (std::size_t k = 0; k < records.size(); ++k) range.Hosts.push_back(std::make_unique<THostResult>());
    range.HostCapacity = count;
  }
  for (std::size_t k = 0; k < records.size(); ++k) {
    THostResult& h = HostOf(mode, index, k);
    const Record& r = records[k];
    h.State = r.state;
    h.Host = h.Address = r.address;
    inet_pton(AF_INET, r.address, &h.Ipv4);
    h.Sent = r.sent;
    h.Received = r.state == 0 ? r.sent : 0;
    h.ReplyCapacity = static_cast<std::int32_t>(r.stored);
    h.Replies.assign(r.stored, TReplyRecord{});
  }
  WithModeRegistry(mode, [&](auto& registry) { registry.At(index)->HostCount = count; });
  page.SelectedHost = selected;
  page.ResultState = state;
  return page;
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

QStringList MessagesOf(const std::function<void()>& press, const std::function<void(QMessageBox&)>& answer,
                       const std::function<void(QWidget&)>& otherModal) {
  QStringList told;
  QTimer user;
  QObject::connect(&user, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    // Only what is on the screen can be read and clicked: on an X server a
    // box shown a moment ago may not be there yet, and a click on it is lost.
    if (modal && !(modal->windowHandle() && modal->windowHandle()->isExposed())) return;
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      told << box->text();
      answer ? answer(*box) : void(box->close());
    } else if (modal && otherModal) {
      otherModal(*modal);
    }
  });
  user.start(5);
  press();
  return told;
}
