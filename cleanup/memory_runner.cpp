#include "cleanup/memory_runner.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>

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

std::string ReadBack(int fd) {
  std::string text;
  ::lseek(fd, 0, SEEK_SET);
  char buffer[65536];
  ssize_t n;
  while ((n = ::read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<std::size_t>(n));
  return text;
}

}  // namespace

ScriptOutcome InMemoryScriptRunner::Run(const ScriptRequest& request) {
  ++runs_;
  ScriptOutcome outcome;
  std::vector<std::string> paths{request.scriptPath};
  if (!request.thenScriptPath.empty()) paths.push_back(request.thenScriptPath);
  std::vector<std::string> texts;
  for (const std::string& path : paths) {
    const auto text = fs_.Content(path);
    if (!text) {
      outcome.exitStatus = 1;
      outcome.output = std::string(kInterpreterName) + ": cannot read the script \"" + path + "\"; nothing was run\n";
      return outcome;
    }
    texts.push_back(*text);
  }
  const UniqueFd output(::memfd_create("dry-run", MFD_CLOEXEC));
  {
    batch::Output out(output.get(), output.get());
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
      outcome.output = ReadBack(output.get());
      return outcome;
    }
    options.onFailure = [&](const std::string& report) { outcome.failures.push_back(report); };
    options.onNote = [&](const std::string& report) { outcome.notes.push_back(report); };
    batch::Interpreter interpreter(std::move(options), out, programs, fs_);
    std::vector<batch::ScriptText> scripts;
    for (std::size_t i = 0; i < paths.size(); ++i) scripts.push_back({paths[i], texts[i]});
    outcome.exitStatus = interpreter.Run(scripts);
    if (recorded) outcome.exitStatus = batch::LeaveRecord(fs_, recordPath, interpreter, outcome.exitStatus, out, -1);
  }
  outcome.output = ReadBack(output.get());
  return outcome;
}

}  // namespace shotsweep
