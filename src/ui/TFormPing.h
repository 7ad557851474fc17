#pragma once

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>

#include "pages/ModeLayout.h"
#include "platform/LaunchActivation.h"
#include "platform/Status.h"
#include "ui/EndOfRunNotice.h"
#include "ui/MainWindowGeometry.h"
#include "ui/OnceShownWarning.h"
#include "ui/ReportSaveDialog.h"
#include "ui/StartupFileNotice.h"

class CopyMenus;
class FrameLayout;
class HomePageTab;
class OptionsTab;
class PageListHandlers;
class QSystemTrayIcon;
class QTabWidget;
class QTimer;
class ResultToolBars;
class TabViews;
class TFrameMultiPing;
class TFramePages;
class TFramePathPing;
class TFramePing;
class TFrameRangePing;
class TFrameTraceroute;

// The program's main window: seven tabs (five measuring tabs, "Options",
// "Home page"), the tray icon and the three timers. It owns the frames and
// ties them to the page registries for its lifetime. UI thread only; every
// handler catches and drops exceptions.
class TFormPing : public QMainWindow {
  Q_OBJECT

 public:
  // What tests replace: the engine's start-up binding, the question
  // asked before closing (true = "Yes") and the report save dialog.
  struct Hooks {
    std::function<Status()> BindEcho;
    std::function<bool(QWidget*)> ConfirmClose;
    AskSaveFileFunction AskSaveFile;
  };

  static constexpr int DesignWidth = 1020;
  static constexpr int DesignHeight = 650;
  static constexpr int StartupDelayMs = 500;
  static constexpr int TaskIntervalMs = 1000;
  static constexpr int SaveIntervalMs = 3600000;

  // Empties the registries and resets the options, then builds the tabs.
  explicit TFormPing(Hooks hooks = {}, QWidget* parent = nullptr);
  // FinishSession, unless that was done, then frees the pages.
  ~TFormPing() override;

  // Loads the pages and settings and switches the timers and the tray icon
  // on. On failure nothing was written and the window must not be shown;
  // the status says why.
  Status FormCreate();

  // The hourly save: editors into the pages, page files, settings file.
  void TimerSaveTimer();
  // The session manager asks the program to commit its data: a checkpoint,
  // or the first step of a log-out. Saved as the hourly save is, at once:
  // the session may go on, so the close question and the later saves stay.
  void SaveForSessionManager();
  // The session ends: SIGTERM, SIGHUP or SIGINT, or the application's quit
  // that the session manager's "die" becomes. Saves, lets the close that
  // follows pass without asking, then closes and leaves the event loop; that
  // save, when it succeeds, is the exit's (FinishSession does not save
  // again). After a close that saved it only closes and leaves; the ends
  // that follow the first change nothing.
  void EndSessionAndQuit();
  // The process ends without leaving the event loop: the toolkit lost its
  // display or its compositor and ends it. The exit's save, if none was
  // made yet, as the session is gone either way. UI thread only.
  void SaveOnAbruptExit();
  // The end of the session: stops and clears every run, then makes the
  // exit's save after a completed start-up, unless a session end, the
  // user's close or the user's choice made it already; a save that failed
  // then is tried again now that the runs no longer hold descriptors. False
  // when the session ends with its pages and settings unsaved. Once; the
  // destructor calls it when nobody did.
  bool FinishSession();
  // A later start of the same program asked to see the window; `given` is
  // what that start was launched with to take the focus.
  void WMShowMainWindow(const LaunchActivation& given = {});
  // Any click on the tray icon.
  void TrayIcon1MouseUp();

  bool Initialised() const { return initialised_; }
  bool SessionEnding() const { return sessionEnding_; }
  bool CloseConfirmed() const { return closeConfirmed_; }

 signals:
  // The session is ending for good: a signal's end (before its save), the
  // user's confirmed close (once its save is made or given up), the end of
  // the event loop. From now on no later start may be handed to this copy.
  // May come more than once.
  void SessionClosing();

 public:
  QTabWidget* PageControl1 = nullptr;
  TFramePages* FramePingPages = nullptr;
  TFramePing* FramePing1 = nullptr;
  TFramePages* FrameMultiPingPages = nullptr;
  TFrameMultiPing* FrameMultiPing1 = nullptr;
  TFramePages* FrameRangePingPages = nullptr;
  TFrameRangePing* FrameRangePing1 = nullptr;
  TFramePages* FrameTraceroutePages = nullptr;
  TFrameTraceroute* FrameTraceroute1 = nullptr;
  TFramePages* FramePathPingPages = nullptr;
  TFramePathPing* FramePathPing1 = nullptr;
  OptionsTab* TabSheetOptions = nullptr;
  HomePageTab* TabSheetHomePage = nullptr;
  QSystemTrayIcon* TrayIcon1 = nullptr;
  QTimer* TimerStartup = nullptr;
  QTimer* TimerTasks = nullptr;
  QTimer* TimerSave = nullptr;

  TabViews& Views() const { return *views_; }
  PageListHandlers& PageLists() const { return *pageLists_; }
  CopyMenus& Menus() const { return *menus_; }
  // The window and tab layouts the settings file reads and writes.
  WindowGeometry& Geometry() { return geometry_; }
  ModeLayouts Layouts() const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  // Watches the application for its quit (ConnectHandlers).
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildTabs();
  void ConnectHandlers();
  void LoadPagesOfAllModes();
  // `atExit`: the save the program ends with, when no one reads a message.
  // True when it succeeded.
  bool SaveAll(bool atExit);
  // The save itself, telling no one: the first failure.
  Status WriteAll();
  // The user's close saves while the window still shows; when that fails
  // the user retries, closes without saving or cancels (false).
  bool SaveBeforeClose();
  void ReportSaveFailure(const Status& failure, bool atExit);
  // The stderr line of a failed save, once a session.
  void LogSaveFailure(const Status& failure);
  void FormDestroy();
  bool FormCloseQuery();
  void FormClose();
  void TimerStartupTimer();
  void TimerTasksTimer();

  Hooks hooks_;
  bool initialised_ = false;
  bool sessionEnding_ = false;
  bool closeConfirmed_ = false;
  // The exit's save is done (a signal's or the user's close), or the user
  // chose to close without it: the end of the session does not save.
  bool exitSaved_ = false;
  // A signal has ended the session: the signals after it change nothing.
  bool quitting_ = false;
  bool finished_ = false;
  bool saveFailureLogged_ = false;
  OnceShownWarning saveFailureWarning_{this};
  EndOfRunNotice endOfRunNotice_{this};
  StartupFileNotice startupFileNotice_{this};
  MainWindowGeometry geometry_;
  std::unique_ptr<CopyMenus> menus_;
  std::unique_ptr<TabViews> views_;
  std::unique_ptr<PageListHandlers> pageLists_;
  // The save dialog the result tool bars share, kept for the window's life.
  std::unique_ptr<ReportSaveDialog> saveDialog_;
  std::unique_ptr<ResultToolBars> toolBars_;
  std::array<std::unique_ptr<FrameLayout>, AllModes.size()> layouts_;
};

// The program's own tray and window icon.
QIcon ProgramIcon();
