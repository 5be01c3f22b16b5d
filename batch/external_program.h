#pragma once
// Running the external programs a script names (exiv2, exiftool, ...).
//
// This is the one seam through which the interpreter starts a program: it finds the file,
// splits the arguments, opens the redirections and hands a ProgramCall to the runner that
// MakeProgramRunner() gave it. A special runner for one tool (say, a persistent exiftool
// session that answers many calls from one process) is plugged in by making
// MakeProgramRunner() return a runner that recognises the calls it can serve, by
// ProgramCall::program, and hands every other call to SpawnRunner. Such a runner must honour
// workingDir and the two output descriptors, and must not return before the call's effects on
// the files are complete: the interpreter re-reads its folder indexes right after Run returns.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/errors.h"

namespace shotsweep::batch {

struct ProgramCall {
  std::string program;            // full path of the file to run
  std::vector<std::string> argv;  // argv[0] is the program as the script wrote it
  std::string workingDir;
  int stdoutFd = 1;
  int stderrFd = 2;
};

struct ProgramResult {
  std::optional<CommandError> startError;  // why the program could not be started
  int exitStatus = 0;  // what it returned; scripts go on whatever it is
};

class ExternalProgramRunner {
 public:
  virtual ~ExternalProgramRunner() = default;
  // Runs the program to its end.
  virtual ProgramResult Run(const ProgramCall& call) = 0;
};

// Starts the program as a child process (posix_spawn, never through a shell) and waits for it.
class SpawnRunner final : public ExternalProgramRunner {
 public:
  ProgramResult Run(const ProgramCall& call) override;
};

// The runner shotsweep-batch uses.
std::unique_ptr<ExternalProgramRunner> MakeProgramRunner();

}  // namespace shotsweep::batch
