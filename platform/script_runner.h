#pragma once
// Starting a generated script through the command interpreter (shotsweep-batch on POSIX,
// found next to the running executable) and waiting for it to end.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/errors.h"

namespace shotsweep {

enum class WindowStyle {
  Hidden,           // no window; output kept for diagnostics only
  NormalWithFocus,  // a window that shows the script's output live, with a progress bar
};

// What a run shown in a window says at a glance once it has ended; its output stays in the
// details. With `allWell` the window may close by itself.
struct ScriptSummary {
  std::string text;
  bool allWell = false;
};

struct ScriptOutcome;

struct ScriptRequest {
  std::string scriptPath;  // the command line: the script's full path alone
  std::string workingDir;  // made the current folder of the script's process
  WindowStyle style = WindowStyle::Hidden;
  std::string title;       // shown by the progress indicator or output window
  // A cleanup's restoring script. The same interpreter process runs it right after
  // scriptPath, in a process group of its own, so the cleanup ends as planned even when the
  // program that started it dies half way; and none of its deletions runs once one of its
  // lines failed on a file that was there.
  std::string thenScriptPath;
  // A cleanup's deletions go to the user's trash instead.
  bool trash = false;
  // The cleanup record (base/cleanup_record.h), passed as --record. For a cleanup it is the
  // plan, and the run touches nothing else; for a script on its own it gives set-aside files
  // the names they had. Empty: none.
  std::string recordPath;
  // Not for a cleanup: the script's blocks (an extraction's, one per RAW file) on up to this
  // many workers at once, each block told in ScriptOutcome::blocks, and a run that
  // ScriptProcess::Stop can stop between blocks. 0: one line after another, as written.
  std::size_t jobs = 0;
  // For a run shown in a window: the window goes as soon as the script has ended, for a
  // command that reports the run itself. A run with jobs gets a Cancel button there too.
  bool closeWhenEnded = false;
  // For a run shown in a window (NormalWithFocus): the summary to show once it has ended.
  std::function<ScriptSummary(const ScriptOutcome&)> summarize;
};

// What one block of a run with jobs did (see base/progress_protocol.h).
struct BlockReport {
  std::size_t number = 0;     // counted from 1, in script order
  std::size_t firstLine = 0;  // the script line it began at
  bool ended = false;         // false only when the process ended half way through it
  std::size_t failed = 0;     // its lines that failed
  struct Program {
    std::size_t line = 0;   // the script line that ran it
    int exitStatus = 0;     // 127: it could not be started
    std::string firstError;  // the first line it wrote on standard error, if any
    std::string lastError;   // the last, when it wrote more than one
  };
  std::vector<Program> programs;  // in the order they ran
};

struct ScriptOutcome {
  std::optional<CommandError> error;  // set when the script could not be started or run
  int exitStatus = 0;                 // the interpreter's exit status when it ran
  std::string output;                 // what the script printed (stdout and stderr)
  std::vector<std::string> failures;  // the lines that failed on a file, as the interpreter told them
  std::vector<std::string> notes;     // what the interpreter did otherwise than a line says, and why
  std::vector<BlockReport> blocks;    // a run with jobs: the blocks that began, in script order
  bool stopped = false;               // ScriptProcess::Stop left blocks or the closing lines out
  // Ran to its end with every line done: the only run that may end with "Operation done".
  bool WentAsPlanned() const { return !error && exitStatus == 0 && failures.empty(); }
};

class ScriptRunner {
 public:
  virtual ~ScriptRunner() = default;
  // Runs the script and returns when its process has ended.
  virtual ScriptOutcome Run(const ScriptRequest& request) = 0;
};

// Why a run did not do everything `script` asked, or nullopt when it did: the interpreter ends
// with status 0 only when it read its script to the end and no line failed on a file.
std::optional<CommandError> ScriptFailure(const ScriptOutcome& outcome, const std::string& script);

// Output kept of a run nobody watches: its beginning and its end, this many bytes each. A
// cleanup of a long photo list echoes every one of its millions of lines.
inline constexpr std::size_t kOutputKeptEachEnd = 1 << 20;
// Cuts the middle out of `output` once it is longer than twice `kept` (kept from its start
// onwards, kept again at its end), and says there how much was left out.
void KeepHeadAndTail(std::string& output, std::size_t kept = kOutputKeptEachEnd);

// The first `shown` failures, one a line, and how many more there were.
std::string ListFailures(const std::vector<std::string>& failures, std::size_t shown = 10);

}  // namespace shotsweep
