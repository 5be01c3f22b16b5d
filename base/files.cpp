#include "base/files.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace shotsweep {

std::optional<CommandError> WriteAll(int fd, std::string_view text) {
  // A reader that has gone must cost this write, not the whole process: SIGPIPE is held back
  // while writing, and one this write raised is taken away again.
  sigset_t pipeSignal, previous, pending;
  sigemptyset(&pipeSignal);
  sigaddset(&pipeSignal, SIGPIPE);
  ::pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
  sigpending(&pending);
  const bool alreadyPending = sigismember(&pending, SIGPIPE);
  std::optional<CommandError> failure;
  while (!text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      failure = ErrnoError(n < 0 ? errno : EIO);
      break;
    }
    text.remove_prefix(static_cast<size_t>(n));
  }
  if (failure && failure->number == EPIPE && !alreadyPending) {
    const timespec none{0, 0};
    while (::sigtimedwait(&pipeSignal, nullptr, &none) < 0 && errno == EINTR) {
    }
  }
  ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  return failure;
}

}  // namespace shotsweep
