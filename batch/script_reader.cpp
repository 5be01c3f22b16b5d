#include "batch/script_reader.h"

#include <unistd.h>

#include <cerrno>

#include "base/text.h"

namespace shotsweep::batch {
namespace {

constexpr std::size_t kPiece = 1 << 20;

}  // namespace

bool FileLineReader::Fill() {
  if (atEnd_) return false;
  buffer_.erase(0, start_);
  start_ = 0;
  const std::size_t kept = buffer_.size();
  buffer_.resize(kept + kPiece);
  ssize_t n;
  do {
    n = ::pread(fd_, buffer_.data() + kept, kPiece, offset_);
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    error_ = ErrnoError(errno);
    n = 0;
  }
  buffer_.resize(kept + static_cast<std::size_t>(n));
  offset_ += n;
  if (n == 0) atEnd_ = true;
  return n > 0;
}

bool FileLineReader::Next(ScriptLine& line) {
  for (;;) {
    const std::size_t end = buffer_.find('\n', start_);
    if (end != std::string::npos || (atEnd_ && start_ < buffer_.size())) {
      const std::size_t stop = end == std::string::npos ? buffer_.size() : end;
      line = MakeScriptLine(std::string_view(buffer_).substr(start_, stop - start_));
      start_ = stop + 1;
      return true;
    }
    if (atEnd_ || error_) return false;
    Fill();
    if (first_) {
      // A byte-order mark counts only at the very start of the file.
      first_ = false;
      start_ = buffer_.size() - WithoutByteOrderMark(buffer_).size();
    }
  }
}

std::optional<std::size_t> CountFileLines(int fd, std::optional<CommandError>& error) {
  std::size_t lines = 0;
  char last = '\n';
  bool first = true, empty = true;
  std::string piece(kPiece, '\0');
  for (long long offset = 0;;) {
    const ssize_t n = ::pread(fd, piece.data(), kPiece, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = ErrnoError(errno);
      return std::nullopt;
    }
    if (n == 0) break;
    std::string_view text(piece.data(), static_cast<std::size_t>(n));
    if (first) {
      text = WithoutByteOrderMark(text);
      first = false;
    }
    for (char c : text) lines += c == '\n';
    if (!text.empty()) {
      last = text.back();
      empty = false;
    }
    offset += n;
  }
  return lines + (!empty && last != '\n' ? 1 : 0);
}

}  // namespace shotsweep::batch
