#pragma once
// Finding the program a script line names, the way the original interpreter searches.

#include <optional>
#include <string>

#include "batch/directory_index.h"

namespace shotsweep::batch {

struct ProgramLookup {
  std::optional<std::string> path;  // the file to run, when found
  bool folderMissing = false;       // the name held a folder part that leads nowhere
};

// `written` as a script line gives it: a name with a folder part is looked up there; a bare
// name in `cwd`, then in each absolute folder of `searchPath` (PATH's value). Names compare
// without regard to case, and a name ending in ".exe" that is not there is tried without it
// ("exiv2.exe" is "exiv2" here). Folders are read through `cache`.
ProgramLookup FindProgram(DirectoryCache& cache, const std::string& cwd, const std::string& written,
                          const std::optional<std::string>& searchPath);

}  // namespace shotsweep::batch
