#pragma once
// Running shotsweep-batch without a window: posix_spawn, output and progress read from pipes,
// the process waited for.

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/unique_fd.h"
#include "platform/script_runner.h"

namespace shotsweep {

// One started interpreter process. It reads the process's output (stdout and stderr in one
// pipe) and its progress reports without ever blocking on them, so a window can drive it from
// its event loop as well as a plain loop can.
class ScriptProcess {
 public:
  // Starts `interpreter request.scriptPath` (`interpreter --cleanup scriptPath thenScriptPath`
  // for a cleanup) with request.workingDir as its current folder; startError() tells whether
  // that failed.
  ScriptProcess(const std::string& interpreter, const ScriptRequest& request);
  // A process still running is killed and reaped: no run outlives its owner unseen.
  ~ScriptProcess();
  ScriptProcess(const ScriptProcess&) = delete;
  ScriptProcess& operator=(const ScriptProcess&) = delete;

  const std::optional<CommandError>& startError() const { return startError_; }
  pid_t pid() const { return pid_; }
  // Pipe ends to watch for reading; -1 once the pipe has reached its end.
  int outputFd() const { return outputFd_.get(); }
  int progressFd() const { return progressFd_.get(); }

  // Reads what the pipes hold, waiting up to timeoutMs for something to happen, and notes
  // whether the process has ended. True once it has ended and its output has been read.
  bool Pump(int timeoutMs);
  bool finished() const { return finished_; }
  // Output that arrived since the last call.
  std::string TakeNewOutput();
  // The last progress report: script lines done and in all (0 0 before the first).
  int done() const { return done_; }
  int total() const { return total_; }
  void Kill();
  // Asks a run with jobs to stop: the blocks under way end, no other begins and the lines
  // after the last block are left out. False when it cannot be asked: a run without jobs, which
  // has no blocks to stop between, or one that has ended.
  bool Stop();

  // The result once finished(): an error when the process did not end by itself.
  ScriptOutcome Outcome() const;

 private:
  void ReadOutput();
  void ReadProgress();
  void Reap(bool block);

  std::string interpreter_;
  std::string scriptPath_;
  std::string thenScriptPath_;
  bool watched_ = false;  // shown in a window, which takes the output as it comes
  int script_ = 1;  // which of the two is running, as the interpreter last told
  std::optional<CommandError> startError_;
  pid_t pid_ = -1;
  UniqueFd outputFd_;
  UniqueFd progressFd_;
  bool exited_ = false;
  bool finished_ = false;
  int status_ = 0;
  std::string output_;
  std::size_t taken_ = 0;
  std::string progressBuffer_;
  std::vector<std::string> failures_;
  std::vector<std::string> notes_;
  std::vector<BlockReport> blocks_;
  bool stoppable_ = false;
  bool stopAsked_ = false;
  int done_ = 0;
  int total_ = 0;
};

class PosixScriptRunner : public ScriptRunner {
 public:
  // Runs the shotsweep-batch next to the running executable.
  PosixScriptRunner();
  explicit PosixScriptRunner(std::string interpreter);

  ScriptOutcome Run(const ScriptRequest& request) override;

  // Called with each started process before it is waited for; lets a test interrupt a run.
  std::function<void(ScriptProcess&)> onStarted;
  // Called after every progress report.
  std::function<void(ScriptProcess&)> onProgress;
  // Given the summary of a run whose request asks for one, once it has ended.
  std::function<void(const ScriptSummary&)> onSummary;

 private:
  std::string interpreter_;
};

}  // namespace shotsweep
