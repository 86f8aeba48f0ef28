#include "platform/termination_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <utility>

namespace {

constexpr std::array<int, 3> kSignals{SIGTERM, SIGINT, SIGHUP};
// The handler's end and the notifier's end of a socket pair: a handler may only write.
int ends[2] = {-1, -1};

void Handle(int signal) {
  const char number = static_cast<char>(signal);
  const int saved = errno;
  // A full socket already holds a wake-up, so a write that fails loses nothing.
  [[maybe_unused]] const ssize_t written = ::write(ends[0], &number, 1);
  errno = saved;
}

}  // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, ends) != 0) return;
  notifier_ = new QSocketNotifier(ends[1], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] {
    char number = 0;
    while (::read(ends[1], &number, 1) == 1) emit Received(number);
  });
  struct sigaction action {};
  action.sa_handler = &Handle;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : kSignals) ::sigaction(signal, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
  if (!notifier_) return;
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  for (int signal : kSignals) ::sigaction(signal, &action, nullptr);
  delete notifier_;
  for (int& end : ends) ::close(std::exchange(end, -1));
}
