#include "cli/terminal_progress.h"

#include "base/files.h"

namespace shotsweep {

std::string ProgressText(long rawFiles, long linesDone, long linesTotal) {
  long done = linesTotal > 0 ? static_cast<long>(static_cast<long double>(rawFiles) * linesDone / linesTotal) : 0;
  if (done > rawFiles) done = rawFiles;
  if (done < 0) done = 0;
  return "shotsweep-cli: " + std::to_string(done) + " of " + std::to_string(rawFiles) +
         (rawFiles == 1 ? " RAW file" : " RAW files");
}

TerminalProgress::TerminalProgress(int fd, bool enabled, long rawFiles, std::chrono::milliseconds quietFor)
    : fd_(fd), enabled_(enabled), rawFiles_(rawFiles), showFrom_(Clock::now() + quietFor) {}

void TerminalProgress::Show(long linesDone, long linesTotal) {
  if (!enabled_ || linesTotal <= 0 || Clock::now() < showFrom_) return;
  const std::string text = ProgressText(rawFiles_, linesDone, linesTotal);
  // A shorter text than the last must not leave the last one's tail behind.
  const std::size_t pad = shownWidth_ > text.size() ? shownWidth_ - text.size() : 0;
  WriteAll(fd_, "\r" + text + std::string(pad, ' '));
  shownWidth_ = text.size() + pad;
}

void TerminalProgress::End() {
  if (shownWidth_ == 0) return;
  WriteAll(fd_, "\r" + std::string(shownWidth_, ' ') + "\r");
  shownWidth_ = 0;
}

}  // namespace shotsweep
