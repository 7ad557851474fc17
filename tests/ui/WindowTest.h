#pragma once

// The fixture of every window test: a main window started over a temporary
// program folder, its models checked by QAbstractItemModelTester through all
// a test does, and the few helpers the tests share. It brings the window's
// frames, models and controls along, so that a window test includes little else.

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QTemporaryDir>
#include <QTreeView>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "QtPrinting.h"
#include "pages/PageOperations.h"
#include "pages/PageRegistry.h"
#include "platform/ProgramPaths.h"
#include "support/Waits.h"
#include "ui/PageListHandlers.h"
#include "ui/PageRunOperations.h"
#include "ui/TFormAutoTasks.h"
#include "ui/TFormPing.h"
#include "ui/TabViews.h"
#include "ui/frames/TFrameMultiPing.h"
#include "ui/frames/TFramePages.h"
#include "ui/frames/TFramePathPing.h"
#include "ui/frames/TFramePing.h"
#include "ui/frames/TFrameRangePing.h"
#include "ui/frames/TFrameTraceroute.h"
#include "ui/models/MultiPingHostModel.h"
#include "ui/models/PageListModel.h"
#include "ui/models/RepliesModel.h"
#include "ui/models/RowListModel.h"
#include "ui/views/TabView.h"

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    SetProgramFolderOverride(Folder());
    QApplication::setQuitOnLastWindowClosed(false);
    if (startWindow_) Start();
  }
  void TearDown() override {
    Close();
    SetProgramFolderOverride("");
  }

  // Builds the window and runs its start-up, which must succeed. The close
  // question is answered by closeAnswer_ and counted.
  TFormPing& Start();
  // Destroys the window: every run stopped, the pages saved and freed.
  void Close() {
    testers_.clear();
    tasks_.reset();
    window_.reset();
  }
  TFormPing& w() const { return *window_; }
  // The "Auto tasks" dialog, made right after the window as the program does.
  TFormAutoTasks& Tasks() const { return *tasks_; }
  TModeFrame& Frame(Mode mode) const { return *window_->Views().ForMode(mode).Frame(); }
  TFramePages& Pages(Mode mode) const { return *window_->Views().ForMode(mode).PagesFrame(); }

  std::string Folder() const { return dir_.path().toStdString(); }
  // The pages of a mode's file as a fresh registry reads them.
  static std::unique_ptr<TPingRegistry> ReadPingFile(Mode mode);

  // A fixture that starts its window itself clears this in its constructor.
  bool startWindow_ = true;
  bool closeAnswer_ = false;
  int closeQuestions_ = 0;

 private:
  QTemporaryDir dir_;
  std::unique_ptr<TFormPing> window_;
  std::unique_ptr<TFormAutoTasks> tasks_;
  std::vector<std::unique_ptr<QAbstractItemModelTester>> testers_;
};

// The page a tab shows.
TPageCommon& ShownPage(Mode mode);
// The texts of one row, column 0 first; one column of every row.
QStringList RowCells(const QAbstractItemModel& model, int row);
QStringList Column(const QAbstractItemModel& model, int column = 0);
// A row of a page's result: state, address (the host on Multi ping), echoes
// sent (all answered when the state is 0) and replies kept.
struct Record {
  std::int16_t state;
  const char* address;
  std::uint32_t sent = 1;
  std::size_t stored = 1;
};
// Gives page `index` of `mode` these rows, the selected row and the state.
TPageCommon& GiveResult(Mode mode, int index, const std::vector<Record>& records, int selected = 0,
                        std::int32_t state = psOk);
// Record `row` of page `page` of `mode`.
THostResult& HostOf(Mode mode, int page, std::size_t row);
// Makes `row` of the view current and selected, as a click does.
void Select(QTreeView* view, int row);
// The texts of the modal messages that `press` brings up, in order. The user
// answers each as it comes with `answer`, by default closing it; any other
// modal dialog goes to `otherModal`.
QStringList MessagesOf(const std::function<void()>& press,
                       const std::function<void(QMessageBox&)>& answer = {},
                       const std::function<void(QWidget&)>& otherModal = {});

// A stand-in for a run's controller that counts the requests to end.
struct RecordingWorker : PageWorker {
  int terminated = 0;
  void Terminate() override { ++terminated; }
};
