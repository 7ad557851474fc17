// End-of-run actions that fail, as the user learns of them: each on stderr,
// and the first of a session in one message over the window once it is shown.

#include <QMessageBox>
#include <cstring>

#include "WindowTest.h"
#include "engine/RunLifecycle.h"
#include "engine/RunThread.h"
#include "pages/Settings.h"
#include "platform/DesktopOpener.h"
#include "platform/FileIo.h"
#include "reports/ReportNames.h"
#include "ui/RunStart.h"

namespace {

class EndOfRun : public WindowTest {
 protected:
  void TearDown() override {
    SetDesktopOpener(nullptr);
    WindowTest::TearDown();
  }

  // The Ping tab's page, its run over: it saves its report into `folder`
  // when one is given and runs "Path:" when one is given.
  void Finished(const std::string& folder, const std::string& path) {
    TPageCommon& page = ShownPage(Mode::Ping);
    page.ResultState = psOk;
    page.SaveResult = !folder.empty();
    GlobalOptions.ResultFolder = folder;
    page.ExecuteProgram = !path.empty();
    page.ExecPath = path;
  }
  // The end of the page's run, as the engine ends it; the lines it wrote to stderr.
  static QStringList End() {
    ::testing::internal::CaptureStderr();
    RunFinishActions(Mode::Ping, 0);
    return QString::fromStdString(::testing::internal::GetCapturedStderr())
        .split('\n')
        .filter(QRegularExpression("^velquor:"));
  }
  // The messages over the window, each shown and blocking nothing.
  QStringList Messages() const {
    QStringList texts;
    for (const QMessageBox* box : w().findChildren<QMessageBox*>()) {
      EXPECT_TRUE(box->isVisible() && !box->isModal());
      texts << box->text();
    }
    return texts;
  }
  std::string File(const char* name, const char* bytes) const {
    const std::string path = Folder() + "/" + name;
    EXPECT_TRUE(WriteFileAtomically(path, bytes).ok());
    return path;
  }
  static QString Shown(const QString& failure) {
    return "At the end of a run, " + failure +
           ".\n\nLater failures at the start or end of a run in this session are not reported here.";
  }
};

// A report that cannot be written (root writes anywhere: a file stands where
// the folder should be), a program that is missing or may not be executed,
// and a document nothing opens.
TEST_F(EndOfRun, EachFailureSaysWhyOnStderrAndTheFirstAlsoInTheWindow) {
  const std::string script = File("script", "#!/bin/sh\n"), notes = File("notes.txt", "notes");
  const std::string sub = Folder() + "/script/sub/";
  const struct {
    std::string folder, path;
    QString failure;  // <report>: the report's name
  } cases[] = {
      {sub, "",
       "the report <report> was not saved: cannot create " + QString::fromStdString(sub).chopped(1) +
           ": Not a directory"},
      {"", Folder() + "/gone", "the program " + QString::fromStdString(Folder()) + "/gone was not started: "},
      {"", script, "the program " + QString::fromStdString(script) + " was not started: "},
      {"", notes,
       "the document " + QString::fromStdString(notes) +
           " was not opened: no application on this desktop opens it"},
  };
  // The reason the system gives in Qt's words, which end with the system's own.
  const QString missing = std::strerror(ENOENT), denied = std::strerror(EACCES);
  const QString reasons[] = {"", missing, denied, ""};
  SetDesktopOpener([](const std::string&) { return false; });
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    Start().show();
    Finished(c.folder, c.path);
    const QString failure = QString(c.failure).replace(
        "<report>", QString::fromStdString(PageReportName(Mode::Ping, 0, "_replies_") + ".csv"));
    for (int run = 1; run <= 2; ++run) {
      const QStringList said = End();
      ASSERT_EQ(said.size(), 1) << said.join('\n').toStdString();
      EXPECT_TRUE(said[0].startsWith("velquor: " + failure) && said[0].endsWith(reasons[i]))
          << said[0].toStdString();
      const QStringList shown = Messages();
      ASSERT_EQ(shown.size(), 1) << run;
      EXPECT_EQ(shown[0], Shown(said[0].mid(9)));
    }
  }
}

// One message a session covers both kinds of failure; one that came while
// the window was hidden (in the tray) is shown by the first after it is shown.
TEST_F(EndOfRun, OneMessageASessionWaitsForTheShownWindow) {
  const std::string sub = File("file", "") + "/sub/";
  const std::string gone = Folder() + "/gone";
  Finished(sub, "");
  EXPECT_EQ(End().size(), 1);
  EXPECT_TRUE(Messages().isEmpty());
  w().show();
  Finished("", gone);
  EXPECT_EQ(End().size(), 1);
  ASSERT_EQ(Messages().size(), 1);
  EXPECT_TRUE(Messages()[0].contains(QString::fromStdString(gone)));
  Finished(sub, "");
  EXPECT_EQ(End().size(), 1);
  ASSERT_EQ(Messages().size(), 1);
  EXPECT_TRUE(Messages()[0].contains(QString::fromStdString(gone)));
}

// A run that cannot have its thread shows the failure in its grid and takes
// the session's one message; an end-of-run failure after it adds none.
TEST_F(EndOfRun, ARunShortOfThreadsShowsInItsGridAndTakesTheOneMessage) {
  w().show();
  ShownPage(Mode::Ping).Name = "short";
  ::testing::internal::CaptureStderr();
  RunThread::LimitStarts(0);
  StartPage(Mode::Ping, 0);
  RunThread::LimitStarts(-1);
  const QString failure =
      QString("the page \"short\" of the Ping tab could not run: its thread could not be started (%1)")
          .arg(std::strerror(EAGAIN));
  EXPECT_EQ(QString::fromStdString(::testing::internal::GetCapturedStderr())
                .split('\n')
                .filter(QRegularExpression("^velquor:")),
            QStringList{"velquor: " + failure});
  EXPECT_EQ(RowCells(*Frame(Mode::Ping).HostView()->model(), 0).mid(0, 2), (QStringList{"1", "Ping error"}));
  Finished("", Folder() + "/gone");
  EXPECT_EQ(End().size(), 1);
  EXPECT_EQ(Messages(), QStringList{Shown(failure).replace("At the end of a run", "At the start of a run")});
}

}  // namespace
