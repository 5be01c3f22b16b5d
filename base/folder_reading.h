#pragma once
// The rules of a pane's file list, worked out without any widget or file system: which names
// match a pattern list, and in which order the list shows them.

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

// `names` (the file system's bytes) in the file list's order: by folded name and, where those
// are equal, by the bytes of the name.
std::vector<std::string> InFileListOrder(std::vector<std::string> names);

}  // namespace shotsweep
