#include "platform/posix_script_runner.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "platform/interpreter_path.h"
#include "base/progress_protocol.h"

extern char** environ;

namespace shotsweep {
namespace {

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

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
void ReadAvailable(int& fd, std::string& into) {
  char buffer[65536];
  while (fd >= 0) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) {
      into.append(buffer, static_cast<std::size_t>(n));
    } else if (n == 0) {
      CloseFd(fd);
    } else if (errno != EINTR) {
      if (errno != EAGAIN) CloseFd(fd);
      return;
    }
  }
}

}  // namespace

ScriptProcess::ScriptProcess(const std::string& interpreter, const ScriptRequest& request)
    : interpreter_(interpreter), scriptPath_(request.scriptPath) {
  finished_ = true;  // until a process is really running
  if (interpreter.empty()) {
    startError_ = CommandError{ENOENT, std::string("The command interpreter ") + kInterpreterName +
                                           " was not found next to the program"};
    return;
  }
  // posix_spawn reports a failed chdir like a missing program; name the folder instead.
  struct stat folder;
  if (!request.workingDir.empty() && ::stat(request.workingDir.c_str(), &folder) != 0) {
    startError_ = ErrnoError(errno, request.workingDir);
    return;
  }

  int out[2];
  int progress[2];
  if (::pipe2(out, O_CLOEXEC) != 0) {
    startError_ = ErrnoError(errno);
    return;
  }
  if (::pipe2(progress, O_CLOEXEC) != 0) {
    startError_ = ErrnoError(errno);
    ::close(out[0]);
    ::close(out[1]);
    return;
  }
  // A descriptor number above all of ours, so giving it to the progress pipe in the child
  // cannot overwrite another pipe end there.
  const int childProgressFd = std::max({out[0], out[1], progress[0], progress[1]}) + 1;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, out[1], 2);
  posix_spawn_file_actions_adddup2(&actions, progress[1], childProgressFd);
  if (!request.workingDir.empty()) {
    posix_spawn_file_actions_addchdir_np(&actions, request.workingDir.c_str());
  }
  // The window's signal settings (an ignored SIGPIPE, a blocked signal) are not the script's.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t all;
  sigset_t none;
  sigfillset(&all);
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

  const std::vector<std::string> env = ChildEnvironment(childProgressFd);
  std::vector<char*> envp;
  for (const std::string& entry : env) envp.push_back(const_cast<char*>(entry.c_str()));
  envp.push_back(nullptr);
  std::vector<std::string> args{interpreter};
  if (!request.thenScriptPath.empty()) args.push_back(kCleanupOption);
  args.push_back(request.scriptPath);
  if (!request.thenScriptPath.empty()) args.push_back(request.thenScriptPath);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  const int rc = ::posix_spawn(&pid_, interpreter.c_str(), &actions, &attributes, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  ::close(out[1]);
  ::close(progress[1]);
  if (rc != 0) {
    startError_ = ErrnoError(rc, interpreter);
    pid_ = -1;
    ::close(out[0]);
    ::close(progress[0]);
    return;
  }
  outputFd_ = out[0];
  progressFd_ = progress[0];
  ::fcntl(outputFd_, F_SETFL, O_NONBLOCK);
  ::fcntl(progressFd_, F_SETFL, O_NONBLOCK);
  finished_ = false;
}

ScriptProcess::~ScriptProcess() {
  if (pid_ > 0 && !exited_) {
    ::kill(pid_, SIGKILL);
    Reap(true);
  }
  CloseFd(outputFd_);
  CloseFd(progressFd_);
}

void ScriptProcess::ReadOutput() { ReadAvailable(outputFd_, output_); }

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
  if (outputFd_ >= 0) fds[count++] = pollfd{outputFd_, POLLIN, 0};
  if (progressFd_ >= 0) fds[count++] = pollfd{progressFd_, POLLIN, 0};
  if (count > 0 && timeoutMs != 0) ::poll(fds, count, timeoutMs);
  ReadOutput();
  ReadProgress();
  // With both pipes at their end the process is ending; otherwise only look, as a program
  // it started may still hold the pipes after the interpreter has gone.
  Reap(outputFd_ < 0 && progressFd_ < 0 && timeoutMs != 0);
  if (exited_) {
    ReadOutput();
    ReadProgress();
    CloseFd(outputFd_);
    CloseFd(progressFd_);
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

ScriptOutcome ScriptProcess::Outcome() const {
  ScriptOutcome outcome;
  outcome.output = output_;
  outcome.failures = failures_;
  if (startError_) {
    outcome.error = startError_;
  } else if (WIFEXITED(status_)) {
    outcome.exitStatus = WEXITSTATUS(status_);
  } else if (WIFSIGNALED(status_)) {
    const int signal = WTERMSIG(status_);
    outcome.exitStatus = 128 + signal;
    outcome.error = CommandError{
        EINTR, std::string(kInterpreterName) + " was ended by signal " + std::to_string(signal) +
                   " (" + ::strsignal(signal) + ") before it had run " + scriptPath_ + " to its end"};
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
  return process.Outcome();
}

}  // namespace shotsweep
