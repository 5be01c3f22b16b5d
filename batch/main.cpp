#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

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

}  // namespace

// Runs a generated script: shotsweep-batch SCRIPT [ARGUMENTS...]
// or a cleanup's two scripts:  shotsweep-batch --cleanup [--trash] RENAMING RESTORING
int main(int argc, char** argv) {
  const bool cleanup = argc >= 2 && std::string_view(argv[1]) == "--cleanup";
  const bool trash = cleanup && argc >= 3 && std::string_view(argv[2]) == "--trash";
  if (argc < 2 || (cleanup && argc != (trash ? 5 : 4))) {
    std::fprintf(stderr, "usage: %s SCRIPT [ARGUMENTS...]\n       %s --cleanup [--trash] RENAMING RESTORING\n",
                 argv[0], argv[0]);
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
    return RunCleanupFiles(argv[argc - 2], argv[argc - 1], trash, output, *runner, *disk, progressFd);
  }
  return RunScriptFile(argv[1], std::vector<std::string>(argv + 2, argv + argc), output, *runner, *disk,
                       progressFd);
}
