// The real program kept where users keep it: a home on a file server, one
// whose locks are gone, one that several machines share, a full disk, a
// USB stick. One copy still runs per Config folder wherever the file
// system lets it know, a later start reaches it, and the folder holds no
// more than the program's files once it has ended.

#include <fcntl.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <map>

#include "ProgramRunFixture.h"
#include "TestMounts.h"

namespace {

enum class Place { NetworkHome, NoLocks, SharedHome, FullDisk, Stick };

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
  // Mounts `place` and moves the program onto it; for a shared home, a
  // second mount of the same folder is left in `secondClient`.
  void Prepare(Place place, TestMount& first, TestMount& second, QString& secondClient) {
    const QString server = root_.path() + "/server", one = root_.path() + "/one", two = root_.path() + "/two";
    const QString image = root_.path() + "/disk.img";
    QFile::remove(image);
    for (const QString& folder : {server, one, two})
      ASSERT_TRUE(QDir(folder).removeRecursively() && QDir().mkpath(folder));
    switch (place) {
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
  QStringList told;  // the first copy's lines on stderr
  int status;        // how it ends
  bool saves;        // or its folder stays as it was
};

// A first start runs; a second hands over to it, or, from another
// machine, is refused within 10 s; the first ends by a session end with the
// case's status; the folder holds what it should; the next start runs.
void ProgramOnMount::Sessions(const MountCase& c) {
  TestMount mount, secondMount;
  QString secondClient;
  ASSERT_NO_FATAL_FAILURE(Prepare(c.place, mount, secondMount, secondClient));
  const QString config = Folder() + "/Config";
  const std::map<QString, QByteArray> before = Contents(config);
  {
    auto first = Launch(QProcess::SeparateChannels);
    ASSERT_NO_FATAL_FAILURE(WaitUntil(*first, [&] { return Catches(*first, SIGTERM); }));
    QElapsedTimer took;
    took.start();
    if (secondClient.isEmpty()) {
      auto second = Launch(QProcess::SeparateChannels);
      EXPECT_TRUE(EndsCleanly(*second)) << second->readAllStandardError().toStdString();
    } else {
      // The same folder through the other machine's mount, under its name.
      char host[256] = {};
      ASSERT_EQ(::gethostname(host, sizeof host - 1), 0);
      const QString firstClient = Folder();
      programFolder_ = secondClient;
      auto second = Launch(
          QProcess::SeparateChannels,
          {"unshare", "--uts", "sh", "-c", "echo elsewhere >/proc/sys/kernel/hostname && exec \"$0\""});
      programFolder_ = firstClient;
      EXPECT_NO_FATAL_FAILURE(FailedStartUpEndsBySigterm(
          *second,
          QString("velquor: cannot start: another copy of Velquor holds %1/Config on the computer %2 "
                  "(process %3)\n")
              .arg(secondClient, host)
              .arg(first->processId())
              .toUtf8()));
    }
    EXPECT_LT(took.elapsed(), 10000);
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
  const MountCase cases[] = {
      {"a home on a file server", Place::NetworkHome, {}, 0, true},
      {"a file server without locks", Place::NoLocks, {unlocked.arg("lock", "No locks available")}, 0, true},
      {"a home two machines share", Place::SharedHome, {}, 0, true},
      {"a full disk", Place::FullDisk, {unlocked.arg("make", "No space left on device")}, 1, false},
      {"a USB stick", Place::Stick, {}, 0, true},
  };
  for (const MountCase& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_NO_FATAL_FAILURE(Sessions(c));
  }
}

}  // namespace
