#include "platform/SessionEndNotifier.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QTimer>
#include <atomic>
#include <cerrno>
#include <utility>

namespace {

// The write end of the socket pair, read by the signal handler. -1 when no
// notifier is installed. Lock-free, so the handler may read it.
std::atomic<int> signalWriteFd{-1};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void ForwardSignal(int signalNumber) {
  // Only async-signal-safe calls here: one write, errno preserved. A full
  // pipe drops the byte, which is harmless since one is enough to act on.
  const int saved = errno;
  const int fd = signalWriteFd.load(std::memory_order_relaxed);
  if (fd >= 0) {
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
  }
  errno = saved;
}

}  // namespace

SessionEndNotifier::SessionEndNotifier(QObject* parent) : QObject(parent) {
  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds) != 0) return;
  int expected = -1;
  if (!signalWriteFd.compare_exchange_strong(expected, fds[1])) {
    ::close(fds[0]);
    ::close(fds[1]);
    return;
  }
  readFd_ = fds[0];
  notifier_ = new QSocketNotifier(readFd_, QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &SessionEndNotifier::OnReadable);
  // Posted, so it runs on the loop's first turn and not before.
  QTimer::singleShot(0, this, &SessionEndNotifier::InstallHandlers);
}

SessionEndNotifier::~SessionEndNotifier() {
  if (readFd_ < 0) return;
  if (installed_) {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGTERM, announced_ ? &ignore : &oldTerm_, nullptr);
    ::sigaction(SIGHUP, announced_ ? &ignore : &oldHup_, nullptr);
    ::sigaction(SIGINT, announced_ ? &ignore : &oldInt_, nullptr);
  }
  const int writeFd = signalWriteFd.exchange(-1);
  delete notifier_;
  ::close(readFd_);
  ::close(writeFd);
}

void SessionEndNotifier::InstallHandlers() {
  struct sigaction action {};
  action.sa_handler = ForwardSignal;
  sigemptyset(&action.sa_mask);
  // Interrupted system calls of the UI thread resume instead of failing.
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &action, &oldTerm_);
  // A hang-up or interrupt the program was started with ignored (nohup, a
  // script's background job) was meant to pass it by: it stays ignored.
  // Only the end of the session proper is caught whatever came before.
  for (const auto& [number, old] : {std::pair{SIGHUP, &oldHup_}, std::pair{SIGINT, &oldInt_}}) {
    ::sigaction(number, nullptr, old);
    if (old->sa_handler != SIG_IGN) ::sigaction(number, &action, nullptr);
  }
  installed_ = true;
}

void SessionEndNotifier::OnReadable() {
  unsigned char bytes[16];
  ssize_t n;
  // Several signals may have queued up; each is announced once, in order.
  while ((n = ::read(readFd_, bytes, sizeof bytes)) > 0)
    for (ssize_t i = 0; i < n; ++i) {
      announced_ = true;
      emit SessionEnding(bytes[i]);
    }
}
