#pragma once
// Starting a generated script through the command interpreter (shotsweep-batch on POSIX,
// found next to the running executable) and waiting for it to end.

#include <optional>
#include <string>

#include "platform/errors.h"

namespace shotsweep {

enum class WindowStyle {
  Hidden,           // no window; output kept for diagnostics only
  NormalWithFocus,  // a window that shows the script's output live, with a progress bar
};

struct ScriptRequest {
  std::string scriptPath;  // the command line: the script's full path alone
  std::string workingDir;  // made the current folder of the script's process
  WindowStyle style = WindowStyle::Hidden;
  std::string title;       // shown by the progress indicator or output window
};

struct ScriptOutcome {
  std::optional<CommandError> error;  // set when the script could not be started or run
  int exitStatus = 0;                 // the interpreter's exit status when it ran
  std::string output;                 // what the script printed (stdout and stderr)
};

class ScriptRunner {
 public:
  virtual ~ScriptRunner() = default;
  // Runs the script and returns when its process has ended.
  virtual ScriptOutcome Run(const ScriptRequest& request) = 0;
};

// Why a run did not get to the end of `script`, or nullopt when it did: the interpreter ends
// with status 0 only when it read its script to the end.
std::optional<CommandError> ScriptFailure(const ScriptOutcome& outcome, const std::string& script);

// Protocol between runner and interpreter for progress: when the environment variable
// SHOTSWEEP_PROGRESS_FD names an open file descriptor, shotsweep-batch writes lines
// "DONE TOTAL\n" to it (script lines executed, script lines in all), at most every 50 ms and
// once at the end.
inline constexpr const char* kProgressFdVariable = "SHOTSWEEP_PROGRESS_FD";

}  // namespace shotsweep
