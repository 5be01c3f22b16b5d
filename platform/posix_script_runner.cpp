#include "platform/posix_script_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <vector>

#include "base/process.h"
#include "base/progress_protocol.h"
#include "platform/interpreter_path.h"

extern char** environ;

namespace shotsweep {
namespace {

// The program's environment with the progress variable pointing at the child's pipe end.
std::vector<std::string> ChildEnvironment(int progressFd) {
  const std::string prefix = std::string(kProgressFdVariable) + "=";
  std::vector<std::string> env;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (std::strncmp(*entry, prefix.c_str(), prefix.size()) != 0) env.emplace_back(*entry);
  }
  env.push_back(prefix + std::to_string(progressFd));
  return env;
}

// Appends what the pipe holds without waiting; closes it at its end or on an error.
void ReadAvailable(UniqueFd& fd, std::string& into) {
  char buffer[65536];
  while (fd) {
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n > 0) {
      into.append(buffer, static_cast<std::size_t>(n));
    } else if (n == 0) {
      fd.reset();
    } else if (errno != EINTR) {
      if (errno != EAGAIN) fd.reset();
      return;
    }
  }
}

}  // namespace

ScriptProcess::ScriptProcess(const std::string& interpreter, const ScriptRequest& request)
    : interpreter_(interpreter), scriptPath_(request.scriptPath), thenScriptPath_(request.thenScriptPath),
      watched_(request.style == WindowStyle::NormalWithFocus) {
  finished_ = true;  // until a process is really running
  if (interpreter.empty()) {
    startError_ = CommandError{ENOENT, std::string("The command interpreter ") + kInterpreterName +
                                           " was not found next to the program"};
    return;
  }
  Pipe progress;
  if (!MakePipe(progress)) {
    startError_ = ErrnoError(errno);
    return;
  }
  // The child's progress descriptor: any number past the standard streams will do, since
  // Spawn hands it over whatever numbers ours have.
  constexpr int kChildProgressFd = 3;
  SpawnRequest spawn;
  spawn.program = interpreter;
  spawn.argv = {interpreter};
  if (!request.thenScriptPath.empty()) spawn.argv.push_back(kCleanupOption);
  if (!request.thenScriptPath.empty() && request.trash) spawn.argv.push_back(kTrashOption);
  // A cleanup is never run in blocks: its second script relies on all of the first.
  stoppable_ = request.jobs > 0 && request.thenScriptPath.empty();
  if (stoppable_) {
    spawn.argv.insert(spawn.argv.end(), {kJobsOption, std::to_string(request.jobs)});
    // A stop asked for before the interpreter is ready for it must wait, not end it.
    spawn.blockedSignals = {kStopSignal};
  }
  if (!request.recordPath.empty()) spawn.argv.insert(spawn.argv.end(), {kRecordOption, request.recordPath});
  spawn.argv.push_back(request.scriptPath);
  if (!request.thenScriptPath.empty()) spawn.argv.push_back(request.thenScriptPath);
  spawn.environment = ChildEnvironment(kChildProgressFd);
  spawn.workingDir = request.workingDir;
  spawn.in = Stream::ToNull();
  spawn.out = Stream::ToPipe();
  spawn.errorToOutput = true;
  spawn.passFds = {{kChildProgressFd, progress.write.get()}};
  Spawned child = Spawn(spawn);
  if (child.error) {
    startError_ = child.error;
    return;
  }
  pid_ = child.pid;
  outputFd_ = std::move(child.out);
  progressFd_ = std::move(progress.read);
  ::fcntl(outputFd_.get(), F_SETFL, O_NONBLOCK);
  ::fcntl(progressFd_.get(), F_SETFL, O_NONBLOCK);
  finished_ = false;
}

ScriptProcess::~ScriptProcess() {
  if (pid_ > 0 && !exited_) {
    ::kill(pid_, SIGKILL);
    Reap(true);
  }
}

void ScriptProcess::ReadOutput() {
  ReadAvailable(outputFd_, output_);
  if (!watched_) KeepHeadAndTail(output_);
}

void ScriptProcess::ReadProgress() {
  ReadAvailable(progressFd_, progressBuffer_);
  std::size_t end;
  while ((end = progressBuffer_.find('\n')) != std::string::npos) {
    const ReportLine report = ParseReportLine(std::string_view(progressBuffer_).substr(0, end));
    if (report.kind == ReportLine::Progress) {
      done_ = static_cast<int>(report.done);
      total_ = static_cast<int>(report.total);
    } else if (report.kind == ReportLine::Failure) {
      failures_.push_back(report.text);
    } else if (report.kind == ReportLine::Note) {
      notes_.push_back(report.text);
    } else if (report.kind == ReportLine::ScriptBegin) {
      script_ = static_cast<int>(report.script);
    } else if (report.kind == ReportLine::BlockBegin) {
      blocks_.push_back({static_cast<std::size_t>(report.block), static_cast<std::size_t>(report.line)});
    } else if (report.kind == ReportLine::ProgramEnd && !blocks_.empty()) {
      blocks_.back().programs.push_back({static_cast<std::size_t>(report.line), static_cast<int>(report.status),
                                         report.text, report.lastText});
    } else if (report.kind == ReportLine::BlockEnd && !blocks_.empty()) {
      blocks_.back().ended = true;
      blocks_.back().failed = static_cast<std::size_t>(report.failed);
    }
    progressBuffer_.erase(0, end + 1);
  }
}

void ScriptProcess::Reap(bool block) {
  for (;;) {
    const pid_t r = ::waitpid(pid_, &status_, block ? 0 : WNOHANG);
    if (r == pid_) {
      exited_ = true;
      return;
    }
    if (r < 0 && errno == EINTR) continue;
    return;
  }
}

bool ScriptProcess::Pump(int timeoutMs) {
  if (finished_) return true;
  pollfd fds[2];
  nfds_t count = 0;
  if (outputFd_) fds[count++] = pollfd{outputFd_.get(), POLLIN, 0};
  if (progressFd_) fds[count++] = pollfd{progressFd_.get(), POLLIN, 0};
  if (count > 0 && timeoutMs != 0) ::poll(fds, count, timeoutMs);
  ReadOutput();
  ReadProgress();
  // With both pipes at their end the process is ending; otherwise only look, as a program
  // it started may still hold the pipes after the interpreter has gone.
  Reap(!outputFd_ && !progressFd_ && timeoutMs != 0);
  if (exited_) {
    ReadOutput();
    ReadProgress();
    outputFd_.reset();
    progressFd_.reset();
    finished_ = true;
  }
  return finished_;
}

std::string ScriptProcess::TakeNewOutput() {
  std::string fresh = output_.substr(taken_);
  taken_ = output_.size();
  return fresh;
}

void ScriptProcess::Kill() {
  if (pid_ > 0 && !exited_) ::kill(pid_, SIGKILL);
}

bool ScriptProcess::Stop() {
  if (!stoppable_ || pid_ <= 0 || exited_) return false;
  stopAsked_ = ::kill(pid_, kStopSignal) == 0 || stopAsked_;
  return stopAsked_;
}

ScriptOutcome ScriptProcess::Outcome() const {
  ScriptOutcome outcome;
  outcome.output = output_;
  outcome.failures = failures_;
  outcome.notes = notes_;
  outcome.blocks = blocks_;
  if (startError_) {
    outcome.error = startError_;
  } else if (WIFEXITED(status_)) {
    outcome.exitStatus = WEXITSTATUS(status_);
    outcome.stopped = stopAsked_ && outcome.exitStatus == kStoppedStatus;
  } else if (WIFSIGNALED(status_)) {
    const int signal = WTERMSIG(status_);
    outcome.exitStatus = 128 + signal;
    outcome.error = CommandError{
        EINTR, std::string(kInterpreterName) + " was ended by signal " + std::to_string(signal) +
                   " (" + ::strsignal(signal) + ") before it had run " +
                   (script_ == 2 && !thenScriptPath_.empty() ? thenScriptPath_ : scriptPath_) + " to its end"};
  }
  return outcome;
}

PosixScriptRunner::PosixScriptRunner() : interpreter_(InterpreterPath()) {}

PosixScriptRunner::PosixScriptRunner(std::string interpreter) : interpreter_(std::move(interpreter)) {}

ScriptOutcome PosixScriptRunner::Run(const ScriptRequest& request) {
  ScriptProcess process(interpreter_, request);
  if (!process.startError() && onStarted) onStarted(process);
  // A bounded wait, so a program the script started that keeps the pipes open after the
  // interpreter has ended cannot hold the run.
  constexpr int kWaitMs = 100;
  int done = process.done();
  int total = process.total();
  const auto reportProgress = [&] {
    if (onProgress && (process.done() != done || process.total() != total)) {
      done = process.done();
      total = process.total();
      onProgress(process);
    }
  };
  while (!process.Pump(kWaitMs)) reportProgress();
  // The last lines may arrive with the end of the process.
  reportProgress();
  ScriptOutcome outcome = process.Outcome();
  if (request.summarize && onSummary) onSummary(request.summarize(outcome));
  return outcome;
}

}  // namespace shotsweep
