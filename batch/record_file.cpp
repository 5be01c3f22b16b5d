#include "batch/record_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/files.h"
#include "base/progress_protocol.h"
#include "batch/directory_index.h"

namespace shotsweep::batch {

bool TakeRecord(const std::string& path, RecordUse use, InterpreterOptions& options, Output& output, bool& found) {
  found = false;
  std::string text;
  std::string problem;
  CleanupRecord record;
  if (const auto error = ReadWholeFile(path, text)) {
    if (error->number == ENOENT && use == RecordUse::Names) return true;
    problem = "cannot read the cleanup record \"" + path + "\": " + std::strerror(error->number);
  } else if (const auto malformed = ParseCleanupRecord(text, record)) {
    problem = "\"" + path + "\": " + malformed->description;
  } else if (use == RecordUse::Plan && record.state != CleanupRecord::State::Running) {
    problem = "\"" + path + "\" is no cleanup's plan: it says its cleanup has finished";
  }
  if (!problem.empty()) {
    output.Write(2, "shotsweep-batch: " + EscapeControls(problem) + "; nothing was run\n");
    output.Flush();
    return false;
  }
  found = true;
  // The record's names are in the folder it lies in, whatever folder the scripts cd into.
  char cwd[4096];
  options.recordFolder = SplitLast(NormalizePath(::getcwd(cwd, sizeof cwd) ? cwd : "/", path)).first;
  options.record = std::move(record);
  options.recordIsPlan = use == RecordUse::Plan;
  return true;
}

int LeaveRecord(const std::string& path, Interpreter& interpreter, int status, Output& output, int progressFd) {
  const std::optional<CleanupRecord> left = interpreter.RecordLeft();
  std::optional<CommandError> error;
  if (left) {
    // A fresh file moved into place: a run killed now leaves the old record or the new one,
    // never half of one, and a link under its name is replaced, not written through.
    error = WriteWholeFile(path, FormatCleanupRecord(*left));
  } else if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
    error = ErrnoError(errno, path);
  }
  if (!error) return status;
  const std::string text = "the cleanup record \"" + path + "\" could not be " +
                           (left ? "rewritten: " : "deleted: ") + std::strerror(error->number);
  output.Write(2, "shotsweep-batch: " + EscapeControls(text) + "\n");
  output.Flush();
  if (progressFd >= 0) WriteAll(progressFd, FailureLine(text));
  return status == 0 ? 1 : status;
}

}  // namespace shotsweep::batch
