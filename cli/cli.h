#pragma once
// shotsweep-cli: the window's commands from a terminal, run by the same code: the same checks,
// the same scripts, the same interpreter, the same settings (Shotsweep.ini in the current
// folder, which is the start folder). It never reads or writes the saved folder pair.

#include <string>
#include <vector>

#include "fs/file_system.h"

namespace shotsweep {

// Runs the command line `args` (without the program's name). Results go to `out` (a dry run's
// listing, the summary line of a run), messages to `err`; `showProgress` lets a long run count
// its RAW files on `err`, on a line it clears when the run is over.
// Returns the exit status: 0 done as planned, 1 a failure (for an extraction, also a RAW file
// left without a JPG), 2 a usage error.
int RunCli(const std::vector<std::string>& args, FileSystem& fs, int out, int err, bool showProgress);

}  // namespace shotsweep
