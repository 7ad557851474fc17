// Starts the real program as a user would, in a folder of its own, and ends
// it the way a session end does.

#include <gtest/gtest.h>
#include <signal.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <memory>

#include "pages/PageFiles.h"
#include "pages/PageOperations.h"
#include "platform/FileIo.h"
#include "ui/PageListHandlers.h"

#ifndef VELQUOR_BINARY
#error "VELQUOR_BINARY must name the program under test"
#endif

namespace {

constexpr int TimeoutMs = 30000;

class ProgramRun : public ::testing::Test {
 protected:
  // A copy of the program in a folder of its own: it keeps Config and Results there.
  void SetUp() override {
    ASSERT_TRUE(root_.isValid());
    ASSERT_TRUE(QFile::copy(VELQUOR_BINARY, Folder() + "/velquor"));
    QFile::setPermissions(Folder() + "/velquor", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }

  QString Folder() const { return root_.path(); }

  std::unique_ptr<QProcess> Launch() {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    // The runtime folder holds the single-instance lock and socket: one of
    // our own (private, as QTemporaryDir makes it) keeps the test apart from
    // a Velquor the user may be running.
    env.insert("XDG_RUNTIME_DIR", Folder());
    process->setProcessEnvironment(env);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(Folder() + "/velquor", {});
    EXPECT_TRUE(process->waitForStarted());
    return process;
  }

  static bool EndsCleanly(QProcess& process) {
    return process.waitForFinished(TimeoutMs) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
  }

  void WaitFor(QProcess& process, const QString& name) const {
    QDeadlineTimer deadline(TimeoutMs);
    while (!QFileInfo::exists(Folder() + "/" + name))
      ASSERT_FALSE(deadline.hasExpired() || process.waitForFinished(50));
  }

  // One session, ended by SIGTERM once start-up has made the result folder
  // and `name` exists; meanwhile a later start hands over to it and ends.
  void Session(const QString& name) {
    ASSERT_TRUE(QDir(Folder() + "/Results").removeRecursively());
    auto process = Launch();
    WaitFor(*process, "Results");
    EXPECT_TRUE(EndsCleanly(*Launch()));
    WaitFor(*process, name);
    ASSERT_EQ(process->state(), QProcess::Running);
    ::kill(static_cast<pid_t>(process->processId()), SIGTERM);
    ASSERT_TRUE(EndsCleanly(*process));
  }

  // The lines of config.ini that hold a tab's pane height or column widths.
  QStringList LayoutLines() const {
    QFile ini(Folder() + "/Config/config.ini");
    if (!ini.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(ini.readAll())
        .split('\n')
        .filter(QRegularExpression("^\\w+(HostHeight|HostWidth\\d|RepliesWidth\\d)="));
  }

  QTemporaryDir root_;
};

// A page flagged to start at start-up saves its report and hands its path
// to the user's program; SIGTERM saves everything, and the next session
// starts with what the last one saved, its panes as high as they were even
// when the window comes back at its smallest before it is maximised.
TEST_F(ProgramRun, StartUpPagesRunTheirActionsAndSessionsEndingBySigtermSaveEverything) {
  // The user's program records the arguments it gets; blanks in its path
  // and in the page name must not split anything.
  const QString program = Folder() + "/record args";
  QFile script(program);
  ASSERT_TRUE(script.open(QIODevice::WriteOnly));
  script.write(
      "#!/bin/sh\n{ echo \"$#\"; for a in \"$@\"; do echo \"$a\"; done; } >\"$0.tmp\"\n"
      "mv \"$0.tmp\" \"$0.out\"\n");
  script.close();
  script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  std::unique_ptr<TPingPage> page = DefaultPingPage(Mode::Ping);
  page->Name = "loop back";
  page->Host = "127.0.0.1";
  page->Retries = 2;
  page->Delay = 100;
  page->StartOnStartup = page->SaveResult = page->ExecuteProgram = true;
  page->ExecPath = program.toStdString();
  page->ExecParam = "%PATH";
  TPingRegistry pages(Mode::Ping);
  ASSERT_TRUE(AddPage(pages, *page));
  ASSERT_TRUE(QDir(Folder()).mkdir("Config"));
  ASSERT_TRUE(SavePages(pages, (Folder() + "/Config").toStdString()).ok());

  Session("record args.out");
  QFile received(program + ".out");
  ASSERT_TRUE(received.open(QIODevice::ReadOnly));
  const QStringList arguments = QString::fromUtf8(received.readAll()).split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(arguments.size(), 2);
  EXPECT_EQ(arguments[0], "1");
  const QFileInfo report(arguments[1]);
  EXPECT_EQ(report.absolutePath(), QDir(Folder() + "/Results").canonicalPath());
  QFile text(report.filePath());
  ASSERT_TRUE(text.open(QIODevice::ReadOnly));
  EXPECT_TRUE(text.readAll().contains("127.0.0.1"));

  // Every page file and the settings, and no temporary left behind.
  QStringList files{"config.ini"};
  for (const Mode mode : AllModes) files << QString::fromStdString(PageFileName(mode));
  files.sort();
  EXPECT_EQ(QDir(Folder() + "/Config").entryList(QDir::Files, QDir::Name), files);
  // A tab never opened saves the height its pane has, not that of a group
  // box never laid out, so the next start has room for its rows.
  const QStringList layout = LayoutLines();
  const QStringList heights = layout.filter("HostHeight=");
  ASSERT_EQ(heights.size(), 5);
  const int shown = heights[0].section('=', 1).toInt();  // Ping: the tab on screen
  EXPECT_GT(shown, 50);
  for (const QString& line : heights) EXPECT_EQ(line.section('=', 1).toInt(), shown) << line.toStdString();

  const std::string ini = (Folder() + "/Config/config.ini").toStdString();
  QString config = QString::fromStdString(ReadFilePrefix(ini, 1 << 20).value_or(""));
  config.replace(QRegularExpression("\n(Width|Height)=\\d+"), "\n\\1=1")
      .replace("\nMaximized=0", "\nMaximized=1");
  ASSERT_TRUE(config.contains("\nHeight=1\n") && config.contains("\nMaximized=1\n"));
  ASSERT_TRUE(WriteFileAtomically(ini, config.toStdString()).ok());
  Session("Results");
  EXPECT_EQ(LayoutLines(), layout);
}

}  // namespace
