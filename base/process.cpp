#include "base/process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

extern char** environ;

namespace shotsweep {

bool MakePipe(Pipe& pipe) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return false;
  pipe.read.reset(fds[0]);
  pipe.write.reset(fds[1]);
  return true;
}

namespace {

// One of our descriptors that becomes a given descriptor number in the child.
struct Move {
  int from;
  int to;
};

// Runs in the child between fork and exec: only calls that are safe there, on data made
// before the fork. Reports why it could not exec through `report` and ends.
[[noreturn]] void BecomeProgram(const SpawnRequest& request, char* const* argv, char* const* envp,
                                const std::vector<Move>& moves, std::vector<int>& parked,
                                const std::vector<std::pair<unsigned, unsigned>>& closeRanges, pid_t parent,
                                const sigset_t& mask, int report) {
  auto fail = [report](int error) {
    while (::write(report, &error, sizeof error) < 0 && errno == EINTR) {
    }
    ::_exit(127);
  };
  if (request.endWithParent) {
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) ::_exit(127);  // the parent is gone already
  }
  struct sigaction defaults {};
  defaults.sa_handler = SIG_DFL;
  for (int signal = 1; signal < NSIG; ++signal) ::sigaction(signal, &defaults, nullptr);
  ::sigprocmask(SIG_SETMASK, &mask, nullptr);

  // Every source is first parked above every number in play, so no move can overwrite a
  // descriptor that a later move still reads.
  int floor = 3;
  for (const Move& move : moves) floor = std::max({floor, move.from + 1, move.to + 1});
  for (std::size_t i = 0; i < moves.size(); ++i) {
    parked[i] = ::fcntl(moves[i].from, F_DUPFD_CLOEXEC, floor);
    if (parked[i] < 0) fail(errno);
  }
  for (std::size_t i = 0; i < moves.size(); ++i) {
    if (::dup2(parked[i], moves[i].to) < 0) fail(errno);
  }
  // Descriptors some library left open on exec are not the program's business.
  for (const auto& [first, last] : closeRanges) ::syscall(SYS_close_range, first, last, 4u /* CLOEXEC */);
  if (!request.workingDir.empty() && ::chdir(request.workingDir.c_str()) != 0) fail(errno);
  ::execve(request.program.c_str(), argv, envp);
  fail(errno);
  ::_exit(127);
}

}  // namespace

Spawned Spawn(const SpawnRequest& request) {
  Spawned result;
  auto failed = [&](int error, const std::string& what) {
    result.error = ErrnoError(error, what);
    return std::move(result);
  };

  std::vector<char*> argv;
  for (const std::string& arg : request.argv) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  if (request.environment) {
    for (const std::string& entry : *request.environment) envp.push_back(const_cast<char*>(entry.c_str()));
    envp.push_back(nullptr);
  }

  UniqueFd devNull;
  Pipe pipes[3];
  std::vector<Move> moves;
  const Stream* streams[3] = {&request.in, &request.out, &request.err};
  for (int n = 0; n < 3; ++n) {
    const Stream& stream = *streams[n];
    if (n == 2 && request.errorToOutput) continue;
    switch (stream.kind) {
      case Stream::Inherit:
        break;
      case Stream::Null:
        if (!devNull) devNull.reset(::open("/dev/null", O_RDWR | O_CLOEXEC));
        if (!devNull) return failed(errno, "/dev/null");
        moves.push_back({devNull.get(), n});
        break;
      case Stream::NewPipe:
        if (!MakePipe(pipes[n])) return failed(errno, request.program);
        moves.push_back({n == 0 ? pipes[n].read.get() : pipes[n].write.get(), n});
        break;
      case Stream::Descriptor:
        moves.push_back({stream.fd, n});
        break;
    }
  }
  if (request.errorToOutput) {
    // Wherever standard output goes; with it inherited, our own standard output.
    const auto out = std::find_if(moves.begin(), moves.end(), [](const Move& m) { return m.to == 1; });
    moves.push_back({out == moves.end() ? 1 : out->from, 2});
  }
  for (const auto& [childFd, ourFd] : request.passFds) moves.push_back({ourFd, childFd});
  std::vector<int> parked(moves.size(), -1);

  // Close on exec everything above the standard streams but the descriptors passed on.
  std::vector<unsigned> kept;
  for (const auto& [childFd, ourFd] : request.passFds) kept.push_back(static_cast<unsigned>(childFd));
  std::sort(kept.begin(), kept.end());
  std::vector<std::pair<unsigned, unsigned>> closeRanges;
  unsigned next = 3;
  for (unsigned fd : kept) {
    if (fd > next) closeRanges.push_back({next, fd - 1});
    next = std::max(next, fd + 1);
  }
  closeRanges.push_back({next, UINT_MAX});

  sigset_t mask;
  sigemptyset(&mask);
  for (int signal : request.blockedSignals) sigaddset(&mask, signal);

  Pipe report;
  if (!MakePipe(report)) return failed(errno, request.program);
  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid < 0) return failed(errno, request.program);
  if (pid == 0) {
    BecomeProgram(request, argv.data(), request.environment ? envp.data() : environ, moves, parked,
                  closeRanges, parent, mask, report.write.get());
  }
  report.write.reset();
  int error = 0;
  ssize_t n;
  while ((n = ::read(report.read.get(), &error, sizeof error)) < 0 && errno == EINTR) {
  }
  if (n == sizeof error) {
    WaitForExit(pid);
    // A working folder that cannot be entered is told as such, not as a missing program.
    struct stat folder;
    const bool folderGone = !request.workingDir.empty() && ::stat(request.workingDir.c_str(), &folder) != 0;
    return failed(error, folderGone ? request.workingDir : request.program);
  }
  result.pid = pid;
  result.in = std::move(pipes[0].write);
  result.out = std::move(pipes[1].read);
  result.err = std::move(pipes[2].read);
  return result;
}

int WaitForExit(pid_t pid, int* raw) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return 127;
  }
  if (raw) *raw = status;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace shotsweep
