// The real program as a Wayland client, on a compositor of the test's own,
// when the compositor ends before it: a log-out on a Wayland desktop often
// ends the compositor first, and compositors crash.

#include <chrono>

#include "ProgramRunFixture.h"
#include "WaylandCompositor.h"
#include "support/NotAFile.h"

namespace {

// Qt ends the program itself, with status 1, when its compositor goes away;
// the pages and settings are saved first, a save that fails says so, and
// the folder is let go as at any end: no lock or socket is left, and the
// next start runs at once. No Config file exists before, so each one there
// is this session's save.
TEST_F(ProgramRun, ACompositorThatGoesAwayEndsTheProgramOnlyAfterItsSave) {
  const QString config = Folder() + "/Config";
  const struct {
    int signal;  // how the compositor ends: a log-out, a crash
    bool fifo;   // a FIFO in place of the Ping pages' file, so that its save fails
  } cases[] = {{SIGTERM, false}, {SIGKILL, false}, {SIGTERM, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(sigabbrev_np(c.signal)) + (c.fifo ? ", a save that fails" : ""));
    ASSERT_TRUE(QDir(config).removeRecursively() && QDir(Folder()).mkdir("Config"));
    QStringList files = SavedFiles();
    if (c.fifo) {
      ASSERT_TRUE(MakeNotAFile(NotAFile::Fifo, (config + "/PingPages.dat").toStdString()));
    }
    WaylandCompositor compositor;
    ASSERT_TRUE(compositor.Running()) << compositor.Log();
    const FolderWatch saved(config);
    auto process = Launch(QProcess::SeparateChannels, {}, compositor.Variables());
    QString said;
    WaitUntil(*process, [&] {
      said += QString::fromUtf8(process->readAllStandardError());
      return Catches(*process, SIGTERM) && WaylandCompositor::Shows(said, "Velquor");
    });
    ASSERT_TRUE(ListensIn(root_.path()));

    compositor.Stop(c.signal);
    ASSERT_TRUE(process->waitForFinished(ProgramTimeoutMs));
    said += QString::fromUtf8(process->readAllStandardError());
    EXPECT_EQ(process->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process->exitCode(), 1);
    EXPECT_TRUE(said.contains("The Wayland connection broke"));
    const QStringList lines = OwnLines(said.toUtf8());
    if (c.fifo) {
      // Named at start-up, and its failed save at the end.
      EXPECT_EQ(lines.size(), 2) << lines.join('\n').toStdString();
      EXPECT_TRUE(lines.value(1).startsWith("velquor: cannot save the pages and settings: "));
    } else {
      EXPECT_EQ(lines, QStringList());
    }
    // Every file but the FIFO renamed into place; nothing else left in
    // Config: no temporary, no lock; and no socket in the runtime folder.
    EXPECT_EQ(Entries(config), files);
    EXPECT_FALSE(ListensIn(root_.path()));
    if (c.fifo) files.removeOne("PingPages.dat");
    EXPECT_EQ(saved.Names(), files);

    const auto begun = std::chrono::steady_clock::now();
    auto next = Launch();
    WaitUntil(*next, [&] { return Catches(*next, SIGTERM); });
    EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::seconds(10));
    EndBySigterm(*next, c.fifo ? 1 : 0);
  }
}

}  // namespace
