#pragma once
// Where the command interpreter lives: shotsweep-batch is installed next to the executable
// that runs it (shotsweep, shotsweep-cli, or a test program in the same build folder), or in
// its libexec folder.

#include <string>

namespace shotsweep {

inline constexpr const char* kInterpreterName = "shotsweep-batch";
// `shotsweep-batch --cleanup RENAMING RESTORING` runs a cleanup's two scripts in one process
// that outlives whoever started it.
inline constexpr const char* kCleanupOption = "--cleanup";
// ... and with `--cleanup --trash`, its deletions go to the user's trash.
inline constexpr const char* kTrashOption = "--trash";
// `--record FILE` hands over the cleanup record: a cleanup's plan, or a restore's names.
inline constexpr const char* kRecordOption = "--record";
// `shotsweep-batch --jobs N SCRIPT` runs the script's blocks on up to N workers at once.
inline constexpr const char* kJobsOption = "--jobs";

// The full path of shotsweep-batch beside the running executable or in ../libexec/shotsweep
// (../lib/shotsweep) from it; the path beside it when it is in neither; the empty text when
// the executable's own path cannot be read. Never a bare name: that would be looked up in
// the RAW folder the script runs in.
std::string InterpreterPath();

}  // namespace shotsweep
