#include "batch/external_program.h"

#include "batch/exiftool_session.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

extern char** environ;

namespace shotsweep::batch {

ProgramResult SpawnRunner::Run(const ProgramCall& call) {
  ProgramResult result;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (call.stdoutFd != 1) posix_spawn_file_actions_adddup2(&actions, call.stdoutFd, 1);
  if (call.stderrFd != 2) posix_spawn_file_actions_adddup2(&actions, call.stderrFd, 2);
  if (!call.workingDir.empty()) posix_spawn_file_actions_addchdir_np(&actions, call.workingDir.c_str());

  // The interpreter ignores SIGPIPE, and during a cleanup more, for itself; the programs it
  // runs get the usual defaults.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults, none;
  sigfillset(&defaults);
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

  std::vector<char*> argv;
  for (const std::string& arg : call.argv) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  pid_t pid = 0;
  const int error = ::posix_spawn(&pid, call.program.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (error != 0) {
    result.startError = error;
    return result;
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) {
      result.startError = errno;
      return result;
    }
  }
  result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

std::unique_ptr<ExternalProgramRunner> MakeProgramRunner() {
  if (!ExiftoolSessionEnabled()) return std::make_unique<SpawnRunner>();
  return std::make_unique<ExiftoolSessionRunner>(std::make_unique<SpawnRunner>());
}

}  // namespace shotsweep::batch
