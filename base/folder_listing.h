#pragma once
// A folder's files as a file list shows them, for whoever needs a file list without a window.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/errors.h"

namespace shotsweep {

struct FolderFiles {
  std::vector<std::string> names;     // the file system's bytes
  std::optional<CommandError> error;  // the folder could not be read whole: no names then
};

// The regular files of `folder` (links to them too; hidden ones count) whose names match one of
// the ";"-separated `patterns` ("*" any run of characters, "?" one character) without regard
// to case, sorted without regard to case and, where that ties, by their bytes.
FolderFiles ListFolderFiles(const std::string& folder, std::string_view patterns);

// Whether `name` matches the wildcard `pattern` without regard to case.
bool MatchesWildcard(std::string_view pattern, std::string_view name);

}  // namespace shotsweep
