#pragma once

// File systems the tests mount themselves (as root, as CI runs them): the
// tests' own FUSE file system over a local folder, and loop images. Each
// is unmounted, lazily so that nothing still open can keep it, and its
// loop device let go when the object ends, however the test ends.

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QProcess>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>

#include "support/Waits.h"

#ifndef VELQUOR_SERVER_LOCK_FS
#error "VELQUOR_SERVER_LOCK_FS must name the tests' file system"
#endif

class TestMount {
 public:
  TestMount() = default;
  ~TestMount() {
    if (!point_.isEmpty()) ::umount2(QFile::encodeName(point_).constData(), MNT_DETACH);
    if (server_) server_->waitForFinished(5000);
    // A device still in use is let go once it is not.
    if (!device_.isEmpty()) Run("losetup", {"-d", device_});
  }
  TestMount(const TestMount&) = delete;
  TestMount& operator=(const TestMount&) = delete;

  // Mounts `folder` at `point` through the tests' own file system; empty,
  // or what went wrong.
  QString Fuse(const QString& folder, const QString& point, bool noLocks = false) {
    if (const int fd = ::open("/dev/fuse", O_RDWR | O_CLOEXEC); fd >= 0)
      ::close(fd);
    else
      return "FUSE is missing: /dev/fuse: " + QString::fromLocal8Bit(std::strerror(errno));
    server_ = std::make_unique<QProcess>();
    server_->setProcessChannelMode(QProcess::MergedChannels);
    QStringList arguments{folder, point};
    if (noLocks) arguments.prepend("--no-locks");
    server_->start(VELQUOR_SERVER_LOCK_FS, arguments);
    point_ = point;
    return Mounted(point);
  }

  // Attaches `image` to a free loop device and mounts it at `point` with
  // `command` (the device and the point appended).
  QString Loop(const QString& image, const QString& point, const QStringList& command) {
    QByteArray said;
    if (Run("losetup", {"-f", "--show", image}, &said) != 0)
      return "no loop device: losetup -f --show: " + QString::fromLocal8Bit(said);
    device_ = QString::fromLocal8Bit(said).trimmed();
    if (Run(command.front(), command.mid(1) << device_ << point, &said) != 0)
      return command.join(' ') + ": " + QString::fromLocal8Bit(said);
    point_ = point;
    return Mounted(point);
  }

  // Runs a command to its end, 60 s at most; its exit code, or -1.
  static int Run(const QString& program, const QStringList& arguments, QByteArray* said = nullptr) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool ended = process.waitForFinished(60000);
    if (!ended) process.kill(), process.waitForFinished();
    if (said) *said = process.readAll();
    return ended && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  }

 private:
  // Until `point` lies on a file system of its own, 10 s at most; what the
  // tests' file system said when it does not.
  QString Mounted(const QString& point) const {
    const QByteArray path = QFile::encodeName(point), parent = path + "/..";
    if (WaitUntil(
            [&] {
              struct stat mount {
              }, above{};
              return ::stat(path.constData(), &mount) == 0 && ::stat(parent.constData(), &above) == 0 &&
                     mount.st_dev != above.st_dev;
            },
            std::chrono::seconds(10)))
      return {};
    return point + " was not mounted within 10 s " +
           (server_ ? QString::fromLocal8Bit(server_->readAll()) : "");
  }

  QString point_, device_;
  std::unique_ptr<QProcess> server_;
};
