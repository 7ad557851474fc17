#pragma once

#include <QObject>
#include <csignal>

class QSocketNotifier;

// Turns the signals by which a desktop session, a service manager or a
// terminal ends the program (SIGTERM, SIGHUP, and SIGINT for Ctrl+C) into a
// Qt signal on the thread that owns this object. The signal handler only
// writes the signal number into a socket pair; everything else happens in
// the event loop.
//
// SIGHUP and SIGINT that the program inherited as ignored (nohup, a
// background job of a script) stay ignored; SIGTERM is always caught.
//
// The handlers go in only once that thread's event loop first runs. Until
// then the signals keep the action they had, by default to end the process
// at once. A signal queued for a loop that has not run yet would wait for
// all of start-up, which the toolkit can hold up for good (a desktop bus
// that never answers, a thread it cannot have); start-up has changed
// nothing a save would keep, and what it writes goes to a temporary first.
//
// At most one notifier is installed at a time; a second one stays inert.
// Destroying it restores the handlers that were there before, unless it has
// announced a session end: the process is then on its way out, and a signal
// repeated by an impatient session manager must not end it another way
// (killed, instead of the exit status of its save), so the three signals
// stay ignored until it exits.
class SessionEndNotifier : public QObject {
  Q_OBJECT

 public:
  explicit SessionEndNotifier(QObject* parent = nullptr);
  ~SessionEndNotifier() override;

  // True once the handlers are in place.
  bool Installed() const { return installed_; }

 signals:
  // The session ends; `signalNumber` says which signal announced it.
  void SessionEnding(int signalNumber);

 private:
  void InstallHandlers();
  void OnReadable();

  bool installed_ = false;
  bool announced_ = false;
  int readFd_ = -1;
  QSocketNotifier* notifier_ = nullptr;
  struct sigaction oldTerm_ {};
  struct sigaction oldHup_ {};
  struct sigaction oldInt_ {};
};
