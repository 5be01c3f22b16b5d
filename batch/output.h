#pragma once
// The interpreter's standard output and error. Both are buffered, since a restoring script
// prints a message for most of its lines; when both go to the same file or pipe (the usual
// case when a runner collects them together) one buffer keeps their order. An output kept in
// memory holds one block of a script run on several workers until it is its turn to be written.

#include <optional>
#include <string>
#include <string_view>

#include "base/errors.h"
#include "base/unique_fd.h"

namespace shotsweep::batch {

class Output {
 public:
  Output(int outFd = 1, int errFd = 2);
  // Kept in memory until taken; `merged`: one buffer for both, as the output it stands for has.
  struct InMemory {
    bool merged;
  };
  explicit Output(InMemory inMemory);
  ~Output();
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  // handle 1: standard output, 2: standard error.
  void Write(int handle, std::string_view text);
  void Flush();
  // -1 for an output kept in memory.
  int fd(int handle) const { return handle == 2 ? errFd_ : outFd_; }
  bool merged() const { return merged_; }
  // What an output kept in memory holds for `handle` (1 for both when merged), taken out of it.
  std::string Take(int handle);

 private:
  int outFd_;
  int errFd_;
  bool merged_;
  std::string buffers_[2];
};

// Where a program's standard output or error goes when the interpreter's own output is kept in
// memory: a file in memory, read back once the program has ended.
class ProgramStream {
 public:
  // `fd`: where the stream is to go; -1 for into memory.
  explicit ProgramStream(int fd);
  int fd() const { return memory_ ? memory_.get() : fd_; }
  // What the program wrote into memory.
  std::string Take();

 private:
  UniqueFd memory_;
  int fd_;
};

}  // namespace shotsweep::batch
