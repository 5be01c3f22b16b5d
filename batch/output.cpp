#include "batch/output.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "base/files.h"

namespace shotsweep::batch {

namespace {
constexpr size_t kBufferLimit = 64 * 1024;
}

Output::Output(int outFd, int errFd) : outFd_(outFd), errFd_(errFd) {
  struct stat a, b;
  merged_ = outFd == errFd || (::fstat(outFd, &a) == 0 && ::fstat(errFd, &b) == 0 && a.st_dev == b.st_dev &&
                               a.st_ino == b.st_ino);
}

Output::Output(InMemory inMemory) : outFd_(-1), errFd_(-1), merged_(inMemory.merged) {}

Output::~Output() { Flush(); }

void Output::Write(int handle, std::string_view text) {
  std::string& buffer = buffers_[merged_ || handle != 2 ? 0 : 1];
  buffer.append(text);
  if (buffer.size() >= kBufferLimit) Flush();
}

std::string Output::Take(int handle) { return std::exchange(buffers_[merged_ || handle != 2 ? 0 : 1], {}); }

void Output::Flush() {
  if (outFd_ < 0) return;
  WriteAll(outFd_, buffers_[0]);
  buffers_[0].clear();
  WriteAll(errFd_, buffers_[1]);
  buffers_[1].clear();
}

ProgramStream::ProgramStream(int fd) : fd_(fd) {
  if (fd < 0) memory_.reset(::memfd_create("program-output", MFD_CLOEXEC));
}

std::string ProgramStream::Take() {
  std::string text;
  if (!memory_ || ::lseek(memory_.get(), 0, SEEK_SET) != 0) return text;
  char buffer[16384];
  for (ssize_t n; (n = ::read(memory_.get(), buffer, sizeof buffer)) != 0;) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    text.append(buffer, static_cast<size_t>(n));
  }
  return text;
}

}  // namespace shotsweep::batch
