#include "batch/exiftool_session.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "base/case_folding.h"
#include "base/files.h"
#include "base/process.h"
#include "batch/output.h"

extern char** environ;

namespace shotsweep::batch {
namespace {

using Clock = std::chrono::steady_clock;

bool IsPerlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

// Options that would make a session's process read its own input, leave stay-open mode, end
// its command early or wait for a key: such a call gets a process of its own.
bool ChangesTheSession(std::string_view arg) {
  const std::string lowered = FoldCase(arg);
  if (lowered == "-" || lowered == "-@" || lowered == "-stay_open" || lowered == "-common_args" ||
      lowered == "-config" || lowered == "-k" || lowered == "-pause") {
    return true;
  }
  if (!lowered.starts_with("-execute")) return false;
  return lowered.find_first_not_of("0123456789", 8) == std::string::npos;
}

std::string ReadyMark(unsigned number) { return "{ready" + std::to_string(number) + "}\n"; }
std::string StatusMark(unsigned number) { return "{shotsweep-done-" + std::to_string(number) + " "; }

}  // namespace

ExiftoolReply ReadExiftoolReply(std::string_view out, std::string_view err, unsigned number) {
  ExiftoolReply reply;
  const std::string readyMark = ReadyMark(number);
  const std::string statusMark = StatusMark(number);
  const std::size_t outEnd = out.find(readyMark);
  const std::size_t errEnd = err.find(statusMark);
  // The status mark counts once its line is whole; the mark holds no "}", so the first one
  // after it ends the status.
  if (outEnd == std::string_view::npos || errEnd == std::string_view::npos ||
      err.find("}\n", errEnd) == std::string_view::npos) {
    return reply;
  }
  const std::size_t statusStart = errEnd + statusMark.size();
  const std::string status(err.substr(statusStart, err.find('}', statusStart) - statusStart));
  reply.complete = true;
  reply.outputEnd = outEnd;
  reply.messagesEnd = errEnd;
  reply.exitStatus = std::atoi(status.c_str());
  return reply;
}

bool ExiftoolSessionEnabled() {
  const char* value = std::getenv(kExiftoolSessionVariable);
  return value == nullptr || std::string_view(value) != "0";
}

std::optional<std::string> ArgfileLine(std::string_view arg) {
  // exiftool takes a line as it stands unless it starts with a blank or "#" (dropped, or a
  // comment), holds a line end, or looks like "-TAG = VALUE" (blanks around "=" squeezed).
  bool plain = !arg.empty() && !IsPerlSpace(arg.front()) && arg.front() != '#' &&
               arg.find_first_of("\r\n") == std::string_view::npos;
  if (plain && arg.front() == '-') {
    const std::size_t equals = arg.find('=');
    if (equals != std::string_view::npos &&
        (std::any_of(arg.begin(), arg.begin() + equals, IsPerlSpace) ||
         (equals + 1 < arg.size() && arg[equals + 1] == ' '))) {
      plain = false;
    }
  }
  if (plain) return std::string(arg) + "\n";
  // The escaped form "#[CSTR]" carries all of these, but not "$" and "@".
  if (arg.find_first_of("$@") != std::string_view::npos) return std::nullopt;
  std::string line = "#[CSTR]";
  for (char c : arg) {
    if (c == '\\') {
      line += "\\\\";
    } else if (c == '\n') {
      line += "\\n";
    } else if (c == '\r') {
      line += "\\r";
    } else {
      line += c;
    }
  }
  return line + "\n";
}

bool SessionCanServe(const ProgramCall& call) {
  const std::size_t slash = call.program.rfind('/');
  const std::string name = FoldCase(std::string_view(call.program).substr(slash + 1));
  if (name != "exiftool" && name != "exiftool.exe") return false;
  for (std::size_t i = 1; i < call.argv.size(); ++i) {
    if (ChangesTheSession(call.argv[i]) || !ArgfileLine(call.argv[i])) return false;
  }
  return true;
}

std::unique_ptr<ExiftoolSession> ExiftoolSession::Start(const std::string& program,
                                                        const std::string& workingDir,
                                                        int answerTimeoutMs) {
  std::unique_ptr<ExiftoolSession> session(new ExiftoolSession(program, workingDir));
  if (!session->Spawn()) return nullptr;
  // A program that only bears the name, or an exiftool too old for this mode, fails here
  // and costs no line its run.
  const UniqueFd devNull(::open("/dev/null", O_WRONLY | O_CLOEXEC));
  const auto answer = session->Execute({"-ver"}, devNull.get(), devNull.get(), answerTimeoutMs);
  if (!answer || answer->exitStatus != 0) return nullptr;
  return session;
}

bool ExiftoolSession::Spawn() {
  SpawnRequest request;
  request.program = program_;
  request.argv = {program_, "-stay_open", "True", "-@", "-"};
  request.workingDir = workingDir_;
  request.in = Stream::ToPipe();
  request.out = Stream::ToPipe();
  request.err = Stream::ToPipe();
  // A stay-open exiftool whose input has gone keeps polling for more, so an interpreter that
  // is killed must not leave it behind.
  request.endWithParent = true;
  Spawned child = shotsweep::Spawn(request);
  if (child.error) return false;
  pid_ = child.pid;
  input_ = std::move(child.in);
  output_ = std::move(child.out);
  errors_ = std::move(child.err);
  return true;
}

std::optional<ProgramResult> ExiftoolSession::Execute(const std::vector<std::string>& args,
                                                      int stdoutFd, int stderrFd, int timeoutMs) {
  if (broken_) return std::nullopt;
  commandSent_ = false;
  const unsigned number = ++sequence_;
  std::string input;
  for (const std::string& arg : args) {
    const auto line = ArgfileLine(arg);
    if (!line) return std::nullopt;
    input += *line;
  }
  // exiftool answers "{readyN}" on standard output when the command is done; -echo4 puts a
  // mark with the command's exit status after its messages on standard error.
  input += "-echo4\n" + StatusMark(number) + "${status}}\n-execute" + std::to_string(number) + "\n";
  if (WriteAll(input_.get(), input)) {
    broken_ = true;
    return std::nullopt;
  }
  commandSent_ = true;

  std::string out, err;
  ExiftoolReply reply;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!reply.complete) {
    int wait = -1;
    if (timeoutMs >= 0) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) break;
      wait = static_cast<int>(left.count());
    }
    pollfd fds[2] = {{output_.get(), POLLIN, 0}, {errors_.get(), POLLIN, 0}};
    const int ready = ::poll(fds, 2, wait);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) break;
    bool ended = false;
    for (int k = 0; k < 2; ++k) {
      if (!(fds[k].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char buffer[16384];
      const ssize_t n = ::read(fds[k].fd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        ended = true;  // the process has gone before finishing the command
        continue;
      }
      (k == 0 ? out : err).append(buffer, static_cast<std::size_t>(n));
    }
    reply = ReadExiftoolReply(out, err, number);
    if (ended && !reply.complete) break;
  }
  if (!reply.complete) {
    broken_ = true;
    WriteAll(stderrFd, err);
    WriteAll(stdoutFd, out);
    return std::nullopt;
  }
  ProgramResult result;
  result.exitStatus = reply.exitStatus;
  // A process of its own writes its messages unbuffered and its output when it ends.
  WriteAll(stderrFd, std::string_view(err).substr(0, reply.messagesEnd));
  WriteAll(stdoutFd, std::string_view(out).substr(0, reply.outputEnd));
  return result;
}

ExiftoolSession::~ExiftoolSession() {
  if (pid_ < 0) return;
  if (!broken_) WriteAll(input_.get(), "-stay_open\nFalse\n");
  input_.reset();
  // Whatever it still says is read and dropped, so it cannot block on a full pipe while
  // ending; one that does not end in a few seconds is killed.
  const auto deadline = Clock::now() + std::chrono::seconds(broken_ ? 0 : 5);
  while (output_ || errors_) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) break;
    pollfd fds[2] = {{output_.get(), POLLIN, 0}, {errors_.get(), POLLIN, 0}};
    if (::poll(fds, 2, static_cast<int>(left.count())) <= 0) continue;
    for (int k = 0; k < 2; ++k) {
      if (fds[k].fd < 0 || !(fds[k].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char buffer[4096];
      if (::read(fds[k].fd, buffer, sizeof buffer) <= 0) (k == 0 ? output_ : errors_).reset();
    }
  }
  if (output_ || errors_) ::kill(pid_, SIGKILL);
  output_.reset();
  errors_.reset();
  int status = 0;
  while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
}

ExiftoolSessionRunner::ExiftoolSessionRunner(std::unique_ptr<ExternalProgramRunner> fallback)
    : fallback_(std::move(fallback)) {}

ProgramResult ExiftoolSessionRunner::Run(const ProgramCall& call) {
  if (failed_ || !SessionCanServe(call)) return fallback_->Run(call);
  // Relative names resolve against the session's folder, so a line run elsewhere needs a
  // session of its own.
  if (session_ && (session_->program() != call.program ||
                   session_->workingDir() != call.workingDir)) {
    session_.reset();
  }
  if (!session_) {
    session_ = ExiftoolSession::Start(call.program, call.workingDir);
    if (!session_) {
      failed_ = true;
      return fallback_->Run(call);
    }
  }
  const std::vector<std::string> args(call.argv.begin() + 1, call.argv.end());
  if (auto result = session_->Execute(args, call.stdoutFd, call.stderrFd)) {
    ++served_;
    return *result;
  }
  // The lines after this one get processes of their own. A command the process never took
  // runs that way too; one it took may have done part of its work and is not run again.
  const bool sent = session_->commandSent();
  session_.reset();
  failed_ = true;
  if (!sent) return fallback_->Run(call);
  WriteAll(call.stderrFd, "exiftool ended before finishing this command\n");
  ProgramResult result;
  result.exitStatus = 1;
  return result;
}

}  // namespace shotsweep::batch
