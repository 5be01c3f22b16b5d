#pragma once
// Starting a program: the one way the program, the interpreter, the exiftool session and the
// tests start processes. Never through a shell; the child gets the default signal handling
// and an empty signal mask (but for the signals asked for) whatever its parent had set, and
// only the descriptors asked for.

#include <sys/types.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "base/unique_fd.h"

namespace shotsweep {

// Where one of the child's standard streams goes.
struct Stream {
  enum Kind { Inherit, Null, NewPipe, Descriptor } kind = Inherit;
  int fd = -1;  // for Descriptor: ours, given to the child

  static Stream ToNull() { return {Null, -1}; }
  static Stream ToPipe() { return {NewPipe, -1}; }
  static Stream To(int fd) { return {Descriptor, fd}; }
};

struct SpawnRequest {
  std::string program;                               // the file to run, a path
  std::vector<std::string> argv;                     // argv[0] included
  std::optional<std::vector<std::string>> environment;  // "NAME=value"; nullopt: ours
  std::string workingDir;                            // empty: ours
  Stream in, out, err;
  bool errorToOutput = false;                        // standard error where standard output goes
  std::vector<std::pair<int, int>> passFds;          // child's descriptor number, our descriptor
  bool endWithParent = false;                        // ended (SIGTERM) when we end, even killed
  // Blocked in the child from its start: one sent before it is ready for it waits until it
  // unblocks it, instead of ending it.
  std::vector<int> blockedSignals;
};

struct Spawned {
  pid_t pid = -1;
  std::optional<CommandError> error;  // why it could not start (a program that cannot be run too)
  UniqueFd in, out, err;              // our ends of the pipes asked for
};

Spawned Spawn(const SpawnRequest& request);

// Waits for the child to end: its exit status, or 128 + the signal that ended it.
// `raw` receives the status as waitpid gives it.
int WaitForExit(pid_t pid, int* raw = nullptr);

}  // namespace shotsweep
