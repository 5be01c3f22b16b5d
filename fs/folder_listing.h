#pragma once
// What the lists of a pane and the commands read of a folder, through the file system, so that
// it can be done on any thread: the regular files whose names match a pattern list, in the
// file list's order, and the subfolders.

#include <atomic>
#include <string>
#include <vector>

#include "base/folder_reading.h"
#include "fs/file_system.h"

namespace shotsweep {

struct FileListing {
  std::vector<std::string> names;    // the file system's bytes, in the list's order
  std::optional<CommandError> error;  // when the folder could not be read; names is then empty
};

// The regular files in `folder` (links to them too, hidden files too) that match, in the file
// list's order. The names are kept as the file system's bytes: a name that is not valid text
// turned into other bytes would make a cleanup set aside the RAW file of a JPG that is still
// there. Gives up early, with an empty listing, once `cancelled` is set.
FileListing ListMatchingFiles(FileSystem& fs, const std::string& folder, const NamePatterns& patterns,
                              const std::atomic<bool>& cancelled);
// The same, never cancelled.
FileListing ListMatchingFiles(FileSystem& fs, const std::string& folder, const NamePatterns& patterns);

struct SubfolderListing {
  std::vector<std::string> names;  // the file system's bytes, in no particular order
  bool complete = true;            // false when the reading stopped early
};

// The subfolders of `folder`, links to folders too, but none whose name starts with a dot (a
// hidden folder). A folder that cannot be read has none. Stops after `budget` entries of the
// folder, or once `cancelled` is set, with what it found so far and `complete` false.
SubfolderListing ListSubfolders(FileSystem& fs, const std::string& folder, std::size_t budget,
                                const std::atomic<bool>& cancelled);

}  // namespace shotsweep
