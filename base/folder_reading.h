#pragma once
// What the lists of a pane show of a folder, worked out without any widget, so that it can be
// done on any thread: the regular files whose names match a pattern list, in the file list's
// order, and the subfolders.

#include <atomic>
#include <string>
#include <string_view>
#include <vector>

namespace shotsweep {

// ";"-separated wildcard patterns such as "*.nef;*.cr*": "*" stands for any run of characters,
// "?" for one character, everything else for itself without regard to case. Blanks around
// a pattern do not count; an empty list matches nothing.
class NamePatterns {
 public:
  explicit NamePatterns(std::string_view patterns);
  // `folded` is FoldCase of the name.
  bool Matches(std::string_view folded) const;

 private:
  std::vector<std::string> patterns_;  // folded
};

struct FileListing {
  std::vector<std::string> names;  // the file system's bytes, in the list's order
  int error = 0;                   // errno when the folder could not be read; names is then empty
};

// The regular files in `folder` (links to them too, hidden files too) that match, sorted by
// folded name and, where those are equal, by the bytes of the name. Gives up early, with an
// empty listing, once `cancelled` is set.
FileListing ListMatchingFiles(const std::string& folder, const NamePatterns& patterns,
                              const std::atomic<bool>& cancelled);

struct SubfolderListing {
  std::vector<std::string> names;  // the file system's bytes, in no particular order
  bool complete = true;            // false when the reading stopped early
};

// The subfolders of `folder`, links to folders too, but none whose name starts with a dot (a
// hidden folder). A folder that cannot be read has none. Stops after `budget` entries of the
// folder, or once `cancelled` is set, with what it found so far and `complete` false.
SubfolderListing ListSubfolders(const std::string& folder, std::size_t budget, const std::atomic<bool>& cancelled);

}  // namespace shotsweep
