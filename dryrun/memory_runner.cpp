#include "dryrun/memory_runner.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>

#include "base/unique_fd.h"
#include "batch/directory_index.h"
#include "batch/interpreter.h"
#include "batch/output.h"
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

std::optional<CommandError> MemoryCommandFiles::Write(const std::string& path, std::string_view content) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos || !fs_.IsDirectory(slash == 0 ? "/" : path.substr(0, slash))) {
    return ErrnoError(ENOENT, path);
  }
  if (fs_.IsDirectory(path)) return ErrnoError(EISDIR, path);
  fs_.AddFile(path, std::string(content));
  return std::nullopt;
}

std::optional<CommandError> MemoryCommandFiles::Delete(const std::string& path) {
  if (const auto error = fs_.Unlink(path); error && error->number != ENOENT) return error;
  return std::nullopt;
}

std::optional<CommandError> MemoryCommandFiles::ListFiles(const std::string& folder, std::vector<std::string>& names) {
  std::vector<DirEntry> entries;
  if (auto error = fs_.List(batch::NormalizePath("/", folder), entries)) return error;
  for (const DirEntry& entry : entries) {
    if (!entry.isDir) names.push_back(entry.name);
  }
  return std::nullopt;
}

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
    options.guardDeletes = options.exactNames = !request.thenScriptPath.empty();
    options.trash = request.trash;
    options.onFailure = [&](const std::string& report) { outcome.failures.push_back(report); };
    options.onNote = [&](const std::string& report) { outcome.notes.push_back(report); };
    batch::Interpreter interpreter(std::move(options), out, programs, fs_);
    std::vector<batch::ScriptText> scripts;
    for (std::size_t i = 0; i < paths.size(); ++i) scripts.push_back({paths[i], texts[i]});
    outcome.exitStatus = interpreter.Run(scripts);
  }
  outcome.output = ReadBack(output.get());
  return outcome;
}

}  // namespace shotsweep
