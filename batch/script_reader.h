#pragma once
// A script's lines read from an open file a piece at a time, as SplitLines gives them from a
// text: a cleanup's restoring script for a long photo list runs to hundreds of megabytes,
// which the interpreter need not hold.

#include <optional>
#include <string>

#include "base/errors.h"
#include "batch/line_parser.h"

namespace shotsweep::batch {

class FileLineReader {
 public:
  // `fd` is read from its start with pread, so several readers may share it.
  explicit FileLineReader(int fd) : fd_(fd) {}
  // The next line, valid until the next call; false after the last, or on a read error
  // (then `error` is set).
  bool Next(ScriptLine& line);
  const std::optional<CommandError>& error() const { return error_; }

 private:
  // Reads on into the buffer; false at the end of the file.
  bool Fill();

  int fd_;
  long long offset_ = 0;  // in the file, of the buffer's end
  std::string buffer_;
  std::size_t start_ = 0;  // in the buffer, of the next line
  bool atEnd_ = false;
  bool first_ = true;
  std::optional<CommandError> error_;
};

// How many lines the file at `fd` holds, as SplitLines would count them.
std::optional<std::size_t> CountFileLines(int fd, std::optional<CommandError>& error);

}  // namespace shotsweep::batch
