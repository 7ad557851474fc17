// The real program's page files and settings when their folders misbehave:
// they turn read-only, cannot be examined, hold more than they count, or
// the program is killed while it keeps a copy aside.

#include <fstream>
#include <string>

#include "ProgramRunFixture.h"
#include "pages/PageFileCodec.h"
#include "pages/PageFiles.h"
#include "pages/PageOperations.h"
#include "platform/AtomicFile.h"
#include "platform/FileIo.h"
#include "ui/PageListHandlers.h"

namespace {

std::string Bytes(const QString& path) { return ReadFilePrefix(path.toStdString(), 1 << 24).value_or("-"); }

void Put(const QString& path, const std::string& bytes) {
  ASSERT_TRUE(MakeFolder(QFileInfo(path).path().toStdString()).ok());
  ASSERT_TRUE(WriteFileAtomically(path.toStdString(), bytes).ok());
}

// A Ping page file holding a page of each name, in order.
std::string PingFile(const QStringList& names) {
  TPingRegistry pages(Mode::Ping);
  for (const QString& name : names) {
    std::unique_ptr<TPingPage> page = DefaultPingPage(Mode::Ping);
    page->Name = name.toStdString();
    EXPECT_TRUE(AddPage(pages, *page));
  }
  return EncodePageFile(pages);
}

// The Config folder and the result folder are chosen at start-up: once the
// program's folder turns read-only (here a read-only remount in a mount
// namespace of the program's own, as root ignores permission bits), the
// saves fail and say so, and never go to the user's folder, whose files
// this session did not load. The single-instance lock in the Config folder
// is held through a descriptor open for reading only, which does not keep
// the folder from turning read-only.
TEST_F(ProgramRun, SavesAfterTheProgramsFolderTurnsReadOnlyFailAndLeaveTheUsersFolderAlone) {
  const QTemporaryDir user;
  const QString userConfig = user.path() + "/velquor/Config";
  const std::string earlier = PingFile({"earlier"}), session = PingFile({"this session"});
  Put(userConfig + "/PingPages.dat", earlier);
  Put(userConfig + "/config.ini", "[MAIN]\nCsvType=0\n");
  Put(Folder() + "/Config/PingPages.dat", session);

  auto process = Launch(QProcess::SeparateChannels,
                        {"env", "XDG_CONFIG_HOME=" + user.path(), "unshare", "-m", "--propagation", "private",
                         "sh", "-c", "mount --bind \"${0%/*}\" \"${0%/*}\" && exec \"$0\""});
  WaitFor(*process, "Results");
  ASSERT_EQ(QProcess::execute("nsenter", {"-t", QString::number(process->processId()), "-m", "mount", "-o",
                                          "remount,bind,ro", Folder()}),
            0);
  EndBySigterm(*process, 1);

  const QStringList said = OwnLines(process->readAllStandardError());
  ASSERT_EQ(said.size(), 1) << said.join('\n').toStdString();
  EXPECT_TRUE(said[0].contains(Folder() + "/Config") && said[0].contains("Read-only file system"))
      << said[0].toStdString();
  EXPECT_EQ(Entries(userConfig), (QStringList{"PingPages.dat", "config.ini"}));
  EXPECT_TRUE(Bytes(userConfig + "/PingPages.dat") == earlier);
  EXPECT_EQ(Bytes(userConfig + "/config.ini"), "[MAIN]\nCsvType=0\n");
  EXPECT_TRUE(Bytes(Folder() + "/Config/PingPages.dat") == session);
}

// A Config or Results folder that cannot even be examined, a loop of links
// or one behind a folder the program may not enter, neither stops the
// start nor keeps a failed save quiet. The program runs without the two
// capabilities that let root pass any permission bits.
TEST_F(ProgramRun, FoldersThatCannotBeExaminedStopNoStartAndFailedSavesSaySo) {
  const struct {
    const char* folder;
    const char* link;  // where the folder's name leads
    const char* said;  // the reason the failed save gives, if any
  } cases[] = {
      {"Config", "Config", "Too many levels of symbolic links"},
      {"Config", "locked/Config", "Permission denied"},
      {"Results", "Results", nullptr},
      {"Results", "locked/Results", nullptr},
  };
  ASSERT_TRUE(QDir(Folder()).mkdir("locked"));
  ASSERT_TRUE(QFile::setPermissions(Folder() + "/locked", {}));
  for (const auto& c : cases) {
    const std::string what = std::string(c.folder) + " -> " + c.link;
    for (const char* made : {"Config", "Results"})
      ASSERT_TRUE(QDir(Folder() + "/" + made).removeRecursively());
    ASSERT_TRUE(QFile::link(c.link, Folder() + "/" + c.folder)) << what;

    auto process =
        Launch(QProcess::SeparateChannels, {"setpriv", "--bounding-set", "-dac_override,-dac_read_search"});
    EndBySigterm(*process, c.said ? 1 : 0);
    const QStringList said = OwnLines(process->readAllStandardError());
    if (c.said) {
      EXPECT_TRUE(said.size() == 1 && said[0].contains(Folder() + "/Config") && said[0].contains(c.said))
          << what << ": " << said.join('\n').toStdString();
    } else {
      EXPECT_EQ(said, QStringList()) << what;
      EXPECT_TRUE(QFileInfo::exists(Folder() + "/Config/PingPages.dat")) << what;
    }
    ASSERT_TRUE(QFile::remove(Folder() + "/" + c.folder));
  }
}

// The pages a file's header counts load, and the bytes after them, which
// may be pages too, are kept aside at start-up, before any save replaces
// the file, and stderr says so once.
TEST_F(ProgramRun, PageFilesHoldingMoreThanTheyCountAreKeptAsideBeforeTheSave) {
  std::string onePageMore = PingFile({"one", "two", "three"});
  onePageMore[4] = 2;
  const std::string counted = PingFile({"one", "two"});
  const QString file = Folder() + "/Config/PingPages.dat";
  const std::pair<std::string, QString> cases[] = {
      {onePageMore, "3656 bytes follow the last of 2 page records"},
      {counted + std::string(1300, 'x'), "1300 bytes follow the last of 2 page records"},
  };
  for (const auto& [bytes, why] : cases) {
    Put(file, bytes);
    EXPECT_EQ(OwnLines(Session("Results")), QStringList{"velquor: " + file + " was not read whole (" + why +
                                                        "); it is kept as " + file + ".bad."});
    EXPECT_TRUE(Bytes(file + ".bad") == bytes);
    EXPECT_TRUE(Bytes(file) == counted);
    QFile::remove(file + ".bad");
  }
}

// A copy aside is written under a temporary name: one cut short by a kill
// is never taken for a whole copy, and the next start removes it. The file
// is sparse and larger than the reader takes, so the copy is long and the
// kill lands while it is written, at start-up; it uses little disk as the
// kill is quick.
TEST_F(ProgramRun, ACopyAsideCutShortByAKillLeavesATemporaryTheNextStartRemoves) {
  const QString config = Folder() + "/Config";
  Put(config + "/PingPages.dat", PingFile({"one"}));
  ASSERT_TRUE(QFile::resize(config + "/PingPages.dat", qint64{1} << 30));
  const FolderWatch created(config, IN_CREATE);

  auto process = Launch();
  bool copying = false;
  QDeadlineTimer deadline(ProgramTimeoutMs);
  while (!copying && !deadline.hasExpired() && !process->waitForFinished(0))
    copying = !created.Names(50).filter("PingPages.dat.bad").isEmpty();
  if (copying) ::kill(static_cast<pid_t>(process->processId()), SIGKILL);
  ASSERT_TRUE(copying);
  ASSERT_TRUE(process->waitForFinished(ProgramTimeoutMs));
  const QStringList left = Entries(config).filter("PingPages.dat.bad");
  ASSERT_EQ(left.size(), 1) << left.join(' ').toStdString();
  EXPECT_TRUE(AtomicFile::IsTemporaryOf(left[0].toStdString(), "PingPages.dat.bad")) << left[0].toStdString();

  // The next copy, of a small damaged file, takes the first name.
  const std::string damaged = PingFile({"one"}) + "more";
  Put(config + "/PingPages.dat", damaged);
  Session("Results");
  EXPECT_EQ(Entries(config).filter("PingPages.dat.bad"), QStringList{"PingPages.dat.bad"});
  EXPECT_TRUE(Bytes(config + "/PingPages.dat.bad") == damaged);
}

}  // namespace
