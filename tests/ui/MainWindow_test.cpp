// The main window's life: start-up, the three saves, closing, a later start,
// and what a restart brings back.
#include <QDir>
#include <QScreen>
#include <QTimer>

#include "WindowTest.h"
#include "pages/PageFiles.h"
#include "platform/FileIo.h"
#include "platform/ProgramPaths.h"
#include "platform/SingleInstance.h"
#include "ui/OptionsTab.h"

namespace {

using MainWindow = WindowTest;

QStringList ConfigFiles(const std::string& folder) {
  return QDir(QString::fromStdString(folder + "/Config")).entryList(QDir::Files);
}

// A first start: one page per tab, the window centred, every grid's columns
// wide enough for their titles in the header's own font (widths stored by
// the user still win: the restart below), and nothing written.
TEST_F(MainWindow, FirstStartShowsOneNewPagePerTabCentredAndWritesNothing) {
  Start().show();
  EXPECT_EQ(w().geometry().center(), w().screen()->availableGeometry().center());
  for (const Mode mode : AllModes) {
    EXPECT_EQ(Column(*Pages(mode).Model), QStringList{"New page"});
    EXPECT_EQ(Pages(mode).EditPageName->text(), "New page");
    for (QTreeView* grid : {Frame(mode).HostView(), Frame(mode).VirtualStringTree2})
      for (int c = 0; c < grid->header()->count(); ++c)
        EXPECT_GE(grid->header()->sectionSize(c), grid->header()->sectionSizeHint(c))
            << grid->model()->headerData(c, Qt::Horizontal).toString().toStdString();
  }
  EXPECT_TRUE(ConfigFiles(Folder()).isEmpty());
}

TEST_F(MainWindow, AFailedStartUpWritesNothingAndShowsNothing) {
  TPingRegistry stored(Mode::Ping);
  ASSERT_TRUE(AddPage(stored, TPingPage{}));
  ASSERT_TRUE(SavePages(stored, ConfigFolder()).ok());
  const auto before = ReadFilePrefix(ConfigFile("PingPages.dat"), 1 << 20);
  {
    TFormPing::Hooks hooks;
    hooks.BindEcho = [] { return Status::Failure(Status::Kind::Denied, "no ICMP"); };
    TFormPing window(hooks);
    EXPECT_FALSE(window.FormCreate().ok());
    window.WMShowMainWindow();  // a later start before start-up completed
    EXPECT_FALSE(window.isVisible());
  }
  EXPECT_EQ(ReadFilePrefix(ConfigFile("PingPages.dat"), 1 << 20), before);
  EXPECT_EQ(ConfigFiles(Folder()), QStringList{"PingPages.dat"});
}

TEST_F(MainWindow, SavesHourlyAtSessionEndAndWhenDestroyedStoppingEveryRun) {
  Start();
  QLineEdit* host = w().FramePing1->EditHost;
  host->setText("hourly");
  w().TimerSaveTimer();
  EXPECT_EQ(ReadPingFile(Mode::Ping)->At(0)->Host, "hourly");

  host->setText("session end");
  w().WMQueryEndSession();
  EXPECT_EQ(ReadPingFile(Mode::Ping)->At(0)->Host, "session end");
  // A session end that is called off leaves later saves working, and the
  // close that follows it asks nothing.
  w().show();
  EXPECT_TRUE(w().close());
  EXPECT_EQ(closeQuestions_, 0);

  host->setText("destroyed");
  RecordingWorker ping, range, path;
  PingRegistry.At(0)->Worker = &ping;
  RangePingRegistry.At(0)->Worker = &range;
  PathPingRegistry.At(0)->Worker = &path;
  Close();
  EXPECT_EQ(ping.terminated + range.terminated + path.terminated, 3);
  EXPECT_EQ(ReadPingFile(Mode::Ping)->At(0)->Host, "destroyed");
  // The page files and config.ini, written through temporary files that never stay behind.
  EXPECT_EQ(ConfigFiles(Folder()).size(), 6);
}

TEST_F(MainWindow, CloseAsksAndOnlyYesCloses) {
  Start().show();
  EXPECT_FALSE(w().close());
  EXPECT_TRUE(w().isVisible());
  EXPECT_TRUE(w().TimerSave->isActive());
  closeAnswer_ = true;
  EXPECT_TRUE(w().close());
  EXPECT_EQ(closeQuestions_, 2);
  EXPECT_FALSE(w().isVisible());
  EXPECT_FALSE(w().TimerSave->isActive() || w().TimerTasks->isActive());
}

TEST_F(MainWindow, ALaterStartOfTheSameProgramShowsTheWindow) {
  Start();
  QTemporaryDir runtime;
  SingleInstance running(runtime.path(), "/opt/velquor/velquor");
  ASSERT_EQ(running.Acquire(), SingleInstance::Role::Primary);
  ASSERT_TRUE(running.Listen());
  QObject::connect(&running, &SingleInstance::ShowRequested, &w(), &TFormPing::WMShowMainWindow);
  w().showMinimized();
  w().hide();
  SingleInstance again(runtime.path(), "/opt/velquor/velquor");
  ASSERT_EQ(again.Acquire(), SingleInstance::Role::Secondary);
  EXPECT_TRUE(again.NotifyRunning());
  EXPECT_TRUE(SpinUntil([this] { return w().isVisible(); }));
  EXPECT_FALSE(w().isMinimized());
}

TEST_F(MainWindow, PlacementPanesColumnsAndAppliedOptionsComeBackAfterARestart) {
  Start();
  w().setGeometry(QRect(12, 34, 640, 480));
  w().FramePing1->ListView1->header()->resizeSection(2, 321);
  Frame(Mode::MultiPing).SetResultPaneHeight(210);  // a tab never opened
  Frame(Mode::RangePing).VirtualStringTree2->header()->resizeSection(6, 7);
  OptionsTab& options = *w().TabSheetOptions;
  options.EditResultFolder->setText(QString::fromStdString(Folder() + "/reports"));
  options.BitBtnApplyOptions->click();
  options.RadioButtonCsv1->setChecked(true);  // not applied
  Close();

  Start();
  EXPECT_EQ(w().geometry(), QRect(12, 34, 640, 480));
  EXPECT_EQ(w().FramePing1->ListView1->header()->sectionSize(2), 321);
  EXPECT_EQ(Frame(Mode::MultiPing).ResultPaneHeight(), 210);
  EXPECT_EQ(Frame(Mode::RangePing).VirtualStringTree2->header()->sectionSize(6), 7);
  EXPECT_TRUE(w().TabSheetOptions->RadioButtonCsv2->isChecked());
  EXPECT_EQ(w().TabSheetOptions->EditResultFolder->text().toStdString(), Folder() + "/reports/");
}

}  // namespace
