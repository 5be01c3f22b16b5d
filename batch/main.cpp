#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "batch/external_program.h"
#include "batch/interpreter.h"
#include "batch/output.h"

// Runs a generated script: shotsweep-batch SCRIPT [ARGUMENTS...].
int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s SCRIPT [ARGUMENTS...]\n", argv[0]);
    return 2;
  }
  // A reader that has gone away must not end the script half way through its lines.
  std::signal(SIGPIPE, SIG_IGN);
  using namespace shotsweep::batch;
  const int progressFd = ProgressFdFromEnvironment();
  Output output;
  const auto runner = MakeProgramRunner();
  return RunScriptFile(argv[1], std::vector<std::string>(argv + 2, argv + argc), output, *runner, progressFd);
}
