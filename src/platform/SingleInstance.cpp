#include "platform/SingleInstance.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

namespace {

// A later start that connects but never finishes its line must not keep a
// socket open for the rest of the session.
constexpr int ClientGraceMs = 5000;
// How long a lock file without a readable owner is taken to be in the middle
// of being written.
constexpr qint64 UnreadableLockGraceMs = 2000;

// Empty when there is no folder the lock can safely live in.
QString DefaultFolder() {
  const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (!runtime.isEmpty()) return runtime;
  // Without a runtime folder the temporary folder is shared by all users, so
  // the user id goes into the folder name to keep one copy per user. Another
  // user may have made a folder of that name first, to take the lock or the
  // socket from us: only a folder that is ours and closed to everyone else
  // is used. The sticky temporary folder keeps it ours once it is.
  const QString shared = QDir::tempPath() + QStringLiteral("/velquor-") + QString::number(::getuid());
  const QByteArray path = QFile::encodeName(shared);
  ::mkdir(path.constData(), S_IRWXU);
  struct stat made {};
  if (::lstat(path.constData(), &made) != 0 || !S_ISDIR(made.st_mode) || made.st_uid != ::getuid() ||
      (made.st_mode & (S_IRWXG | S_IRWXO)) != 0)
    return {};
  return shared;
}

QString RealExecutablePath() {
  if (QCoreApplication::instance()) return QCoreApplication::applicationFilePath();
  return QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
}

}  // namespace

SingleInstance::SingleInstance(QString folder, QString ownPath, QObject* parent)
    : QObject(parent),
      folder_(folder.isEmpty() ? DefaultFolder() : std::move(folder)),
      ownPath_(ownPath.isEmpty() ? RealExecutablePath() : std::move(ownPath)) {}

SingleInstance::~SingleInstance() {
  if (server_) server_->close();
  if (lock_) lock_->unlock();
}

QString SingleInstance::LockPath() const { return folder_ + QStringLiteral("/velquor.lock"); }

QString SingleInstance::SocketPath() const { return folder_ + QStringLiteral("/velquor.socket"); }

SingleInstance::Role SingleInstance::Acquire() {
  if (folder_.isEmpty()) return Role::Unguarded;
  QDir().mkpath(folder_);
  lock_ = std::make_unique<QLockFile>(LockPath());
  // Age never makes the lock stale: only an owner process that no longer
  // runs does, which is exactly the crash case.
  lock_->setStaleLockTime(0);
  if (lock_->tryLock(0)) return Role::Primary;
  if (lock_->error() == QLockFile::LockFailedError && LockLooksAbandoned()) {
    lock_->removeStaleLockFile();
    if (lock_->tryLock(0)) return Role::Primary;
  }
  const QLockFile::LockError error = lock_->error();
  lock_.reset();
  // A folder we cannot write must not keep the user from working: without a
  // lock the program simply runs unguarded.
  return error == QLockFile::LockFailedError ? Role::Secondary : Role::Unguarded;
}

bool SingleInstance::LockLooksAbandoned() const {
  qint64 pid = 0;
  QString host, application;
  if (lock_->getLockInfo(&pid, &host, &application) && pid > 0) return false;
  // No owner can be read from it: a copy that died between creating the
  // file and writing its id into it, or a damaged file. Left alone it would
  // turn every later start away. A live copy writes its id right after
  // creating the file, so only a file that stays unreadable for a while is
  // given up.
  const QDateTime written = QFileInfo(LockPath()).lastModified();
  return written.isValid() && written.msecsTo(QDateTime::currentDateTime()) > UnreadableLockGraceMs;
}

bool SingleInstance::Listen() {
  if (server_) return server_->isListening();
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  // Slots of this class end every failure themselves: a later start must
  // never be able to throw into the running copy's event loop.
  connect(server_, &QLocalServer::newConnection, this, [this] {
    try {
      OnNewConnection();
    } catch (...) {
    }
  });
  QLocalServer::removeServer(SocketPath());
  return server_->listen(SocketPath());
}

void SingleInstance::OnNewConnection() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    socket->setParent(this);
    socket->setReadBufferSize(MaxMessage + 1);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
      try {
        OnReadable(socket);
      } catch (...) {
        socket->abort();
      }
    });
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(ClientGraceMs, socket, [socket] { socket->abort(); });
    // The line may already be complete when the connection is handed over.
    if (socket->bytesAvailable() > 0) OnReadable(socket);
  }
}

void SingleInstance::OnReadable(QLocalSocket* socket) {
  if (!socket->canReadLine()) {
    if (socket->bytesAvailable() > MaxMessage) socket->abort();
    return;
  }
  QByteArray line = socket->readLine(MaxMessage + 1);
  socket->disconnectFromServer();
  if (line.endsWith('\n')) line.chop(1);
  // The path is compared byte for byte: another folder, or the same folder
  // spelt differently, is another program.
  if (QString::fromUtf8(line) == ownPath_) emit ShowRequested();
}

bool SingleInstance::NotifyRunning(const QString& executablePath, int timeoutMs) {
  const QByteArray message = (executablePath.isEmpty() ? ownPath_ : executablePath).toUtf8() + '\n';
  if (message.size() > MaxMessage) return false;

  // The running copy may hold the lock but not yet listen; try again until
  // the deadline instead of giving up on the first refusal.
  QDeadlineTimer deadline(timeoutMs);
  QLocalSocket socket;
  for (;;) {
    socket.connectToServer(SocketPath());
    if (socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) break;
    socket.abort();
    if (deadline.hasExpired()) return false;
    QThread::msleep(50);
  }
  socket.write(message);
  bool sent = true;
  while (sent && socket.bytesToWrite() > 0)
    sent = socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()));
  socket.disconnectFromServer();
  if (socket.state() != QLocalSocket::UnconnectedState)
    socket.waitForDisconnected(static_cast<int>(deadline.remainingTime()));
  return sent;
}
