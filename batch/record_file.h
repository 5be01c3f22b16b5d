#pragma once
// The cleanup record on disk, as shotsweep-batch's main uses it: read before a run, and
// rewritten with what is still set aside, or deleted, after it.

#include <string>

#include "batch/interpreter.h"
#include "batch/output.h"

namespace shotsweep::batch {

enum class RecordUse {
  Names,  // a restore: the names set-aside files had; a record that is not there is no error
  Plan,   // a cleanup's run: its plan, which must be there and still running
};

// Reads the record at `path` into `options` for `use`. False, having said why on standard
// error, when the run must not start. `found` tells whether there was a record to use.
bool TakeRecord(const std::string& path, RecordUse use, InterpreterOptions& options, Output& output, bool& found);

// After the run: the record at `path` rewritten, finished, with the files still set aside, or
// deleted when there is none. Returns the status to end with: `status`, or 1 in its place
// when it was 0 and the record could not be left so.
int LeaveRecord(const std::string& path, Interpreter& interpreter, int status, Output& output, int progressFd);

}  // namespace shotsweep::batch
