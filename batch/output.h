#pragma once
// The interpreter's standard output and error. Both are buffered, since a restoring script
// prints a message for most of its lines; when both go to the same file or pipe (the usual
// case when a runner collects them together) one buffer keeps their order.

#include <optional>
#include <string>
#include <string_view>

#include "base/errors.h"

namespace shotsweep::batch {

class Output {
 public:
  Output(int outFd = 1, int errFd = 2);
  ~Output();
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  // handle 1: standard output, 2: standard error.
  void Write(int handle, std::string_view text);
  void Flush();
  int fd(int handle) const { return handle == 2 ? errFd_ : outFd_; }

 private:
  int outFd_;
  int errFd_;
  bool merged_;
  std::string buffers_[2];
};

}  // namespace shotsweep::batch
