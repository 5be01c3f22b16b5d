#include "batch/output.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

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
