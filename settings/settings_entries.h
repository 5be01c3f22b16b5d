#pragma once
// How "Shotsweep.ini" falls into entries, shared by the reader and the writer so that what one
// writes is what the other reads: entries end at a comma or a line end, a quoted entry runs to
// the next quote, and the entries after an ExtraRAW or Sidecars entry on its line that hold no
// "=" are more of its list.

#include <cstddef>
#include <string_view>
#include <vector>

namespace shotsweep {

struct SettingsEntry {
  std::size_t begin = 0;  // the entry's text, quotes left out
  std::size_t end = 0;
  std::size_t stop = 0;   // where the file's next separator stands (or its end): past any closing
                          // quote and the text after it that the reader drops
  bool quoted = false;
  bool unclosed = false;  // quoted, and no closing quote before the file's end
  bool continues = false; // more of the list of the ExtraRAW or Sidecars entry before it

  std::string_view Text(std::string_view bytes) const { return bytes.substr(begin, end - begin); }
  // The text before the first "=", as written; empty when there is no "=".
  std::string_view Key(std::string_view bytes) const;
  // Where the value starts: just past the first "=" (npos when there is none).
  std::size_t ValueBegin(std::string_view bytes) const;
};

// Whether `key` names one of the two list settings.
bool IsListKey(std::string_view key);

// The entries of the file's bytes, in order, empty ones too (",," holds one).
std::vector<SettingsEntry> SplitSettingsEntries(std::string_view bytes);

}  // namespace shotsweep
