#include "platform/SingleInstance.h"

#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/FileTrust.h"
#include "platform/HandOverPlace.h"
#include "platform/ProgramPaths.h"
#include "platform/UserDatabase.h"

namespace {

// A later start that connects but never finishes its line must not keep a
// socket open for the rest of the session.
constexpr int ClientGraceMs = 5000;
// Between two tries of a later start.
constexpr std::chrono::milliseconds RetryPause{50};
// How long the running copy stops accepting when the system refuses it a
// descriptor: the connection waits in the queue, and trying again at once
// would only spin.
constexpr int AcceptPauseMs = 200;
constexpr int Backlog = 16;
// The running copy's answer once it has a later start's path.
constexpr char Answer = '+';

// How long a start waits for an answer where there may be no copy to give
// one: on a folder without locks, or one held under another host name. A
// copy that listens answers at once.
constexpr int AnswerMs = 3000;
// How often a copy that listens in the runtime folder looks whether its
// socket is still there.
constexpr int ReachableCheckMs = 2000;

// Whether a process listens at the place; a socket nobody listens on
// refuses at once.
bool Answers(const HandOverPlace& place) {
  sockaddr_un address{};
  if (!place.Address(address)) return false;
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  const bool answers =
      fd >= 0 &&
      (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 || errno == EAGAIN);
  if (fd >= 0) ::close(fd);
  return answers;
}

// The user the process at the other end runs as.
std::optional<uid_t> PeerUser(int fd) {
  ucred peer{};
  socklen_t size = sizeof peer;
  if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0) return std::nullopt;
  return peer.uid;
}

// Whether the process at the other end runs as this user, or as root, who
// could do anything it might do anyway.
bool Trusted(int fd) {
  const std::optional<uid_t> peer = PeerUser(fd);
  return peer && (*peer == ::geteuid() || *peer == 0);
}

// The user's name, or the number where the database knows none.
QString UserName(uid_t uid) {
  std::vector<char> buffer;
  passwd entry{};
  const passwd* found = LookUpEntry(entry, buffer, [uid](passwd* e, char* b, std::size_t n, passwd** f) {
    return ::getpwuid_r(uid, e, b, n, f);
  });
  return found && found->pw_name ? QString::fromLocal8Bit(found->pw_name) : QString::number(uid);
}

// Waits for `events` on `fd` until the deadline; false when they never came.
bool WaitFor(int fd, short events, const QDeadlineTimer& deadline) {
  pollfd ready{fd, events, 0};
  int n;
  while ((n = ::poll(&ready, 1, static_cast<int>(std::max<qint64>(0, deadline.remainingTime())))) < 0 &&
         errno == EINTR) {
  }
  return n > 0;
}

bool Send(int fd, const QByteArray& message, const QDeadlineTimer& deadline) {
  for (qsizetype sent = 0; sent < message.size();) {
    const ssize_t n =
        ::send(fd, message.constData() + sent, static_cast<std::size_t>(message.size() - sent), MSG_NOSIGNAL);
    if (n > 0)
      sent += n;
    else if (n < 0 && errno == EINTR)
      continue;
    else if (n < 0 && errno == EAGAIN && WaitFor(fd, POLLOUT, deadline))
      continue;
    else
      return false;
  }
  return true;
}

}  // namespace

SingleInstance::SingleInstance(std::string folder, QString ownPath, QObject* parent)
    : QObject(parent),
      lock_(std::move(folder)),
      ownPath_(ownPath.isEmpty() ? QString::fromStdString(ExecutablePath()) : std::move(ownPath)),
      runtimeFd_(OpenRuntimeFolder(runtime_)) {}

SingleInstance::~SingleInstance() {
  StopAccepting();
  if (runtimeFd_ >= 0) ::close(runtimeFd_);
}

QString SingleInstance::LockPath() const { return QString::fromStdString(lock_.LockPath()); }

QString SingleInstance::SocketPath() const {
  return QString::fromStdString(listenFd_ >= 0 ? listening_.Path() : Places().front().Path());
}

std::vector<HandOverPlace> SingleInstance::Places() const {
  return HandOverPlaces(runtime_, runtimeFd_, lock_.Folder(), lock_.FolderFd(), SocketName);
}

struct SingleInstance::Incoming {
  QByteArray path;
  LaunchActivation given;
  qint64 taken = 0;
  bool answered = false;
  bool complete = false;
};

SingleInstance::Role SingleInstance::Acquire(int waitMs, const LaunchActivation& given) {
  const QByteArray path = ownPath_.toUtf8() + '\n';
  // What the launch gave is left out rather than the hand-over refused.
  QByteArray message = path + given.Lines() + '\n';
  if (message.size() > MaxMessage) message = path + '\n';
  const QDeadlineTimer deadline(waitMs);
  // A lock held under another host name is another computer's once no copy
  // answers within this.
  const QDeadlineTimer nearby(std::min(waitMs, AnswerMs));
  for (;;) {
    const FolderLock::Outcome outcome = lock_.TryTake();
    switch (outcome) {
      case FolderLock::Outcome::Taken:
        return Role::Primary;
      case FolderLock::Outcome::Unwritable:
        return Role::Unguarded;
      case FolderLock::Outcome::Failed:
        problem_ = QString::fromStdString(lock_.Problem());
        return Role::Refused;
      case FolderLock::Outcome::Unlockable:
        return WithoutLock(message, std::min(waitMs, AnswerMs));
      case FolderLock::Outcome::Held:
      case FolderLock::Outcome::HeldElsewhere:
        break;
    }
    const QString folder = QString::fromStdString(lock_.Folder());
    if (message.size() > MaxMessage) {
      problem_ =
          QStringLiteral("another copy of Velquor holds %1, and this one's path is too long to hand over")
              .arg(folder);
      return Role::Refused;
    }
    // A copy that holds the lock without listening is starting up, or its
    // session is ending: either soon answers or soon ends. The host name
    // decides only then: the computer may have been renamed since its copy
    // started.
    if (const std::optional<Role> handed = HandOver(message, deadline)) return *handed;
    const FolderLock::Holder& holder = lock_.HeldBy();
    if (outcome == FolderLock::Outcome::HeldElsewhere && nearby.hasExpired()) {
      problem_ = QStringLiteral("another copy of Velquor holds %1 on the computer %2 (process %3)")
                     .arg(folder, QString::fromStdString(holder.host), QString::fromStdString(holder.pid));
      return Role::Refused;
    }
    // It would not answer this user: it listens where this user cannot
    // reach, or cuts this user off.
    if (outcome == FolderLock::Outcome::Held && holder.uid && *holder.uid != ::geteuid()) {
      problem_ = QStringLiteral("another copy of Velquor holds %1 and runs as another user (%2, process %3)")
                     .arg(folder, UserName(*holder.uid), QString::fromStdString(holder.pid));
      return Role::Refused;
    }
    if (deadline.hasExpired()) {
      problem_ = QStringLiteral("another copy of Velquor holds %1 and neither answered nor ended within %2 s")
                     .arg(folder)
                     .arg(waitMs / 1000.0);
      return Role::Refused;
    }
    std::this_thread::sleep_for(RetryPause);
  }
}

SingleInstance::Role SingleInstance::WithoutLock(const QByteArray& message, int waitMs) {
  // A copy that listens is as good as the lock's holder; without one, this
  // start runs and takes the hand-overs of later ones.
  if (message.size() <= MaxMessage)
    if (const std::optional<Role> handed = HandOver(message, QDeadlineTimer(waitMs))) return *handed;
  problem_ = QStringLiteral("%1 cannot keep a second copy of Velquor out (%2)")
                 .arg(QString::fromStdString(lock_.Folder()), QString::fromStdString(lock_.Problem()));
  unlocked_ = true;
  return Role::Unlocked;
}

std::optional<SingleInstance::Role> SingleInstance::HandOver(const QByteArray& message,
                                                             const QDeadlineTimer& deadline) {
  switch (Deliver(message, deadline)) {
    case Delivery::Answered:
      return Role::HandedOver;
    case Delivery::Impostor:
      return Role::Refused;
    case Delivery::NotNow:
      break;
  }
  return std::nullopt;
}

SingleInstance::Delivery SingleInstance::Deliver(const QByteArray& message, const QDeadlineTimer& deadline) {
  std::vector<HandOverPlace> places = Places();
  // Where the holder listens: reached from a session whose own runtime
  // folder is another, or none.
  const std::string& named = lock_.HeldBy().place;
  if (!named.empty() && named.front() == '/' &&
      std::none_of(places.begin(), places.end(), [&](const HandOverPlace& p) { return p.Path() == named; }))
    places.push_back(HandOverPlace::At(named));
  for (const HandOverPlace& place : places) {
    const Delivery delivery = Deliver(place, message, deadline);
    if (delivery != Delivery::NotNow) return delivery;
  }
  return Delivery::NotNow;
}

SingleInstance::Delivery SingleInstance::Deliver(const HandOverPlace& place, const QByteArray& message,
                                                 const QDeadlineTimer& deadline) {
  sockaddr_un address{};
  if (!place.Address(address)) return Delivery::NotNow;
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return Delivery::NotNow;
  // No socket, nobody listening, or a full queue: try again later. A copy
  // that stops listening while this start waits for its answer cuts the
  // connection, which is no answer.
  Delivery delivery = Delivery::NotNow;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
    char answer = 0;
    if (!Trusted(fd)) {
      const std::optional<uid_t> peer = PeerUser(fd);
      problem_ =
          QStringLiteral("the process listening on %1 runs as another user (%2)")
              .arg(QString::fromStdString(place.Path()), peer ? UserName(*peer) : QStringLiteral("unknown"));
      delivery = Delivery::Impostor;
    } else if (Send(fd, message, deadline) && WaitFor(fd, POLLIN, deadline) &&
               ::recv(fd, &answer, 1, 0) == 1 && answer == Answer)
      delivery = Delivery::Answered;
  }
  ::close(fd);
  return delivery;
}

bool SingleInstance::Listen() {
  if (listenFd_ >= 0) return true;
  if (!lock_.Taken() && !unlocked_) return false;
  const std::vector<HandOverPlace> places = Places();
  const HandOverPlace& place = places.front();
  sockaddr_un address{};
  if (!place.Address(address)) return false;
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  // The socket file takes the socket's mode when it is bound: it is closed to
  // others from its first moment, not only once a chmod follows.
  bool listening = fd >= 0 && ::fchmod(fd, S_IRUSR | S_IWUSR) == 0;
  // What a copy that ended left at either name; holding the lock proves it
  // is nobody's. Without the lock, only what no one listens on goes.
  if (listening)
    for (const HandOverPlace& left : places)
      if (lock_.Taken() || !Answers(left)) left.RemoveLeftover();
  listening = listening && ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
              ::listen(fd, Backlog) == 0;
  // As the lock file: what a copy run as root leaves in the user's folder is the user's.
  if (listening && place.inConfig) GiveToFolderOwner(place.Path());
  if (!listening) {
    const int error = errno;
    problem_ = QStringLiteral("later starts cannot reach this copy: cannot listen on %1: %2")
                   .arg(QString::fromStdString(place.Path()), QString::fromLocal8Bit(std::strerror(error)));
    if (fd >= 0) ::close(fd);
    return false;
  }
  listenFd_ = fd;
  listening_ = place;
  struct stat made {};
  if (::lstat(place.Path().c_str(), &made) == 0) bound_ = {made.st_dev, made.st_ino};
  lock_.Announce(place.Path());
  // A runtime folder goes with the session that made it (a log-out), and
  // the next session makes another at its path, which holds no socket.
  if (!place.inConfig && !watch_) {
    watch_ = new QTimer(this);
    connect(watch_, &QTimer::timeout, this, [this] {
      try {
        KeepReachable();
      } catch (...) {
      }
    });
  }
  if (!place.inConfig) watch_->start(ReachableCheckMs);
  notifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
  // Slots of this class end every failure themselves: a later start must
  // never be able to throw into the running copy's event loop.
  connect(notifier_, &QSocketNotifier::activated, this, [this] {
    try {
      OnConnections();
    } catch (...) {
    }
  });
  return true;
}

void SingleInstance::KeepReachable() {
  struct stat named {};
  if (listenFd_ >= 0 && ::lstat(listening_.Path().c_str(), &named) == 0 &&
      std::pair(named.st_dev, named.st_ino) == bound_)
    return;
  CloseListener();
  if (runtimeFd_ >= 0) ::close(runtimeFd_);
  runtimeFd_ = OpenRuntimeFolder(runtime_);
  // Until it listens again, or listens in Config, which stays.
  if (Listen() && listening_.inConfig) watch_->stop();
}

void SingleInstance::CloseListener() {
  if (listenFd_ < 0) return;
  delete notifier_;
  notifier_ = nullptr;
  ::close(listenFd_);
  listenFd_ = -1;
  listening_ = {};
}

void SingleInstance::StopAccepting() {
  if (watch_) watch_->stop();
  if (listenFd_ < 0) return;
  // The file first, so that no start connects between the two steps; the
  // connections still queued are refused with the descriptor.
  listening_.RemoveLeftover();
  CloseListener();
  for (QLocalSocket* socket : findChildren<QLocalSocket*>(Qt::FindDirectChildrenOnly)) socket->abort();
}

void SingleInstance::Release() {
  StopAccepting();
  lock_.Release();
}

void SingleInstance::OnConnections() {
  for (;;) {
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0 && (errno == EINTR || errno == ECONNABORTED)) continue;
    if (fd < 0) {
      if (errno != EAGAIN && errno != EWOULDBLOCK) {
        notifier_->setEnabled(false);
        QTimer::singleShot(AcceptPauseMs, notifier_, [notifier = notifier_] { notifier->setEnabled(true); });
      }
      return;
    }
    // The socket file already keeps other users out; this keeps them out
    // even where its mode could not.
    if (!Trusted(fd)) {
      ::close(fd);
      continue;
    }
    auto* socket = new QLocalSocket(this);
    if (!socket->setSocketDescriptor(fd)) {
      ::close(fd);
      delete socket;
      continue;
    }
    socket->setReadBufferSize(MaxMessage + 1);
    auto incoming = std::make_shared<Incoming>();
    connect(socket, &QLocalSocket::readyRead, this, [this, socket, incoming] {
      try {
        OnReadable(socket, *incoming);
      } catch (...) {
        socket->abort();
      }
    });
    // A start that sends only its path hangs up once it has the answer.
    connect(socket, &QLocalSocket::disconnected, this, [this, incoming] {
      try {
        if (incoming->answered && !std::exchange(incoming->complete, true)) OnMessage(*incoming);
      } catch (...) {
      }
    });
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(ClientGraceMs, socket, [socket] { socket->abort(); });
    // The message may already be complete when the connection is taken.
    if (socket->bytesAvailable() > 0) OnReadable(socket, *incoming);
  }
}

void SingleInstance::OnReadable(QLocalSocket* socket, Incoming& incoming) {
  while (!incoming.complete && socket->canReadLine()) {
    QByteArray line = socket->readLine(MaxMessage + 1);
    incoming.taken += line.size();
    if (line.endsWith('\n')) line.chop(1);
    if (!incoming.answered) {
      incoming.path = line;
      incoming.answered = true;
      // At once: what follows may yet cut the connection.
      socket->write(&Answer, 1);
      socket->flush();
    } else if (line.isEmpty()) {
      incoming.complete = true;
      socket->disconnectFromServer();
      OnMessage(incoming);
    } else {
      incoming.given.Read(line);
    }
  }
  // More than a message of ours: nothing of it is acted on.
  if (!incoming.complete && incoming.taken + socket->bytesAvailable() > MaxMessage) {
    incoming.complete = true;
    socket->abort();
  }
}

void SingleInstance::OnMessage(const Incoming& incoming) {
  // A connection cut off as the session ends asks for nothing. The path is
  // compared byte for byte: another folder, or the same folder spelt
  // differently, is another program.
  if (listenFd_ >= 0 && QString::fromUtf8(incoming.path) == ownPath_) emit ShowRequested(incoming.given);
}
