// The real program run by root with its Config in a folder shared with
// other users, where another user was first: what it writes, and what it
// says; and run by root in a user's own folder, which stays the user's.

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDirIterator>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "ProgramRunFixture.h"
#include "pages/PageFiles.h"

namespace {

constexpr uid_t Other = 23456;

QByteArray Bytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

// Root starts the program from a read-only folder (/mnt/program) with its
// XDG folders in a shared sticky /tmp. There `velquor/Config` holds
// config.ini and PingPages.dat as links to two files of root's, closed to
// all others. A Config another user made is not used, nor is a link
// another user made in root's own one: root's files stay as they were,
// start-up names what it passes over, and the saves fail and say so. The
// links root made itself are followed.
TEST_F(ProgramRun, FoldersAndLinksAnotherUserMadeAreNeitherReadNorWrittenThrough) {
  const QFile::Permissions open = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                  QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
  const QFile::Permissions all = open | QFile::WriteGroup | QFile::WriteOther;
  ASSERT_TRUE(QFile::setPermissions(Folder(), open));
  ASSERT_TRUE(QDir(Folder()).mkpath("program") &&
              QFile::rename(Folder() + "/velquor", Folder() + "/program/velquor"));
  ASSERT_TRUE(MakeOwnedFolder(Folder() + "/run", 0, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
  ASSERT_TRUE(QDir(Folder()).mkpath("own") && QDir(Folder()).mkpath("tmp"));
  ASSERT_EQ(::chmod(QFile::encodeName(Folder() + "/tmp").constData(), 01777), 0);
  // Root's files: a page file and a settings file of the program's own, as
  // one keeps them where links lead.
  TPingRegistry pages(Mode::Ping);
  ASSERT_TRUE(AddPage(pages, *DefaultPingPage(Mode::Ping)));
  ASSERT_TRUE(SavePages(pages, (Folder() + "/own").toStdString()).ok());
  const QString data = Folder() + "/own/data", notes = Folder() + "/own/notes";
  ASSERT_TRUE(QFile::rename(Folder() + "/own/PingPages.dat", data));
  std::ofstream(notes.toStdString()) << "[MAIN]\nCsvType=0\n";
  for (const QString& file : {data, notes})
    ASSERT_TRUE(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner));

  const QString shared = Folder() + "/tmp/velquor", config = shared + "/Config";
  const QString said = "/tmp/velquor/Config";
  const struct {
    const char* what;
    uid_t folderOwner;
    QFile::Permissions folderMode;
    uid_t linkOwner;
    QStringList lines;  // what it says on stderr; <id>: the other user's
    bool written;       // whether root's files were saved through the links
  } cases[] = {
      {"a Config another user made",
       Other,
       all,
       Other,
       {said +
            " is not used (/tmp/velquor above it belongs to user <id>): no page or setting is read from it, "
            "and every save of them fails.",
        "/tmp/velquor/Results is not used (/tmp/velquor above it belongs to user <id>): the reports meant "
        "for "
        "it are not saved.",
        "cannot save the pages and settings: " + said +
            " is not used (/tmp/velquor above it belongs to user <id>)"},
       false},
      {"links another user made in root's Config",
       0,
       open,
       Other,
       {said + "/PingPages.dat could not be read (a link that user <id> made, which is not followed); it is "
               "left "
               "as it is and not replaced.",
        said + "/config.ini could not be read (a link that user <id> made, which is not followed); it is "
               "left as "
               "it is and not replaced.",
        "cannot save the pages and settings: not replacing " + said +
            "/PingPages.dat, which could not be read: " + said +
            "/PingPages.dat: a link that user <id> made, which is not followed"},
       false},
      {"links root made in its Config", 0, open, 0, {}, true},
  };
  const QByteArray dataBefore = Bytes(data), notesBefore = Bytes(notes);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(QDir(shared).removeRecursively());
    ASSERT_TRUE(MakeOwnedFolder(shared, c.folderOwner, c.folderMode));
    ASSERT_TRUE(MakeOwnedFolder(config, c.folderOwner, c.folderMode));
    for (const auto& [link, target] :
         {std::pair{"config.ini", "/mnt/own/notes"}, {"PingPages.dat", "/mnt/own/data"}}) {
      const QByteArray path = QFile::encodeName(config + "/" + link);
      ASSERT_EQ(::symlink(target, path.constData()), 0);
      ASSERT_EQ(::lchown(path.constData(), c.linkOwner, c.linkOwner), 0);
    }
    QProcessEnvironment variables;
    for (const char* xdg : {"XDG_CONFIG_HOME", "XDG_DATA_HOME"}) variables.insert(xdg, "/tmp");
    // The toolkit's runtime folder: the test's own folder lies hidden
    // beneath the /tmp mounted here, and the toolkit would make it anew in
    // the shared /tmp.
    variables.insert("XDG_RUNTIME_DIR", "/mnt/run");
    const QString script =
        "mount --bind \"${0%/*}\" /mnt && mount --bind /mnt/program /mnt/program"
        " && mount -o remount,bind,ro /mnt/program && mount --bind /mnt/tmp /tmp && exec "
        "/mnt/program/velquor";
    const QStringList through{"unshare", "-m", "--propagation", "private", "sh", "-c", script};
    auto process = Launch(QProcess::SeparateChannels, through, variables);
    ASSERT_NO_FATAL_FAILURE(EndBySigterm(*process, c.written ? 0 : 1));

    EXPECT_EQ(OwnLines(process->readAllStandardError()),
              QStringList(c.lines)
                  .replaceInStrings("<id>", QString::number(Other))
                  .replaceInStrings(QRegularExpression("^"), "velquor: "));
    EXPECT_EQ(Bytes(data) != dataBefore || Bytes(notes) != notesBefore, c.written);
    if (c.written) {
      EXPECT_TRUE(Bytes(notes).contains("\nMaximized=0\n"));
    }
    EXPECT_EQ(QFileInfo(data).permissions() & all, QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_TRUE(QFileInfo(config + "/PingPages.dat").isSymLink());
  }
}

// What in `folder` (its own entry included) does not belong to `owner` as
// user and group, each named with its owner.
QStringList NotOwnedBy(const QString& folder, uid_t owner) {
  QStringList others;
  QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                  QDirIterator::Subdirectories);
  for (QString path = folder; !path.isEmpty(); path = it.hasNext() ? it.next() : QString()) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0 || info.st_uid != owner ||
        info.st_gid != owner)
      others << QString("%1 (%2:%3)").arg(path).arg(info.st_uid).arg(info.st_gid);
  }
  return others;
}

// A user builds the program in a folder of their own and tries it with
// sudo first; or runs it, and then once as root, which is killed and leaves
// its lock. Everything the root run made is the user's, and the
// user's next run starts, saves every file and ends with status 0.
TEST_F(ProgramRun, ARunAsRootInTheUsersFolderLeavesItTheUsers) {
  const QFile::Permissions own = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
  const QFile::Permissions open =
      own | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
  ASSERT_TRUE(MakeOwnedFolder(Folder(), Other, open));
  ASSERT_EQ(::chown(QFile::encodeName(Folder() + "/velquor").constData(), Other, Other), 0);
  // A runtime folder of each user's own: given the test's folder, which is
  // not root's and is open to all, the toolkit would make one in /tmp.
  const QTemporaryDir rootRuntime;
  const QString userRuntime = Folder() + "/run";
  ASSERT_TRUE(MakeOwnedFolder(userRuntime, Other, own));
  QProcessEnvironment asRoot, asUser;
  asRoot.insert("XDG_RUNTIME_DIR", rootRuntime.path());
  asUser.insert("XDG_RUNTIME_DIR", userRuntime);
  // One session, running once it listens for later starts, ended by `signal`.
  const auto run = [&](bool root, int signal) {
    auto process =
        Launch(QProcess::SeparateChannels, root ? QStringList() : AsUser(Other), root ? asRoot : asUser);
    WaitUntil(*process, [&] { return Catches(*process, SIGTERM); });
    WaitUntil(*process, [&] { return ListensIn(root ? rootRuntime.path() : userRuntime); });
    if (signal == SIGKILL) {
      ::kill(static_cast<pid_t>(process->processId()), SIGKILL);
      EXPECT_TRUE(process->waitForFinished(ProgramTimeoutMs));
      EXPECT_EQ(Entries(Folder() + "/Config").filter("velquor."), QStringList{"velquor.lock"});
    } else {
      EndBySigterm(*process);
    }
    return OwnLines(process->readAllStandardError());
  };
  const struct {
    const char* what;
    std::vector<std::pair<bool, int>> runs;  // as root?, how it ends
  } cases[] = {
      {"a first run as root", {{true, SIGTERM}}},
      {"a run as root killed after the user's own", {{false, SIGTERM}, {true, SIGKILL}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    for (const char* made : {"Config", "Results"})
      ASSERT_TRUE(QDir(Folder() + "/" + made).removeRecursively());
    for (const auto& [root, signal] : c.runs) ASSERT_EQ(run(root, signal), QStringList());
    for (const char* made : {"Config", "Results"})
      EXPECT_EQ(NotOwnedBy(Folder() + "/" + made, Other), QStringList());

    const FolderWatch saved(Folder() + "/Config");
    EXPECT_EQ(run(false, SIGTERM), QStringList());
    EXPECT_EQ(saved.Names(), SavedFiles());
  }
}

}  // namespace
