#include "base/files.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <sstream>

namespace shotsweep {
namespace {

// A name beside `path` that nobody else is writing at the same moment, not even a second
// Shotsweep started in the same folder.
std::string TemporaryNameBeside(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  std::random_device seed;
  std::ostringstream name;
  name << path.substr(0, slash + 1) << '.' << path.substr(slash + 1) << ".tmp-" << std::hex << seed() << seed();
  return name.str();
}

}  // namespace

std::optional<CommandError> ReadWholeFile(const std::string& path, std::string& bytes) {
  // Not blocking in open: a FIFO would otherwise wait there for a writer.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return ErrnoError(errno, path);
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    const int err = errno;
    ::close(fd);
    return ErrnoError(err, path);
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    if (S_ISDIR(st.st_mode)) return ErrnoError(EISDIR, path);
    return CommandError{EINVAL, "Not a regular file, so it is not read: " + path};
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) {
      bytes.append(buffer, static_cast<std::size_t>(n));
    } else if (n == 0) {
      break;
    } else if (errno != EINTR) {
      const int err = errno;
      ::close(fd);
      return ErrnoError(err, path);
    }
  }
  ::close(fd);
  return std::nullopt;
}

std::optional<CommandError> WriteWholeFile(const std::string& path, std::string_view content) {
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return ErrnoError(EISDIR, path);
    if (S_ISREG(st.st_mode)) {
      // Replacing would need only the folder's permission; a read-only file has always been
      // refused, as opening it to overwrite it refuses.
      const int probe = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
      if (probe < 0) return ErrnoError(errno, path);
      ::close(probe);
    }
  }
  const std::string temporary = TemporaryNameBeside(path);
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return ErrnoError(errno, path);
  std::optional<CommandError> failure;
  if (const auto error = WriteAll(fd, content)) failure = ErrnoError(error->number, path);
  if (::close(fd) != 0 && !failure) failure = ErrnoError(errno, path);
  if (!failure && ::rename(temporary.c_str(), path.c_str()) != 0) failure = ErrnoError(errno, path);
  if (failure) ::unlink(temporary.c_str());
  return failure;
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

}  // namespace shotsweep
