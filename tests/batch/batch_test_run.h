#pragma once
// Runs script text through the interpreter in this process, with standard output and error
// captured, in a folder the test chose.

#include <sys/mman.h>
#include <unistd.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "batch/external_program.h"
#include "batch/interpreter.h"
#include "batch/output.h"

namespace shotsweep::batch::testing {

struct ScriptResult {
  int status = 0;
  std::string out;
  std::string err;
};

inline std::string ReadBack(int fd) {
  std::string text;
  ::lseek(fd, 0, SEEK_SET);
  char buffer[4096];
  ssize_t n;
  while ((n = ::read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
  return text;
}

struct RunSettings {
  ExternalProgramRunner* runner = nullptr;  // null: the real one
  int inputFd = -1;
  int progressFd = -1;
  EnvironmentLookup environment;
  std::vector<std::string> args{"script.bat"};
  FileSystem* fileSystem = nullptr;  // null: the disk
  bool guardDeletes = false;
  bool trash = false;
  bool exactNames = false;
  std::optional<CleanupRecord> plan;  // the cleanup's plan, of the files in the working folder
};

// Stands in for a program: records the calls and, like a real program, may change the folder.
class RecordingRunner : public ExternalProgramRunner {
 public:
  ProgramResult Run(const ProgramCall& call) override {
    calls.push_back(call);
    if (onRun) onRun(call);
    return {};
  }
  std::vector<ProgramCall> calls;
  std::function<void(const ProgramCall&)> onRun;
};

inline ScriptResult RunScript(const std::string& text, const std::string& cwd, RunSettings settings = {}) {
  const int outFd = ::memfd_create("out", 0);
  const int errFd = ::memfd_create("err", 0);
  ScriptResult result;
  {
    Output output(outFd, errFd);
    SpawnRunner spawn;
    InterpreterOptions options;
    options.args = settings.args;
    options.workingDir = cwd;
    options.inputFd = settings.inputFd;
    options.progressFd = settings.progressFd;
    options.environment = settings.environment;
    options.guardDeletes = settings.guardDeletes;
    options.trash = settings.trash;
    options.exactNames = settings.exactNames;
    options.record = settings.plan;
    options.recordIsPlan = settings.plan.has_value();
    Interpreter interpreter(std::move(options), output, settings.runner ? *settings.runner : spawn,
                            settings.fileSystem ? *settings.fileSystem : TheRealFileSystem());
    result.status = interpreter.Run(text);
  }
  result.out = ReadBack(outFd);
  result.err = ReadBack(errFd);
  ::close(outFd);
  ::close(errFd);
  return result;
}

}  // namespace shotsweep::batch::testing
