#pragma once
// The files a command writes beside its scripts (the scripts themselves, the pairing record)
// and deletes after them: on the disk, or, for a dry run, in memory next to the folder the
// scripts would change.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/errors.h"

namespace shotsweep {

class CommandFiles {
 public:
  virtual ~CommandFiles() = default;
  // Creates or replaces the file whole; never through a link or a special file.
  virtual std::optional<CommandError> Write(const std::string& path, std::string_view content) = 0;
  // Deletes the file; one that is already gone is no failure.
  virtual std::optional<CommandError> Delete(const std::string& path) = 0;
  // The names of the files (not folders) in `folder` as they are now: after a run, what the
  // scripts left there.
  virtual std::optional<CommandError> ListFiles(const std::string& folder, std::vector<std::string>& names) = 0;
};

// The disk.
CommandFiles& DiskFiles();

}  // namespace shotsweep
