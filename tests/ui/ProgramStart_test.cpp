// The real program when its start-up fails: what a user who started it from
// the desktop gets to see.

#include <unistd.h>

#include "ProgramRunFixture.h"

namespace {

// An ordinary user (uid 65534, no capabilities) in a network namespace whose
// ping_group_range lets no group open an ICMP socket: the program says why
// on stderr and in a message that stays up until the user closes it or the
// session ends; then it ends with status 1.
TEST_F(ProgramRun, WithoutAnIcmpSocketTheReasonStaysOnScreenUntilTheSessionEnds) {
  constexpr uid_t Nobody = 65534;
  // The user must reach the program and needs a runtime folder of its own.
  const QFile::Permissions open = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                  QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
  ASSERT_TRUE(QFile::setPermissions(Folder(), open) && QFile::setPermissions(Folder() + "/velquor", open));
  const QString runtime = Folder() + "/runtime";
  ASSERT_TRUE(QDir(Folder()).mkdir("runtime"));
  ASSERT_EQ(::chown(QFile::encodeName(runtime).constData(), Nobody, Nobody), 0);
  ASSERT_TRUE(QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
  QProcessEnvironment user;
  user.insert("XDG_RUNTIME_DIR", runtime);
  user.insert("HOME", Folder());
  auto process = Launch(QProcess::SeparateChannels,
                        {"unshare", "-n", "sh", "-c",
                         "sysctl -qw net.ipv4.ping_group_range='1 0' && exec setpriv --reuid=65534 "
                         "--regid=65534 --clear-groups --inh-caps=-all \"$0\""},
                        user);
  FailedStartUpEndsBySigterm(
      *process, "velquor: no ICMP socket for IPv4: neither ping_group_range nor CAP_NET_RAW allows one\n");
}

}  // namespace
