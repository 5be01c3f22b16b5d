#include "batch/external_program.h"

#include "base/process.h"
#include "batch/exiftool_session.h"

namespace shotsweep::batch {

ProgramResult SpawnRunner::Run(const ProgramCall& call) {
  SpawnRequest request;
  request.program = call.program;
  request.argv = call.argv;
  request.workingDir = call.workingDir;
  request.out = Stream::To(call.stdoutFd);
  request.err = Stream::To(call.stderrFd);
  const Spawned child = Spawn(request);
  ProgramResult result;
  if (child.error) {
    result.startError = child.error;
    return result;
  }
  result.exitStatus = WaitForExit(child.pid);
  return result;
}

std::unique_ptr<ExternalProgramRunner> MakeProgramRunner() {
  if (!ExiftoolSessionEnabled()) return std::make_unique<SpawnRunner>();
  return std::make_unique<ExiftoolSessionRunner>(std::make_unique<SpawnRunner>());
}

}  // namespace shotsweep::batch
