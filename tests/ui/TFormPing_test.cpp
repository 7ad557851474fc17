#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QTreeView>
#include <csignal>

#include "MainWindowFixture.h"
#include "pages/PageOperations.h"
#include "pages/Settings.h"
#include "platform/FileIo.h"
#include "platform/SessionEndNotifier.h"
#include "platform/SingleInstance.h"
#include "ui/OptionsTab.h"
#include "ui/frames/TFrameMultiPing.h"
#include "ui/frames/TFramePages.h"
#include "ui/frames/TFramePing.h"
#include "ui/frames/TFrameRangePing.h"
#include "ui/frames/TFrameTraceroute.h"
#include "ui/models/PageListModel.h"

namespace {

const char* const PageFiles[] = {"PingPages.dat", "MultiPingPages.dat", "RangePingPages.dat",
                                 "TraceroutePages.dat", "PathPingPages.dat"};

TEST_F(MainWindowTest, FirstStartGivesOneNewPagePerTabAndACentredWindow) {
  TFormPing& w = Start();
  EXPECT_TRUE(w.Initialised());
  EXPECT_EQ(w.windowTitle(), "Velquor v3.0.0");

  for (TPingRegistry* registry :
       {&PingRegistry, &MultiPingRegistry, &TracerouteRegistry, &PathPingRegistry}) {
    ASSERT_EQ(registry->Count(), 1);
    EXPECT_EQ(registry->Current, 0);
    const TPingPage& page = *registry->At(0);
    EXPECT_EQ(page.Name, "New page");
    EXPECT_EQ(page.Host, "");
    EXPECT_EQ(page.TimeOut, 1000);
    EXPECT_EQ(page.Retries, 4);
    EXPECT_EQ(page.Delay, 1000);
    EXPECT_EQ(page.Bytes, 32);
    EXPECT_EQ(page.ResultFormat, 1);
    EXPECT_TRUE(page.ResolveHostName && page.ShowReplys && page.ResultWithReplys);
  }
  EXPECT_EQ(PingRegistry.At(0)->Ttl, 255);
  EXPECT_TRUE(PingRegistry.At(0)->PingForAllIp);
  EXPECT_TRUE(MultiPingRegistry.At(0)->PingForAllIp);
  EXPECT_EQ(TracerouteRegistry.At(0)->Hops, 32);
  EXPECT_EQ(PathPingRegistry.At(0)->Hops, 32);
  ASSERT_EQ(RangePingRegistry.Count(), 1);
  EXPECT_EQ(RangePingRegistry.At(0)->Retries, 1);
  EXPECT_EQ(RangePingRegistry.At(0)->Threads, 10);
  EXPECT_EQ(RangePingRegistry.At(0)->From, "");

  // Each tab shows its page: the name box and the parameter group carry it.
  for (TFramePages* pages : {w.FramePingPages, w.FrameMultiPingPages, w.FrameRangePingPages,
                             w.FrameTraceroutePages, w.FramePathPingPages}) {
    EXPECT_EQ(pages->EditPageName->text(), "New page");
    EXPECT_EQ(pages->Model->Count(), 1);
  }
  EXPECT_EQ(w.FramePing1->GroupBoxParam->title(), "New page");
  EXPECT_EQ(w.FramePing1->EditTimeOut->text(), "1000");

  const QRect area = w.screen()->availableGeometry();
  EXPECT_EQ(w.geometry(),
            QRect(area.x() + (area.width() - 1020) / 2, area.y() + (area.height() - 650) / 2, 1020, 650));

  EXPECT_EQ(GlobalOptions.ResultFolder, Folder() + "/Results/");
  EXPECT_TRUE(QDir(dir_.path() + "/Results").exists());
  EXPECT_EQ(w.TabSheetOptions->EditResultFolder->text().toStdString(), Folder() + "/Results/");
  // Nothing is saved until the first save.
  EXPECT_FALSE(QDir(dir_.path() + "/Config").exists());

  EXPECT_TRUE(w.TimerStartup->isActive() && w.TimerStartup->isSingleShot());
  EXPECT_EQ(w.TimerStartup->interval(), 500);
  EXPECT_TRUE(w.TimerTasks->isActive());
  EXPECT_EQ(w.TimerTasks->interval(), 1000);
  EXPECT_TRUE(w.TimerSave->isActive());
  EXPECT_EQ(w.TimerSave->interval(), 3600000);
  // Offscreen there is no tray: the icon stays away and minimising keeps
  // the window where it can be reached.
  EXPECT_EQ(w.TrayIcon1->isVisible(), QSystemTrayIcon::isSystemTrayAvailable());
  w.show();
  w.showMinimized();
  QApplication::processEvents();
  if (!QSystemTrayIcon::isSystemTrayAvailable()) {
    EXPECT_TRUE(w.isVisible());
  }
}

TEST_F(MainWindowTest, StoredPagesAreShownAndDestructionSavesAllFiles) {
  TPingRegistry stored(Mode::Traceroute);
  TPingPage page;
  page.Name = "Route";
  page.Host = "127.0.0.1";
  page.Hops = 12;
  ASSERT_TRUE(AddPage(stored, page));
  page.Name = "Another";
  ASSERT_TRUE(AddPage(stored, page));
  ASSERT_TRUE(SavePages(stored, ConfigFolder()).ok());

  {
    TFormPing& w = Start();
    ASSERT_EQ(TracerouteRegistry.Count(), 2);
    EXPECT_EQ(TracerouteRegistry.Current, 0);
    EXPECT_EQ(w.FrameTraceroute1->EditHost->text(), "127.0.0.1");
    EXPECT_EQ(w.FrameTraceroute1->EditHops->text(), "12");
    w.FrameTraceroute1->EditHost->setText("::1");
    window_.reset();
  }
  for (const char* file : PageFiles)
    EXPECT_TRUE(QFile::exists(QString::fromStdString(ConfigPath(file)))) << file;
  EXPECT_TRUE(QFile::exists(QString::fromStdString(ConfigPath("config.ini"))));
  auto trace = ReadPingFile(Mode::Traceroute);
  ASSERT_EQ(trace->Count(), 2);
  EXPECT_EQ(trace->At(0)->Host, "::1");
  EXPECT_EQ(trace->At(1)->Name, "Another");
  EXPECT_EQ(ReadPingFile(Mode::Ping)->At(0)->Name, "New page");
}

TEST_F(MainWindowTest, FailedStartUpWritesNothingAndShowsNothing) {
  TPingRegistry stored(Mode::Ping);
  TPingPage page;
  page.Name = "Kept";
  ASSERT_TRUE(AddPage(stored, page));
  ASSERT_TRUE(SavePages(stored, ConfigFolder()).ok());
  const auto before = ReadFilePrefix(ConfigPath("PingPages.dat"), 1 << 20);
  ASSERT_TRUE(before);

  TFormPing::Hooks hooks = Hooks();
  hooks.BindEcho = [] { return Status::Failure(Status::Kind::Denied, "ICMP sockets are not permitted"); };
  {
    TFormPing w(hooks);
    const Status started = w.FormCreate();
    EXPECT_FALSE(started.ok());
    EXPECT_EQ(started.message, "ICMP sockets are not permitted");
    EXPECT_FALSE(w.Initialised());
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.TimerSave->isActive());
    // A show request before start-up completed is ignored.
    w.WMShowMainWindow();
    EXPECT_FALSE(w.isVisible());
  }
  EXPECT_EQ(ReadFilePrefix(ConfigPath("PingPages.dat"), 1 << 20), before);
  EXPECT_EQ(QDir(dir_.path() + "/Config").entryList(QDir::Files), QStringList{"PingPages.dat"});
  EXPECT_FALSE(QDir(dir_.path() + "/Results").exists());
}

TEST_F(MainWindowTest, CloseAsksUntilConfirmedAndThenStopsTheTimers) {
  TFormPing& w = Start();
  w.show();
  closeAnswer_ = false;
  EXPECT_FALSE(w.close());
  EXPECT_EQ(closeQuestions_, 1);
  EXPECT_TRUE(w.isVisible());
  EXPECT_TRUE(w.TimerSave->isActive());
  EXPECT_FALSE(w.CloseConfirmed());
  // No keeps the window, and the next close asks again.
  closeAnswer_ = true;
  EXPECT_TRUE(w.close());
  EXPECT_EQ(closeQuestions_, 2);
  EXPECT_FALSE(w.isVisible());
  EXPECT_FALSE(w.TimerSave->isActive());
  EXPECT_FALSE(w.TimerTasks->isActive());
  EXPECT_TRUE(w.CloseConfirmed());
  // Once confirmed, no further question.
  w.show();
  EXPECT_TRUE(w.close());
  EXPECT_EQ(closeQuestions_, 2);
}

TEST_F(MainWindowTest, SaveAfterSessionEndKeepsWorkingForTheTimerAndTheDestruction) {
  TFormPing& w = Start();
  w.FramePing1->EditHost->setText("host-a");
  w.WMQueryEndSession();
  EXPECT_TRUE(w.SessionEnding());
  for (const char* file : PageFiles)
    EXPECT_TRUE(QFile::exists(QString::fromStdString(ConfigPath(file)))) << file;
  EXPECT_TRUE(QFile::exists(QString::fromStdString(ConfigPath("config.ini"))));
  EXPECT_EQ(ReadPingFile(Mode::Ping)->At(0)->Host, "host-a");

  // The session end was called off; later saves still carry new edits.
  w.FramePing1->EditHost->setText("host-b");
  w.TimerSaveTimer();
  EXPECT_EQ(ReadPingFile(Mode::Ping)->At(0)->Host, "host-b");
  w.FramePing1->EditHost->setText("host-c");
  GlobalOptions.CsvType = 0;
  // And the close that follows a session end asks nothing.
  w.show();
  EXPECT_TRUE(w.close());
  EXPECT_EQ(closeQuestions_, 0);
  window_.reset();
  EXPECT_EQ(ReadPingFile(Mode::Ping)->At(0)->Host, "host-c");
  const auto ini = ReadFilePrefix(ConfigPath("config.ini"), 1 << 20);
  ASSERT_TRUE(ini);
  EXPECT_NE(ini->find("CsvType=0"), std::string::npos);
  // Saves go through temporary files that never stay behind.
  EXPECT_EQ(QDir(dir_.path() + "/Config").entryList(QDir::Files).size(), 6);
}

TEST_F(MainWindowTest, TermSignalSavesAndClosesWithoutAsking) {
  TFormPing& w = Start();
  SessionEndNotifier notifier;
  ASSERT_TRUE(notifier.Installed());
  QObject::connect(&notifier, &SessionEndNotifier::SessionEnding, &w, &TFormPing::EndSessionAndQuit);
  w.show();
  w.FramePing1->EditHost->setText("saved-by-signal");
  ASSERT_EQ(::raise(SIGTERM), 0);
  EXPECT_TRUE(
      SpinUntil([] { return QFile::exists(QString::fromStdString(ConfigFolder() + "/config.ini")); }));
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(closeQuestions_, 0);
  EXPECT_EQ(ReadPingFile(Mode::Ping)->At(0)->Host, "saved-by-signal");
}

TEST_F(MainWindowTest, SecondStartOfTheSameProgramShowsTheWindow) {
  TFormPing& w = Start();
  QTemporaryDir runtime;
  SingleInstance running(runtime.path(), "/opt/velquor/velquor");
  ASSERT_EQ(running.Acquire(), SingleInstance::Role::Primary);
  ASSERT_TRUE(running.Listen());
  QObject::connect(&running, &SingleInstance::ShowRequested, &w, &TFormPing::WMShowMainWindow);

  // Another copy of the program is not this window's business.
  SingleInstance elsewhere(runtime.path(), "/home/user/velquor");
  ASSERT_EQ(elsewhere.Acquire(), SingleInstance::Role::Secondary);
  EXPECT_TRUE(elsewhere.NotifyRunning());
  SpinUntil([] { return false; }, 200);
  EXPECT_FALSE(w.isVisible());

  w.show();
  w.showMinimized();
  w.hide();
  SingleInstance again(runtime.path(), "/opt/velquor/velquor");
  ASSERT_EQ(again.Acquire(), SingleInstance::Role::Secondary);
  EXPECT_TRUE(again.NotifyRunning());
  EXPECT_TRUE(SpinUntil([&] { return w.isVisible(); }));
  EXPECT_FALSE(w.isMinimized());
}

TEST_F(MainWindowTest, WindowPlacementAndColumnWidthsComeBackAfterARestart) {
  {
    TFormPing& w = Start();
    w.setGeometry(QRect(12, 34, 640, 480));
    w.FramePing1->ListView1->header()->resizeSection(2, 321);
    w.FrameMultiPing1->SetResultPaneHeight(210);
    w.FrameRangePing1->VirtualStringTree2->header()->resizeSection(6, 77);
    w.TabSheetOptions->RadioButtonIpVersionIp6->setChecked(true);
    w.TabSheetOptions->BitBtnApplyOptions->click();
    window_.reset();
  }
  TFormPing& w = Start();
  EXPECT_EQ(w.geometry(), QRect(12, 34, 640, 480));
  EXPECT_EQ(w.FramePing1->ListView1->header()->sectionSize(2), 321);
  EXPECT_EQ(w.FrameMultiPing1->ResultPaneHeight(), 210);
  EXPECT_EQ(w.FrameRangePing1->VirtualStringTree2->header()->sectionSize(6), 77);
  EXPECT_EQ(GlobalOptions.IpVersion.load(), 2);
  EXPECT_TRUE(w.TabSheetOptions->RadioButtonIpVersionIp6->isChecked());
}

TEST_F(MainWindowTest, OptionsTakeEffectOnlyOnApply) {
  TFormPing& w = Start();
  OptionsTab& options = *w.TabSheetOptions;
  options.RadioButtonCsv1->setChecked(true);
  options.RadioButtonIpPriorityIp6->setChecked(true);
  options.CheckBoxStartup->setChecked(true);
  const std::string reports = Folder() + "/reports";
  options.EditResultFolder->setText(QString::fromStdString(reports));
  EXPECT_EQ(GlobalOptions.CsvType, 1);
  EXPECT_EQ(GlobalOptions.IpPriority.load(), 0);

  options.BitBtnApplyOptions->click();
  EXPECT_EQ(GlobalOptions.CsvType, 0);
  EXPECT_EQ(GlobalOptions.IpPriority.load(), 1);
  EXPECT_TRUE(GlobalOptions.RunAtSystemStartup);
  EXPECT_EQ(GlobalOptions.ResultFolder, reports + "/");
  EXPECT_EQ(options.EditResultFolder->text().toStdString(), reports + "/");
  // A folder that does not exist is accepted as typed, and not created.
  EXPECT_FALSE(QDir(QString::fromStdString(reports)).exists());

  options.EditResultFolder->clear();
  options.BitBtnApplyOptions->click();
  EXPECT_EQ(GlobalOptions.ResultFolder, Folder() + "/Results/");
}

}  // namespace
