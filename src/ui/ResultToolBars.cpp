#include "ui/ResultToolBars.h"

#include <QAction>
#include <QCoreApplication>
#include <QMessageBox>

#include "pages/ModePages.h"
#include "pages/Settings.h"
#include "reports/ReportNames.h"
#include "reports/ReportWriters.h"
#include "ui/DesktopServicesOpener.h"
#include "ui/PageRunOperations.h"
#include "ui/SlotGuard.h"
#include "ui/TabViews.h"
#include "ui/frames/TModeFrame.h"
#include "ui/views/TabView.h"

namespace {

const char* InfixOf(int reportMode) {
  switch (reportMode) {
    case rmWithReplies:
      return "_replys_";
    case rmResult:
      return "_";
  }
  return "_iplist_";
}

}  // namespace

ResultToolBars::ResultToolBars(TabViews& views, AskSaveFileFunction askSaveFile, QObject* parent)
    : QObject(parent), views_(views), askSaveFile_(std::move(askSaveFile)) {
  for (const Mode mode : AllModes) {
    TModeFrame* f = views.ForMode(mode).Frame();
    connect(f->ToolButton5, &QAction::triggered, this, [this, mode] { OpenResultFolderClick(mode); });
    connect(f->ToolButton1, &QAction::triggered, this, [this, mode] { SaveResultClick(mode, rmResult); });
    connect(f->ToolButton2, &QAction::triggered, this,
            [this, mode] { SaveResultClick(mode, rmWithReplies); });
    if (f->ToolButton6)
      connect(f->ToolButton6, &QAction::triggered, this, [this, mode] { SaveResultClick(mode, rmIpList); });
    connect(f->ToolButton3, &QAction::triggered, this, [this, mode] { ClearResultClick(mode); });
    connect(f->ToolButton4, &QAction::triggered, this, [this, mode] { SaveSelectedHostClick(mode); });
  }
}

bool ResultToolBars::AskTarget(const std::string& proposedName, Target& target) {
  // What is already queued (a run's results, a timer) is handled before the
  // dialog, so that the name it proposes is not older than those events.
  QCoreApplication::processEvents();
  const std::optional<SaveFileAnswer> answer = askSaveFile_(QString::fromStdString(proposedName));
  if (!answer || (answer->filterIndex != 1 && answer->filterIndex != 2)) return false;
  // The type chosen decides the format, whatever extension the name has.
  target.csv = answer->filterIndex == 2;
  target.fileName = answer->fileName.toStdString();
  return true;
}

void ResultToolBars::TellIfFailed(Mode mode, const std::string& fileName, const Status& saved) {
  if (saved.ok()) return;
  QMessageBox::warning(views_.ForMode(mode).Frame()->window(), tr("Report not saved"),
                       tr("The report could not be saved to %1:\n%2")
                           .arg(QString::fromStdString(fileName), QString::fromStdString(saved.message)));
}

void ResultToolBars::OpenResultFolderClick(Mode mode) {
  CatchAll([&] { OpenOrSayWhyNot(views_.ForMode(mode).Frame()->window(), GlobalOptions.ResultFolder); });
}

void ResultToolBars::SaveResultClick(Mode mode, int reportMode) {
  CatchAll([&] {
    const int index = ModeCurrentIndex(mode);
    if (!PageReportReady(mode, index)) return;
    Target target;
    if (!AskTarget(PageReportName(mode, index, InfixOf(reportMode)), target)) return;
    TellIfFailed(mode, target.fileName,
                 SavePageReport(mode, target.csv, target.fileName, ModeCurrentIndex(mode), reportMode));
  });
}

void ResultToolBars::SaveSelectedHostClick(Mode mode) {
  CatchAll([&] {
    const int index = ModeCurrentIndex(mode);
    const TPageCommon* page = ModePage(mode, index);
    if (!page || !HostReportReady(mode, index, page->SelectedHost)) return;
    Target target;
    if (!AskTarget(HostReportName(mode, index, page->SelectedHost), target)) return;
    // The page may have gone or changed while the dialog was open.
    const int indexNow = ModeCurrentIndex(mode);
    const TPageCommon* pageNow = ModePage(mode, indexNow);
    const int hostNow = pageNow ? pageNow->SelectedHost : -1;
    TellIfFailed(mode, target.fileName, SaveHostReport(mode, target.csv, target.fileName, indexNow, hostNow));
  });
}

void ResultToolBars::ClearResultClick(Mode mode) {
  CatchAll([&] {
    const int index = ModeCurrentIndex(mode);
    StopPage(mode, index);
    if (mode == Mode::MultiPing)
      ClearMultiPingPageResult(index, false);
    else
      ClearPageResult(mode, index);
  });
}
