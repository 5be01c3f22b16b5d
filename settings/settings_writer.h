#pragma once
// Writing settings back into "Shotsweep.ini" as the Preferences dialog changes them. The file
// is the user's as much as the program's: every other entry, unknown keys, the order, blanks,
// quotes and line ends stay byte for byte, and a changed value is written where the reader
// will take it from.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/errors.h"
#include "fs/file_system.h"
#include "settings/settings.h"

namespace shotsweep {

// One setting as it is written: "Trash" and "1".
struct SettingValue {
  std::string key;
  std::string value;
  bool operator==(const SettingValue&) const = default;
};

// The settings of `after` that differ from `before`, as the file writes them: flags as 1 or 0,
// the code page in decimal, the lists joined by commas.
std::vector<SettingValue> ChangedSettings(const Settings& before, const Settings& after);

// Applies `value` given for `key` to `s` as the file would; why it cannot stand in the file
// as given (the reader's own warnings among them), empty when it can.
std::vector<std::string> SettingValueProblems(std::string_view key, std::string_view value, Settings& s);

// The file's bytes with each value written in: in place of the value of the key's last entry
// (the one the reader takes), a list with the entries that continue it; a key the file does
// not hold yet is appended on a line of its own, ended as the file's lines are.
std::string WithSettings(std::string_view bytes, const std::vector<SettingValue>& values);

// Writes the values into `file` through `fs`, which replaces it whole or not at all. A file
// that is there but cannot be read is left alone: writing it anew would lose what it holds.
std::optional<CommandError> SaveSettings(FileSystem& fs, const std::string& file,
                                         const std::vector<SettingValue>& values);

}  // namespace shotsweep
