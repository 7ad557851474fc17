// The real program, installed where its user cannot write, started by an
// ordinary user whose environment says nothing of a home: where the pages
// and settings go.

#include <sys/types.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "ProgramRunFixture.h"
#include "pages/PageFiles.h"

namespace {

// The program runs in a mount namespace of its own, where the test's folder
// is seen as /mnt (the program's folder, root's and closed to the user), a
// folder of the test's is /tmp and a password file of the test's is
// /etc/passwd; HOME, TMPDIR and the XDG folders other than the runtime one
// are gone. A user the password file gives a home keeps the pages there; a
// user it does not know has no folder of their own, so the saves go to the
// program's folder and fail, and say so. Nothing ever lands in /tmp, where
// other users could read the pages or plant links for the save to follow.
TEST_F(ProgramRun, WithoutHomeInTheEnvironmentThePagesGoToThePasswordDatabasesHomeOrNowhere) {
  constexpr uid_t Listed = 23456, Unlisted = 23457;
  const QFile::Permissions open = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                  QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
  const QFile::Permissions own = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
  ASSERT_TRUE(QFile::setPermissions(Folder(), open) && QFile::setPermissions(Folder() + "/velquor", open));
  // Writable by all, as the real one: a save aimed there would succeed.
  ASSERT_TRUE(QDir(Folder()).mkdir("tmp"));
  ASSERT_EQ(::chmod(QFile::encodeName(Folder() + "/tmp").constData(), 01777), 0);
  ASSERT_TRUE(MakeOwnedFolder(Folder() + "/home", Listed, own));
  {
    std::ofstream passwd((Folder() + "/passwd").toStdString());
    passwd << "root:x:0:0:root:/root:/bin/sh\n"
           << "listed:x:" << Listed << ":" << Listed << "::/mnt/home:/bin/sh\n";
  }
  const QStringList files = SavedFiles();

  for (const uid_t user : {Listed, Unlisted}) {
    const QString runtime = QString("run-%1").arg(user);
    ASSERT_TRUE(MakeOwnedFolder(Folder() + "/" + runtime, user, own));
    QProcessEnvironment variables;
    variables.insert("XDG_RUNTIME_DIR", "/mnt/" + runtime);
    const QString id = QString::number(user);
    const QString script =
        "mount --bind \"${0%/*}\" /mnt && mount --bind /mnt/tmp /tmp"
        " && mount --bind /mnt/passwd /etc/passwd"
        " && sysctl -qw net.ipv4.ping_group_range='0 2147483647' && exec setpriv --reuid=" +
        id + " --regid=" + id + " --clear-groups --inh-caps=-all /mnt/velquor";
    QStringList through{"env"};
    for (const char* gone : {"HOME", "TMPDIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
      through << "-u" << gone;
    through += QStringList{"unshare", "-m", "-n", "--propagation", "private", "sh", "-c", script};
    auto process = Launch(QProcess::SeparateChannels, through, variables);
    ASSERT_NO_FATAL_FAILURE(WaitUntil(*process, [&] { return Catches(*process, SIGTERM); })) << user;
    ::kill(static_cast<pid_t>(process->processId()), SIGTERM);
    ASSERT_TRUE(process->waitForFinished(ProgramTimeoutMs)) << user;
    const QStringList said = OwnLines(process->readAllStandardError());

    EXPECT_EQ(process->exitStatus(), QProcess::NormalExit) << user;
    if (user == Listed) {
      EXPECT_EQ(process->exitCode(), 0);
      EXPECT_EQ(said, QStringList()) << said.join('\n').toStdString();
      EXPECT_EQ(Entries(Folder() + "/home/.config/velquor/Config"), files);
      EXPECT_TRUE(QFileInfo(Folder() + "/home/.local/share/velquor/Results").isDir());
    } else {
      // The status is left open: the failed save is what the user must learn of.
      ASSERT_EQ(said.size(), 1) << said.join('\n').toStdString();
      EXPECT_TRUE(said[0].startsWith("velquor: cannot save the pages and settings: ") &&
                  said[0].endsWith(" /mnt/Config: Permission denied"))
          << said[0].toStdString();
    }
    EXPECT_EQ(Entries(Folder() + "/tmp"), QStringList()) << user;
    EXPECT_FALSE(QFileInfo::exists(Folder() + "/Config")) << user;
  }
}

}  // namespace
