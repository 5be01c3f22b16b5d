#include "cleanup/memory_runner.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "base/unique_fd.h"
#include "batch/directory_index.h"
#include "batch/interpreter.h"
#include "batch/output.h"
#include "batch/record_file.h"
#include "platform/interpreter_path.h"

namespace shotsweep {
namespace {

class NoPrograms final : public batch::ExternalProgramRunner {
 public:
  batch::ProgramResult Run(const batch::ProgramCall& call) override {
    batch::ProgramResult result;
    result.startError = CommandError{EPERM, "no program runs in a dry run: " + call.program};
    return result;
  }
};

// Collects what the interpreter prints while it runs, its beginning and its end only: a
// restoring script echoes each of its lines, hundreds of megabytes for a long photo list.
class OutputCollector {
 public:
  OutputCollector() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return;
    read_.reset(fds[0]);
    write_.reset(fds[1]);
    reader_ = std::thread([this] {
      char buffer[65536];
      ssize_t n;
      while ((n = ::read(read_.get(), buffer, sizeof buffer)) != 0) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        text_.append(buffer, static_cast<std::size_t>(n));
        KeepHeadAndTail(text_);
      }
    });
  }
  ~OutputCollector() { Take(); }
  // Where the interpreter writes; /dev/null's part when no pipe could be had.
  int fd() const { return write_ ? write_.get() : -1; }
  std::string Take() {
    write_.reset();
    if (reader_.joinable()) reader_.join();
    return std::move(text_);
  }

 private:
  UniqueFd read_, write_;
  std::thread reader_;
  std::string text_;
};

}  // namespace

ScriptOutcome InMemoryScriptRunner::Run(const ScriptRequest& request) {
  ++runs_;
  ScriptOutcome outcome;
  std::vector<std::string> paths{request.scriptPath};
  if (!request.thenScriptPath.empty()) paths.push_back(request.thenScriptPath);
  // Read as they run where the scripts wait on the disk, as shotsweep-batch reads them.
  std::vector<UniqueFd> files(paths.size());
  bool streamed = true;
  for (std::size_t i = 0; i < paths.size() && streamed; ++i) streamed = !fs_.OpenForReading(paths[i], files[i]);
  std::vector<std::string> texts;
  // Taken out of the files for the run and given back after it, never copied.
  const auto putBack = [&] {
    for (std::size_t i = 0; i < texts.size(); ++i) fs_.PutBack(paths[i], std::move(texts[i]));
  };
  for (const std::string& path : paths) {
    if (streamed) break;
    auto text = fs_.TakeContent(path);
    if (!text) {
      putBack();
      outcome.exitStatus = 1;
      outcome.output = std::string(kInterpreterName) + ": cannot read the script \"" + path + "\"; nothing was run\n";
      return outcome;
    }
    texts.push_back(std::move(*text));
  }
  OutputCollector collector;
  const UniqueFd nowhere(collector.fd() < 0 ? ::open("/dev/null", O_WRONLY | O_CLOEXEC) : -1);
  const int output = collector.fd() < 0 ? nowhere.get() : collector.fd();
  {
    batch::Output out(output, output);
    NoPrograms programs;
    batch::InterpreterOptions options;
    options.args = {request.scriptPath};
    options.workingDir = request.workingDir;
    options.inputFd = -1;
    // A cleanup's run, as shotsweep-batch --cleanup makes it.
    const bool cleanup = !request.thenScriptPath.empty();
    options.guardDeletes = options.exactNames = cleanup;
    options.trash = request.trash;
    // The record as shotsweep-batch takes it: a cleanup's plan, which must be there and still
    // running, or the names a restore gives back.
    const std::string recordPath =
        request.recordPath.empty() ? std::string() : batch::NormalizePath(request.workingDir, request.recordPath);
    bool recorded = false;
    const batch::RecordUse use = cleanup ? batch::RecordUse::Plan : batch::RecordUse::Names;
    if (!recordPath.empty() && !batch::TakeRecord(fs_, recordPath, use, options, out, recorded)) {
      outcome.exitStatus = 1;
      out.Flush();
      putBack();
      outcome.output = collector.Take();
      return outcome;
    }
    options.onFailure = [&](const std::string& report) { outcome.failures.push_back(report); };
    options.onNote = [&](const std::string& report) { outcome.notes.push_back(report); };
    batch::Interpreter interpreter(std::move(options), out, programs, fs_);
    if (streamed) {
      std::vector<batch::ScriptFile> scripts;
      for (std::size_t i = 0; i < paths.size(); ++i) scripts.push_back({paths[i], files[i].get()});
      outcome.exitStatus = interpreter.Run(scripts);
    } else {
      std::vector<batch::ScriptText> scripts;
      for (std::size_t i = 0; i < paths.size(); ++i) scripts.push_back({paths[i], texts[i]});
      outcome.exitStatus = interpreter.Run(scripts);
    }
    if (recorded) outcome.exitStatus = batch::LeaveRecord(fs_, recordPath, interpreter, outcome.exitStatus, out, -1);
  }
  putBack();
  outcome.output = collector.Take();
  return outcome;
}

}  // namespace shotsweep
