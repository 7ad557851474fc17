// The main window's life from start-up to destruction: loading, the saves
// (hourly, the session manager's, session end, destruction; the user's
// close: TFormPingClose.cpp) and the tear-down of the runs.

#include <QCoreApplication>
#include <QSystemTrayIcon>
#include <QTimer>
#include <cstdio>
#include <exception>

#include "automation/FinishActions.h"
#include "engine/RunLifecycle.h"
#include "pages/ModePages.h"
#include "pages/PageFiles.h"
#include "pages/PageOperations.h"
#include "pages/PageRegistry.h"
#include "pages/Settings.h"
#include "platform/FileIo.h"
#include "platform/ProgramPaths.h"
#include "reports/ReportNames.h"
#include "ui/EngineHooks.h"
#include "ui/OptionsTab.h"
#include "ui/PageListHandlers.h"
#include "ui/PageRunOperations.h"
#include "ui/SlotGuard.h"
#include "ui/TFormPing.h"
#include "ui/TabViews.h"

namespace {

bool AddDefaultPage(Mode mode) {
  switch (mode) {
    case Mode::Ping:
      return AddPingPage(*DefaultPingPage(mode));
    case Mode::MultiPing:
      return AddMultiPingPage(*DefaultPingPage(mode));
    case Mode::RangePing:
      return AddRangePingPage(*DefaultRangePingPage());
    case Mode::Traceroute:
      return AddTraceroutePage(*DefaultPingPage(mode));
    case Mode::PathPing:
      return AddPathPingPage(*DefaultPingPage(mode));
  }
  return false;
}

// Start-up steps that fail throw this, so that one handler ends them all.
struct StartupFailure {
  std::string why;
};

// A save that throws has failed as surely as one that returns a failure, and
// is reported the same way.
template <class Save>
Status StatusOfSave(const Save& save) {
  try {
    return save();
  } catch (const std::exception& error) {
    return Status::Failure(Status::Kind::IoError, error.what());
  } catch (...) {
    return Status::Failure(Status::Kind::IoError, "unexpected failure");
  }
}

}  // namespace

Status TFormPing::FormCreate() {
  try {
    // The engine's entry points come first: without them no run can ever
    // exist, and nothing may have been written when the program gives up.
    const Status bound = hooks_.BindEcho();
    if (!bound.ok()) throw StartupFailure{bound.message};
    // Before any run can end: every run that ends from here on saves its
    // report and starts its program as its page asks.
    SetRunFinishActions(RunFinishActionsOf);
    // Before anything is read from them: the folders the pages and reports
    // belong in, and whether they may be used.
    const std::vector<std::string> folderNotices = FolderNotices();
    if (ConfigFolder().empty())
      throw StartupFailure{
          "neither the program's own folder nor the user's home folder is known, so there is "
          "nowhere to keep the pages and settings"};
    RemoveSaveLeftovers();
    LoadPagesOfAllModes();

    ProgramOptions& options = GlobalOptions;
    const std::string defaultFolder = FolderWithSlash(DefaultResultFolder());
    options.RunAtSystemStartup = false;
    options.ResultFolder = defaultFolder;
    MakeFolderForSaving(DefaultResultFolder());

    PlaceFirstStart(geometry_, DesignWidth, DesignHeight);
    LoadConfig(geometry_, Layouts());
    TabSheetOptions->FillFromOptions();
    // A report killed before its rename leaves a hidden temporary, as large
    // as the report got, in its folder; which folder is known only now.
    RemoveReportLeftovers(options.ResultFolder);
    if (options.ResultFolder != defaultFolder) RemoveReportLeftovers(DefaultResultFolder());
    // The files not read whole are kept aside last: a copy is a file
    // written, and a start-up that fails writes none.
    const std::vector<UnreadFile> unread = KeepUnreadFilesAside();
    CatchAll([&] { startupFileNotice_.Tell(folderNotices, unread); });

    setWindowTitle(QStringLiteral("Velquor v3.0.0"));
    initialised_ = true;
  } catch (const StartupFailure& failure) {
    return Status::Failure(Status::Kind::Unsupported, failure.why);
  } catch (const std::exception& error) {
    return Status::Failure(Status::Kind::Invalid, std::string("start-up failed: ") + error.what());
  } catch (...) {
    return Status::Failure(Status::Kind::Invalid, "start-up failed");
  }

  TimerStartup->start();
  TimerTasks->start();
  TimerSave->start();
  // Without a system tray the icon would lead nowhere; the window then
  // stays on the task bar when minimised.
  CatchAll([this] {
    if (QSystemTrayIcon::isSystemTrayAvailable()) TrayIcon1->show();
  });
  return Status::Success();
}

void TFormPing::LoadPagesOfAllModes() {
  for (const Mode mode : AllModes) {
    // A damaged or missing file loads what it can; the mode then starts with
    // whatever pages it gave, or with the default page.
    LoadPages(mode);
    if (ModePageCount(mode) == 0 && !AddDefaultPage(mode))
      throw StartupFailure{"cannot create the default page of a tab"};
    ShowModePage(mode, 0, true, false);
  }
}

Status TFormPing::WriteAll() {
  // Each part on its own: a failing store or page file must not keep the
  // others from being written.
  CatchAll([this] { views_->StoreAllFramesToPages(); });
  Status failure = StatusOfSave(SaveAllPages);
  Status config = StatusOfSave([this] { return SaveConfig(geometry_, Layouts()); });
  return failure.ok() ? config : failure;
}

bool TFormPing::SaveAll(bool atExit) {
  const Status failure = WriteAll();
  if (!failure.ok()) CatchAll([&] { ReportSaveFailure(failure, atExit); });
  return failure.ok();
}

void TFormPing::LogSaveFailure(const Status& failure) {
  // Once a session: a Config folder that cannot be written stays so, and
  // every save on the schedule would repeat the same news.
  if (!saveFailureLogged_)
    std::fprintf(stderr, "velquor: cannot save the pages and settings: %s\n", failure.message.c_str());
  saveFailureLogged_ = true;
}

void TFormPing::ReportSaveFailure(const Status& failure, bool atExit) {
  LogSaveFailure(failure);
  // Once a session too. The message waits for a window the user sees; at
  // exit no one is left to read it.
  if (atExit) return;
  saveFailureWarning_.Show(tr("The pages and settings cannot be saved:\n%1\n\nLater saves of this "
                              "session that fail are not reported.")
                               .arg(QString::fromStdString(failure.message)));
}

void TFormPing::TimerSaveTimer() {
  CatchAll([this] {
    if (initialised_) SaveAll(false);
  });
}

void TFormPing::SaveForSessionManager() {
  CatchAll([this] {
    // After the session's end, or a close the user confirmed, the exit's
    // save stands for this one.
    if (initialised_ && !closeConfirmed_) SaveAll(false);
  });
}

void TFormPing::EndSessionAndQuit() {
  CatchAll([this] {
    // Nothing calls a signal or the manager's "die" off: the program leaves
    // right away, and a second save on the way out, or for an end that
    // follows, would only write the same files again. A save that failed is
    // tried once more when the runs have stopped (FinishSession): they may
    // hold what it lacked.
    if (quitting_) return;
    quitting_ = true;
    emit SessionClosing();
    if (!exitSaved_) {
      // The close that follows passes without asking.
      closeConfirmed_ = true;
      sessionEnding_ = true;
      exitSaved_ = initialised_ && SaveAll(true);
    }
    close();
    // The window may be hidden in the tray, where closing it would not end
    // the event loop by itself.
    QCoreApplication::quit();
  });
}

void TFormPing::SaveOnAbruptExit() {
  // Nothing may wait here: the runs are left as they are, and the process
  // ends right after.
  CatchAll([this] {
    if (initialised_ && !exitSaved_) exitSaved_ = SaveAll(true);
  });
}

bool TFormPing::FinishSession() {
  if (finished_) return exitSaved_;
  finished_ = true;
  CatchAll([this] {
    emit SessionClosing();
    TimerStartup->stop();
    TimerTasks->stop();
    TimerSave->stop();
    for (const Mode mode : AllModes)
      for (int i = 0; i < ModePageCount(mode); ++i) {
        StopPage(mode, i);
        ClearPageResult(mode, i);
      }
    // Every run is told to stop; no thread may still reach a page when the
    // pages are freed.
    StopRunThreadsForShutdown();
  });
  // A start-up that failed must never overwrite the files it did not read:
  // it has nothing to save.
  if (!initialised_) return true;
  CatchAll([this] {
    if (exitSaved_) return;
    // Said once the failure of the save before it was said: the user must
    // not take the pages for lost.
    const bool failedBefore = saveFailureLogged_;
    exitSaved_ = SaveAll(true);
    if (exitSaved_ && failedBefore)
      std::fprintf(stderr, "velquor: the pages and settings were saved once the runs had stopped\n");
  });
  return exitSaved_;
}

void TFormPing::FormDestroy() {
  FinishSession();
  CatchAll([] { ResetRegistries(); });
}
