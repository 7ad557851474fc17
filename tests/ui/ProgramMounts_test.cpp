// The real program kept where users keep it: a home on a file server, one
// whose locks are gone, one that several machines share, a full disk, a
// USB stick, a local disk. One copy still runs per Config folder wherever
// the file system lets it know, a later start reaches it from any session
// of its user, on a computer renamed meanwhile too, or says at once whose
// it is, and the folder holds no more than the program's files once it has
// ended.

#include <fcntl.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <map>

#include "ProgramRunFixture.h"
#include "TestMounts.h"

namespace {

enum class Place { NetworkHome, NoLocks, SharedHome, FullDisk, Stick, LocalDisk, UsersFolder };

// How a copy is started.
enum class From {
  Desktop,         // in the desktop session, with its runtime folder
  NoRuntime,       // without a runtime folder: su -, sudo -u, runuser, a cleaned environment
  OtherRuntime,    // with another runtime folder of the user's own
  NamedWithSpace,  // on a computer named "my box" (a UTS name space of its own)
  Here,            // on the first copy's computer
  HereRenamed,     // on the first copy's computer, renamed "renamed" since that copy started
  // On another computer that shares the folder, through a mount of its own:
  // a host name, runtime folders, network and processes of its own.
  OtherComputer,
  FolderOwner,  // as the user who owns the program's folder
};

// The user whose folder the program is in, where it is not root's.
constexpr uid_t FolderOwner = 23456;

// Takes every block and then every inode the file system at `folder` has
// left, as a disk filled by other files or a spent quota would.
bool FillUp(const QString& folder) {
  const QByteArray filler = QFile::encodeName(folder + "/filler");
  const int fd = ::open(filler.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  off_t size = 0;
  for (off_t chunk = off_t{1} << 30; chunk >= 512; chunk /= 2)
    while (::fallocate(fd, 0, size, chunk) == 0) size += chunk;
  ::close(fd);
  for (int i = 0; i < 1000000; ++i) {
    const int made = ::open((filler + QByteArray::number(i)).constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (made < 0) return errno == ENOSPC;
    ::close(made);
  }
  return false;
}

// An empty disk image of `size` bytes.
bool MakeImage(const QString& path, qint64 size) {
  QFile image(path);
  return image.open(QIODevice::WriteOnly) && image.resize(size);
}

// Every file in `folder` with its bytes.
std::map<QString, QByteArray> Contents(const QString& folder) {
  std::map<QString, QByteArray> contents;
  for (const QString& name : Entries(folder)) {
    QFile file(folder + "/" + name);
    contents[name] = file.open(QIODevice::ReadOnly) ? file.readAll() : "(unreadable)";
  }
  return contents;
}

struct MountCase;

class ProgramOnMount : public ProgramRun {
 protected:
  void Sessions(const MountCase& c);
  std::unique_ptr<QProcess> Start(From how, qint64 first);

  // The runtime folders of the test's computers lie below one folder, so
  // that another computer can have its own in their place.
  QString Runtime(const char* name = nullptr) const {
    return root_.path() + "/run" + (name ? QString("/") + name : QString());
  }
  // Mounts `place` and moves the program onto it; for a shared home, a
  // second mount of the same folder is left in `secondClient`.
  void Prepare(Place place, TestMount& first, TestMount& second, QString& secondClient) {
    const QString server = root_.path() + "/server", one = root_.path() + "/one", two = root_.path() + "/two";
    const QString image = root_.path() + "/disk.img";
    QFile::remove(image);
    for (const QString& folder : {server, one, two, Runtime("desktop"), Runtime("other")})
      ASSERT_TRUE(QDir(folder).removeRecursively() && QDir().mkpath(folder));
    for (const char* runtime : {"desktop", "other"})
      ASSERT_TRUE(
          QFile::setPermissions(Runtime(runtime), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    switch (place) {
      case Place::LocalDisk:
        break;
      case Place::UsersFolder:
        // As a user's build folder: theirs, below folders they may enter.
        ASSERT_TRUE(QFile::setPermissions(root_.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                            QFile::ExeOwner | QFile::ExeGroup |
                                                            QFile::ExeOther));
        ASSERT_TRUE(MakeOwnedFolder(one, FolderOwner,
                                    QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                        QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                        QFile::ExeOther));
        break;
      case Place::NetworkHome:
      case Place::NoLocks:
        ASSERT_EQ(first.Fuse(server, one, place == Place::NoLocks), "");
        break;
      case Place::SharedHome:
        ASSERT_EQ(first.Fuse(server, one), "");
        ASSERT_EQ(second.Fuse(server, two), "");
        secondClient = two;
        break;
      case Place::FullDisk:
        // The smallest image mkfs.xfs takes.
        ASSERT_TRUE(MakeImage(image, 300 << 20));
        ASSERT_EQ(TestMount::Run("mkfs.xfs", {"-q", image}), 0);
        ASSERT_EQ(first.Loop(image, one, {"mount", "-t", "xfs"}), "");
        break;
      case Place::Stick:
        ASSERT_TRUE(MakeImage(image, 64 << 20));
        ASSERT_EQ(TestMount::Run("mkfs.exfat", {image}), 0);
        // As a desktop mounts it for its user: the user's, closed to others' writes.
        ASSERT_EQ(first.Loop(image, one,
                             {"mount.exfat-fuse", "-o",
                              QString("uid=%1,gid=%2,umask=022").arg(::getuid()).arg(::getgid())}),
                  "");
        break;
    }
    ASSERT_NO_FATAL_FAILURE(PlaceProgram(one));
    if (place == Place::UsersFolder) {
      ASSERT_EQ(::chown(QFile::encodeName(one + "/velquor").constData(), FolderOwner, FolderOwner), 0);
    }
    if (place == Place::FullDisk) {
      ASSERT_TRUE(QDir(one).mkdir("Results"));
      auto page = DefaultPingPage(Mode::MultiPing);
      page->Name = "kept";
      ASSERT_NO_FATAL_FAILURE(WriteOnlyPage(Mode::MultiPing, *page));
      ASSERT_TRUE(FillUp(one));
    }
  }
};

struct MountCase {
  const char* what;
  Place place;
  From first, later;
  // What the later start says as it refuses, or nothing when it hands over;
  // "<config>" is its Config folder, "<host>" and "<pid>" the first's.
  QString refusal = {};
  QStringList told = {};  // the first copy's lines on stderr
  int status = 0;         // how it ends
  bool saves = true;      // or its folder stays as it was
};

// Through these a copy is started the case's way, `first` being the first
// copy's process.
std::unique_ptr<QProcess> ProgramOnMount::Start(From how, qint64 first) {
  const auto named = [](const char* name, const QStringList& through) {
    return through +
           QStringList{"sh", "-c",
                       QString("printf %s '%1' >/proc/sys/kernel/hostname && exec \"$0\"").arg(name)};
  };
  const QStringList here{"nsenter", "--target", QString::number(first), "--uts"};
  QProcessEnvironment variables;
  variables.insert("XDG_RUNTIME_DIR", Runtime("desktop"));
  QStringList through;
  switch (how) {
    case From::Desktop:
      break;
    case From::NoRuntime:
      through = {"env", "-u", "XDG_RUNTIME_DIR"};
      break;
    case From::OtherRuntime:
      variables.insert("XDG_RUNTIME_DIR", Runtime("other"));
      break;
    case From::NamedWithSpace:
      through = named("my box", {"unshare", "--uts"});
      break;
    case From::Here:
      through = here;
      break;
    case From::HereRenamed:
      through = named("renamed", here);
      break;
    case From::OtherComputer:
      // Nothing of the first computer but the shared folder's server is
      // reachable from it: its runtime folders are others at the same paths.
      through = QString("unshare --uts --mount --net --pid --fork --mount-proc sh -c").split(' ')
                << QString(
                       "mount -t tmpfs tmpfs '%1' && mkdir -m 700 '%2' && "
                       "echo elsewhere >/proc/sys/kernel/hostname && exec \"$0\"")
                       .arg(Runtime(), Runtime("desktop"));
      break;
    case From::FolderOwner:
      through = AsUser(FolderOwner);
      break;
  }
  return Launch(QProcess::SeparateChannels, through, variables);
}

// A first start runs; a later one hands over to it within 3 s, or is
// refused within 5 s; the first ends by a session end with the case's
// status; the folder holds what it should; the next start runs.
void ProgramOnMount::Sessions(const MountCase& c) {
  TestMount mount, secondMount;
  QString secondClient;
  ASSERT_NO_FATAL_FAILURE(Prepare(c.place, mount, secondMount, secondClient));
  const QString config = Folder() + "/Config";
  const std::map<QString, QByteArray> before = Contents(config);
  {
    auto first = Start(c.first, 0);
    ASSERT_NO_FATAL_FAILURE(WaitUntil(*first, [&] { return Catches(*first, SIGTERM); }));
    char host[256] = {};
    ASSERT_EQ(::gethostname(host, sizeof host - 1), 0);
    const QString firstClient = Folder();
    // The same folder through the other computer's mount.
    if (c.later == From::OtherComputer) programFolder_ = secondClient;
    QElapsedTimer took;
    took.start();
    auto later = Start(c.later, first->processId());
    if (c.refusal.isEmpty()) {
      EXPECT_TRUE(EndsCleanly(*later)) << later->readAllStandardError().toStdString();
      EXPECT_LT(took.elapsed(), 3000);
    } else {
      QString refusal = c.refusal;
      refusal.replace("<config>", Folder() + "/Config")
          .replace("<host>", c.first == From::NamedWithSpace ? "my box" : host)
          .replace("<pid>", QString::number(first->processId()));
      EXPECT_NO_FATAL_FAILURE(FailedStartUpEndsBySigterm(
          *later, "velquor: cannot start: " + refusal.toUtf8() + "\n", 5000, c.later == From::OtherComputer));
    }
    programFolder_ = firstClient;
    EXPECT_EQ(first->state(), QProcess::Running);
    ASSERT_NO_FATAL_FAILURE(EndBySigterm(*first, c.status));
    // Said once, first; a full disk's failed saves say so after it, and
    // nothing else is said.
    const QStringList told = OwnLines(first->readAllStandardError());
    EXPECT_EQ(told.mid(0, c.told.size()), QStringList(c.told).replaceInStrings("<config>", config));
    const QStringList after = told.mid(c.told.size());
    EXPECT_EQ(after.size(), c.saves ? 0 : 1) << told.join('\n').toStdString();
    for (const QString& line : after)
      EXPECT_TRUE(line.startsWith("velquor: cannot save the pages and settings: "));
  }
  if (c.saves) {
    QStringList expected = SavedFiles();
    if (c.place == Place::NoLocks) expected = (expected << "velquor.lock"), expected.sort();
    EXPECT_EQ(Entries(config), expected);
  } else {
    EXPECT_EQ(Contents(config), before);
  }
  auto next = Launch(QProcess::SeparateChannels);
  ASSERT_NO_FATAL_FAILURE(EndBySigterm(*next, c.status));
}

TEST_F(ProgramOnMount, OneCopyRunsAndTakesLaterStartsWhereverItsFolderLives) {
  const QString unlocked =
      "velquor: <config> cannot keep a second copy of Velquor out (cannot %1 <config>/velquor.lock: %2)";
  const QString elsewhere = "another copy of Velquor holds <config> on the computer <host> (process <pid>)";
  const QString root =
      "another copy of Velquor holds <config> and runs as another user (root, process <pid>)";
  using enum From;
  // clang-format off
  const MountCase cases[] = {
      {"a home on a file server", Place::NetworkHome, Desktop, Desktop},
      {"a file server without locks", Place::NoLocks, Desktop, Desktop, {}, {unlocked.arg("lock", "No locks available")}},
      {"a home two computers share", Place::SharedHome, Desktop, OtherComputer, elsewhere},
      {"a home two computers share, one named with a space", Place::SharedHome, NamedWithSpace, OtherComputer, elsewhere},
      {"a full disk", Place::FullDisk, Desktop, Desktop, {}, {unlocked.arg("make", "No space left on device")}, 1, false},
      {"a USB stick, from a session without a runtime folder", Place::Stick, Desktop, NoRuntime},
      {"a local disk, from another runtime folder", Place::LocalDisk, Desktop, OtherRuntime},
      {"a local disk, to a copy without a runtime folder", Place::LocalDisk, NoRuntime, Desktop},
      {"a computer named with a space", Place::LocalDisk, NamedWithSpace, Here},
      {"a computer renamed since its copy started", Place::LocalDisk, NamedWithSpace, HereRenamed},
      {"the user's folder, with a copy run as root", Place::UsersFolder, Desktop, FolderOwner, root},
  };
  // clang-format on
  for (const MountCase& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_NO_FATAL_FAILURE(Sessions(c));
  }
}

}  // namespace
