#pragma once
// How far a run has got, on one line of a terminal that is rewritten in place and cleared
// once the run is over, so that what follows starts on a line of its own.

#include <chrono>
#include <string>

namespace shotsweep {

// "shotsweep-cli: 120 of 7000 RAW files". The interpreter counts script lines; a command's
// script lines stand for its RAW files evenly enough for a count that only shows the pace.
std::string ProgressText(long rawFiles, long linesDone, long linesTotal);

class TerminalProgress {
 public:
  // Nothing is shown unless `enabled`, nor before the run has lasted `quietFor`: a short run
  // needs no count.
  TerminalProgress(int fd, bool enabled, long rawFiles,
                   std::chrono::milliseconds quietFor = std::chrono::seconds(1));
  ~TerminalProgress() { End(); }
  TerminalProgress(const TerminalProgress&) = delete;
  TerminalProgress& operator=(const TerminalProgress&) = delete;

  void Show(long linesDone, long linesTotal);
  // Clears the line, if one was shown. Blanks rather than an escape sequence: every terminal
  // knows those.
  void End();

 private:
  using Clock = std::chrono::steady_clock;
  int fd_;
  bool enabled_;
  long rawFiles_;
  Clock::time_point showFrom_;
  std::size_t shownWidth_ = 0;
};

}  // namespace shotsweep
