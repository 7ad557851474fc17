#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;
class QLocalSocket;

// One running copy of the program per user. The first start holds a lock file
// in the user's runtime folder and listens on a local socket beside it; a
// later start finds the lock taken, hands its executable path to the first
// copy over the socket and ends. The first copy asks to be shown only when the
// path is its own, so a copy started from another folder stays unseen.
//
// Everything here runs on the thread that owns the object (the UI thread).
class SingleInstance : public QObject {
  Q_OBJECT

 public:
  enum class Role {
    Primary,    // this process is the running copy
    Secondary,  // another copy holds the lock
    Unguarded,  // the lock could not be made at all; run without hand-off
  };

  // `folder` holds the lock file and the socket; empty = the user's runtime
  // folder, else a private folder of the user's in the temporary folder;
  // without either, Acquire runs unguarded. `ownPath` is this copy's
  // executable path; empty = the real one.
  explicit SingleInstance(QString folder = {}, QString ownPath = {}, QObject* parent = nullptr);
  ~SingleInstance() override;

  // Takes the lock. A lock left by a crashed copy (its owner no longer runs,
  // or no owner can be read from it) is taken over. Call once.
  Role Acquire();

  // Primary only: starts listening for later starts. A socket file left by a
  // crash is removed first; holding the lock proves nobody else uses it.
  bool Listen();

  // Secondary: sends `executablePath` (empty = this copy's own) to the
  // running copy. Waits at most `timeoutMs` in total and never for an answer.
  bool NotifyRunning(const QString& executablePath = {}, int timeoutMs = 2000);

  QString LockPath() const;
  QString SocketPath() const;
  QString OwnPath() const { return ownPath_; }

  // The bytes a later start may send; more than this is not a path of ours.
  static constexpr qint64 MaxMessage = 8192;

 signals:
  // A later start of the same executable asked the running copy to appear.
  void ShowRequested();

 private:
  bool LockLooksAbandoned() const;
  void OnNewConnection();
  void OnReadable(QLocalSocket* socket);

  QString folder_;
  QString ownPath_;
  std::unique_ptr<QLockFile> lock_;
  QLocalServer* server_ = nullptr;
};
