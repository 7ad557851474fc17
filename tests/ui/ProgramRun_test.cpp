// Starts the real program as a user would, in a folder of its own, and ends
// it the way a session end does.

#include <sys/stat.h>

#include "ProgramRunFixture.h"
#include "pages/PageFiles.h"
#include "pages/PageOperations.h"
#include "platform/FileIo.h"
#include "support/NotAFile.h"
#include "ui/PageListHandlers.h"

namespace {

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
  ASSERT_TRUE(SavePages(pages, (Folder() + "/Config").toStdString()).ok());

  const FolderWatch saved(Folder() + "/Config");
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
  const QStringList files = SavedFiles();
  EXPECT_EQ(QDir(Folder() + "/Config").entryList(QDir::Files, QDir::Name), files);
  // Each once: the session-end save stands for the exit that follows.
  EXPECT_EQ(saved.Names(), files);
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

// A FIFO that nobody writes to, in place of a page file or the settings,
// neither holds up the start (nor, through the single-instance lock, every
// later start) nor is replaced by the saves, which therefore fail. Start-up
// names each while the session runs, before any save, so the user does not
// learn of it only at the end.
TEST_F(ProgramRun, FifosInPlaceOfThePageFilesAndSettingsAreNamedAtStartUpAndLeftAlone) {
  ASSERT_TRUE(QDir(Folder()).mkdir("Config"));
  const QStringList names{"PingPages.dat", "config.ini"};
  QStringList expected;
  for (const QString& name : names) {
    const QString path = Folder() + "/Config/" + name;
    ASSERT_TRUE(MakeNotAFile(NotAFile::Fifo, path.toStdString()));
    expected << "velquor: " + path +
                    " could not be read (not a regular file); it is left as it is and not replaced.";
  }

  auto process = Launch(QProcess::SeparateChannels);
  QByteArray said;
  WaitUntil(*process, [&] {
    said += process->readAllStandardError();
    return OwnLines(said).size() >= expected.size();
  });
  EXPECT_EQ(OwnLines(said), expected);
  EXPECT_TRUE(EndsCleanly(*Launch()));
  EndBySigterm(*process, 1);
  const QStringList atExit = OwnLines(said.mid(said.lastIndexOf('\n') + 1) + process->readAllStandardError());
  EXPECT_TRUE(atExit.size() == 1 && atExit[0].startsWith("velquor: cannot save the pages and settings: "))
      << atExit.join('\n').toStdString();
  for (const QString& name : names) {
    struct stat info {};
    ASSERT_EQ(::lstat(QFile::encodeName(Folder() + "/Config/" + name).constData(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode)) << name.toStdString();
  }
}

// A report killed before its rename leaves a hidden temporary as large as
// the report got. The next start removes those of reports, in the folder
// the options name and in the default one, and nothing that looks alike.
TEST_F(ProgramRun, StartUpRemovesTheTemporariesOfKilledReports) {
  const QString tag = ".0123456789abcdef";
  const QString killed = ".MultiPing_big list_2026y12m05d08h04m09s-2026y12m05d09h04m09s.csv" + tag;
  // A long name keeps only its first 200 bytes in its temporary's name.
  const QStringList reports{killed, ".Ping_::1_replys_2026y12m05d08h04m09s-2026y12m05d08h05m09s.txt" + tag,
                            "." + ("PathPing_" + QString(300, 'p')).left(200) + tag};
  QStringList kept{"MultiPing_x.csv",  "MultiPing_x.csv" + tag,   ".MultiPing_x.csv.0123456789abcde",
                   ".notes.txt" + tag, ".Ping_x.txt" + tag + "0", ".MultiPing_x.csv.0123456789ABCDEF"};
  // A link or a folder by such a name is no temporary of a report.
  const QString link = ".Ping_link.txt" + tag, folder = ".Ping_folder.txt" + tag;
  ASSERT_TRUE(QDir(Folder()).mkdir("Config"));
  ASSERT_TRUE(WriteFileAtomically((Folder() + "/Config/config.ini").toStdString(),
                                  ("[MAIN]\nResultFolder=" + Folder() + "/chosen/\n").toStdString())
                  .ok());
  const QStringList folders{Folder() + "/Results", Folder() + "/chosen"};
  for (const QDir dir : folders) {
    ASSERT_TRUE(dir.mkpath("."));
    for (const QString& name : reports + kept)
      ASSERT_TRUE(QFile(dir.filePath(name)).open(QIODevice::WriteOnly));
    ASSERT_TRUE(QFile::link("MultiPing_x.csv", dir.filePath(link)) && dir.mkdir(folder));
  }
  kept << link << folder;
  kept.sort();

  auto process = Launch();
  WaitUntil(*process, [&] { return !QFileInfo::exists(folders[0] + "/" + killed); });
  EndBySigterm(*process);
  for (const QDir dir : folders) {
    QStringList left = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    left.sort();
    EXPECT_EQ(left, kept) << dir.path().toStdString();
  }
}

// Saves that fail say so once a session; at exit, on stderr alone, and in
// the exit status. No save can succeed there, and no lock can be made there
// either: the program runs without it.
TEST_F(ProgramRun, ASessionWhoseSavesFailSaysSoOnceOnStderr) {
  ASSERT_TRUE(QFile(Folder() + "/Config").open(QIODevice::WriteOnly));  // in the way of the folder
  auto process = Launch(QProcess::SeparateChannels);
  WaitFor(*process, "Results");
  EndBySigterm(*process, 1);
  const QStringList said = OwnLines(process->readAllStandardError());
  ASSERT_EQ(said.size(), 1) << said.join('\n').toStdString();
  EXPECT_TRUE(said[0].contains(Folder() + "/Config: Not a directory")) << said[0].toStdString();
}

}  // namespace
