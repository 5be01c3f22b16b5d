#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "base/progress_protocol.h"
#include "batch/external_program.h"
#include "batch/interpreter.h"
#include "batch/output.h"

namespace {

// A cleanup half done leaves RAW files set aside: once started, it must end as planned whatever
// becomes of the program that started it. A process group of its own keeps a terminal's
// interrupt and a kill of the caller's whole group away; hang-up and the signals a dying desktop
// session or window sends are ignored. Only a kill that cannot be ignored stops it, and the next
// cleanup then finishes the job. Not a session of its own: a new session is a new scheduling
// group, and on a busy machine each unlink then waited milliseconds (a 20,000-file cleanup took
// 37 s instead of 1.5 s beside two busy processes).
void OutliveTheCaller() {
  ::setpgid(0, 0);
  for (int signal : {SIGHUP, SIGINT, SIGQUIT, SIGTERM}) std::signal(signal, SIG_IGN);
}

std::atomic<bool> stopRequested{false};

// The stop signal sets the flag the block runner looks at before it begins a block. Whoever
// starts the interpreter may send it at once: the signal then waits, blocked, until here.
void TakeStopRequests() {
  struct sigaction action {};
  action.sa_handler = [](int) { stopRequested = true; };
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  ::sigaction(shotsweep::kStopSignal, &action, nullptr);
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, shotsweep::kStopSignal);
  ::pthread_sigmask(SIG_UNBLOCK, &stop, nullptr);
}

// The N of "--jobs N": from 1 to 256; 0 when it is none.
std::size_t Jobs(std::string_view text) {
  std::size_t jobs = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), jobs);
  return error == std::errc() && end == text.data() + text.size() && jobs <= 256 ? jobs : 0;
}

}  // namespace

// Runs a generated script: shotsweep-batch [--jobs N] SCRIPT [ARGUMENTS...]
// or a cleanup's two scripts:  shotsweep-batch --cleanup [--trash] RENAMING RESTORING
int main(int argc, char** argv) {
  const bool cleanup = argc >= 2 && std::string_view(argv[1]) == "--cleanup";
  const bool trash = cleanup && argc >= 3 && std::string_view(argv[2]) == "--trash";
  const bool inBlocks = argc >= 2 && std::string_view(argv[1]) == "--jobs";
  const std::size_t jobs = inBlocks && argc >= 3 ? Jobs(argv[2]) : 0;
  // A cleanup is never run in blocks: its second script relies on all of the first.
  const bool usable = inBlocks ? argc >= 4 && jobs > 0 && std::string_view(argv[3]) != "--cleanup"
                               : argc >= 2 && (!cleanup || argc == (trash ? 5 : 4));
  if (!usable) {
    std::fprintf(stderr,
                 "usage: %s [--jobs N] SCRIPT [ARGUMENTS...]\n       %s --cleanup [--trash] RENAMING RESTORING\n",
                 argv[0], argv[0]);
    return 2;
  }
  // A reader that has gone away must not end the script half way through its lines.
  std::signal(SIGPIPE, SIG_IGN);
  using namespace shotsweep::batch;
  const int progressFd = ProgressFdFromEnvironment();
  Output output;
  const auto runner = MakeProgramRunner();
  if (cleanup) {
    OutliveTheCaller();
    return RunCleanupFiles(argv[argc - 2], argv[argc - 1], trash, output, *runner, progressFd);
  }
  if (inBlocks) {
    TakeStopRequests();
    return RunScriptFile(argv[3], std::vector<std::string>(argv + 4, argv + argc), output, *runner, progressFd, jobs,
                         &stopRequested);
  }
  return RunScriptFile(argv[1], std::vector<std::string>(argv + 2, argv + argc), output, *runner, progressFd);
}
