#pragma once

#include <QObject>
#include <QString>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/FolderLock.h"
#include "platform/HandOverPlace.h"
#include "platform/LaunchActivation.h"

class QDeadlineTimer;
class QLocalSocket;
class QSocketNotifier;
class QTimer;

// One running copy of the program per Config folder. The first start holds
// the folder's lock (FolderLock) and listens on a socket (HandOverPlace),
// whose path it writes into the lock file; a later start on the same folder
// finds the lock taken, hands its executable path to the running copy over
// the socket, at its own places or the one the lock file names, and ends
// once that copy has answered. The running copy asks to be shown only when
// the path is its own, so a copy started from another folder stays unseen.
// A start that finds the lock held by a copy of another user, or under
// another host name, refuses (naming the user, or the computer of a copy
// on another machine sharing the folder) once no copy it can reach
// answers. On a file system that keeps no locks the start hands over to a
// copy that answers, or runs and listens itself.
//
// The message is the path on a line of its own, then what the start was
// given to take the focus with (LaunchActivation::Lines), then an empty
// line. The copy answers as soon as it has the path: a copy that knows only
// the path reads just the first line, and a start that sends only the path
// is served as before, shown for once it hangs up.
//
// The socket lies in the user's own runtime folder, or beside the lock,
// where only those who may write the folder (the user, and whoever could
// replace the files it guards anyway) can put one, so no other user can
// pose as the running copy or take its place; the socket file is the
// owner's alone from its first moment, and both ends check who the other
// is. A socket in a runtime folder that goes away while the copy runs (a
// log-out) is made anew where later starts look. A copy whose session is
// ending stops listening: a start that comes meanwhile waits for it to end
// and then runs.
//
// Everything here runs on the thread that owns the object (the UI thread).
class SingleInstance : public QObject {
  Q_OBJECT

 public:
  enum class Role {
    Primary,     // this process holds the folder: it runs
    HandedOver,  // the copy running on the folder took this start's path
    Unguarded,   // the folder cannot be written, so no save can succeed: run without the lock
    Unlocked,    // the folder's file system keeps no locks, or has no room for one: run and Listen; Problem()
                 // says why
    Refused,     // another copy holds the folder and cannot be reached: Problem() says why
  };

  // How long a later start waits, at most, for the running copy to answer,
  // or for a copy that is ending to end.
  static constexpr int WaitMs = 30000;
  // The bytes a later start may send; more than this is not a path of ours.
  static constexpr qint64 MaxMessage = 8192;
  static constexpr char SocketName[] = "velquor.socket";

  // `folder` is the Config folder; `ownPath` is this copy's executable
  // path, empty = the real one (ExecutablePath).
  explicit SingleInstance(std::string folder, QString ownPath = {}, QObject* parent = nullptr);
  ~SingleInstance() override;

  // Takes the folder's lock, or hands this start's path, and `given`, over
  // to the copy holding it; meanwhile tries both again until one works or
  // `waitMs` has passed. Call once, before the session-end signals are
  // caught: nothing is lost if one ends the wait.
  Role Acquire(int waitMs = WaitMs, const LaunchActivation& given = {});

  // Primary and Unlocked only: starts taking hand-overs, and names the
  // socket in the lock file. A socket file left by a crash is removed
  // first; holding the lock proves nobody else uses it. False, with
  // Problem() saying why, when later starts cannot reach this copy.
  bool Listen();

  // The session is ending: later starts are no longer answered, and wait
  // for this process to end instead. Those connected but not yet answered
  // are cut off. Idempotent.
  void StopAccepting();
  // The process is about to end at once, without this object's end (the
  // toolkit lost its display): stops accepting and lets go of the folder's
  // lock, and both files go, as at this object's end.
  void Release();

  QString LockPath() const;
  QString SocketPath() const;
  QString OwnPath() const { return ownPath_; }
  QString Problem() const { return problem_; }

 signals:
  // A later start of the same executable asked the running copy to appear;
  // `given` is what it passed on of its own launch, checked.
  void ShowRequested(const LaunchActivation& given);

 private:
  // Impostor: another user's process listens there; Problem() names it.
  enum class Delivery { Answered, NotNow, Impostor };
  // One attempt to hand `message` to the copy holding the lock.
  Delivery Deliver(const QByteArray& message, const QDeadlineTimer& deadline);
  Delivery Deliver(const HandOverPlace& place, const QByteArray& message, const QDeadlineTimer& deadline);
  // For a folder the lock cannot guard: HandedOver to a copy that answers,
  // else Unlocked.
  Role WithoutLock(const QByteArray& message, int waitMs);
  // HandedOver, Refused (another user listens where this user's copy
  // would), or nullopt: no answer yet.
  std::optional<Role> HandOver(const QByteArray& message, const QDeadlineTimer& deadline);
  // Where this copy listens first, then where else a holder may.
  std::vector<HandOverPlace> Places() const;
  // Listens anew once the socket's file is gone from its place.
  void KeepReachable();
  // Stops listening, leaving the socket's file where it is.
  void CloseListener();
  void OnConnections();
  struct Incoming;
  void OnReadable(QLocalSocket* socket, Incoming& incoming);
  void OnMessage(const Incoming& incoming);

  FolderLock lock_;
  QString ownPath_;
  std::string runtime_;
  int runtimeFd_ = -1;
  bool unlocked_ = false;
  QString problem_;
  int listenFd_ = -1;
  HandOverPlace listening_;          // where listenFd_ is bound
  std::pair<dev_t, ino_t> bound_{};  // the file it made there
  QSocketNotifier* notifier_ = nullptr;
  QTimer* watch_ = nullptr;  // while it listens in the runtime folder
};
