#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
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
#include "fs/file_system.h"

namespace {

// A cleanup half done leaves RAW files set aside: once started, it must end as planned whatever
// becomes of the program that started it. A process group of its own keeps a terminal's
// interrupt and a kill of the caller's whole group away; hang-up and the signals a dying desktop
// session or window sends are ignored. Only a kill that cannot be ignored stops it, and the next
// cleanup then finishes the job. Not a session of its own: a new session is a new scheduling
// group, and on a busy machine each unlink would then wait milliseconds, which a cleanup of
// many thousand files cannot afford.
void OutliveTheCaller() {
  ::setpgid(0, 0);
  for (int signal : {SIGHUP, SIGINT, SIGQUIT, SIGTERM}) std::signal(signal, SIG_IGN);
}

constexpr const char* kSynopsis =
    "usage: %s [--jobs N] SCRIPT [ARGUMENTS...]\n"
    "       %s --record FILE SCRIPT [ARGUMENTS...]\n"
    "       %s --cleanup [--trash] [--record FILE] RENAMING RESTORING\n";
constexpr const char* kHelp =
    "Runs a .bat script written by Shotsweep, or a cleanup's two scripts as one run.\n"
    "  --cleanup      run RENAMING, then RESTORING; no deletion after a failed line of RESTORING,\n"
    "                 every file set aside gets its exact name back, and the run finishes even\n"
    "                 when its caller dies\n"
    "  --trash        a cleanup's deletions go to the trash\n"
    "  --record FILE  the cleanup record: with --cleanup the plan, and nothing else is touched;\n"
    "                 otherwise the names set-aside files are given back. Rewritten at the end\n"
    "  --jobs N       the script's blocks (each ending at a REM line of 68 asterisks) on up to N\n"
    "                 workers at once, output in script order; SIGUSR1 stops it after the\n"
    "                 blocks under way, with exit status 3\n"
    "  --help         this text\n"
    "Exit status: 0 when every line did what it asked or found nothing to act on; 1 when a\n"
    "line failed, a file could not be read or the record not rewritten; the number an exit\n"
    "line gave; 2 for a wrong command line; 3 for a run with --jobs that was stopped.\n";

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

// Runs a generated script, or with --cleanup a cleanup's two scripts: see kHelp.
int main(int argc, char** argv) {
  std::vector<std::string_view> args(argv + 1, argv + argc);
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
    std::printf(kSynopsis, argv[0], argv[0], argv[0]);
    std::fputs(kHelp, stdout);
    return 0;
  }
  const bool cleanup = !args.empty() && args[0] == "--cleanup";
  if (cleanup) args.erase(args.begin());
  bool trash = false;
  std::string record;
  std::size_t jobs = 0;
  bool wrong = false;
  // Not for a cleanup, nor with a record: both rely on every line before the next.
  if (!cleanup && !args.empty() && args[0] == "--jobs") {
    jobs = args.size() >= 2 ? Jobs(args[1]) : 0;
    wrong |= jobs == 0 || (args.size() >= 3 && args[2].starts_with("--"));
    args.erase(args.begin(), args.begin() + std::min<std::size_t>(2, args.size()));
  }
  // The options stand before the scripts; a script named like one is given as ./--record.
  while (!args.empty() && (args[0] == "--record" || (cleanup && args[0] == "--trash"))) {
    if (args[0] == "--trash") {
      wrong |= trash;
      trash = true;
      args.erase(args.begin());
    } else {
      wrong |= !record.empty() || args.size() < 2 || args[1].empty();
      if (args.size() >= 2) record = args[1];
      args.erase(args.begin(), args.begin() + std::min<std::size_t>(2, args.size()));
    }
  }
  if (wrong || args.empty() || (cleanup && args.size() != 2)) {
    std::fprintf(stderr, kSynopsis, argv[0], argv[0], argv[0]);
    return 2;
  }
  // A reader that has gone away must not end the script half way through its lines.
  std::signal(SIGPIPE, SIG_IGN);
  using namespace shotsweep::batch;
  const int progressFd = ProgressFdFromEnvironment();
  Output output;
  const auto runner = MakeProgramRunner();
  const auto disk = shotsweep::MakeDiskFileSystem();
  if (cleanup) {
    OutliveTheCaller();
    return RunCleanupFiles(std::string(args[0]), std::string(args[1]), trash, output, *runner, *disk, progressFd,
                           record);
  }
  if (jobs > 0) TakeStopRequests();
  return RunScriptFile(std::string(args[0]), std::vector<std::string>(args.begin() + 1, args.end()), output, *runner,
                       *disk, progressFd, record, jobs, &stopRequested);
}
