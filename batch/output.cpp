#include "batch/output.h"

#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace shotsweep::batch {

namespace {
constexpr size_t kBufferLimit = 64 * 1024;
}

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

Output::Output(int outFd, int errFd) : outFd_(outFd), errFd_(errFd) {
  struct stat a, b;
  merged_ = outFd == errFd || (::fstat(outFd, &a) == 0 && ::fstat(errFd, &b) == 0 && a.st_dev == b.st_dev &&
                               a.st_ino == b.st_ino);
}

Output::~Output() { Flush(); }

void Output::Write(int handle, std::string_view text) {
  std::string& buffer = buffers_[merged_ || handle != 2 ? 0 : 1];
  buffer.append(text);
  if (buffer.size() >= kBufferLimit) Flush();
}

void Output::Flush() {
  WriteAll(outFd_, buffers_[0]);
  buffers_[0].clear();
  WriteAll(errFd_, buffers_[1]);
  buffers_[1].clear();
}

}  // namespace shotsweep::batch
