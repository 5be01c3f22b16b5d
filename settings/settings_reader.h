#pragma once
// Reading "Shotsweep.ini": entries of key "=" value, separated by commas or line ends, for
// the values of Settings. Nothing in the file can fail the start-up: what cannot be read or
// converted is skipped and the field keeps its value, with a warning for the user.

#include <string>
#include <string_view>
#include <vector>

#include "fs/file_system.h"
#include "settings/settings.h"

namespace shotsweep {

inline constexpr std::string_view kSettingsFileName = "Shotsweep.ini";

// Applies every entry of the file's bytes, in order, to `s`. Returns a warning for each entry
// not taken as written: a flag whose value is not 0 or 1, a value that is no number, a key
// that differs from a setting's only in case or blanks, and each ExtraRAW or Sidecars
// extension that cannot be used and was left out. Keys of no setting pass without a word.
std::vector<std::string> ParseSettings(std::string_view bytes, Settings& s);

// Reads `file` and applies it to `s`. A file that is missing, is no regular file or cannot be
// read leaves `s` as it was.
std::vector<std::string> ReadSettingsFile(FileSystem& fs, const std::string& file, Settings& s);

// "Shotsweep.ini" in the start folder.
std::string SettingsPath(std::string_view startFolder);

// Reads "Shotsweep.ini" from the start folder.
std::vector<std::string> ReadSettingsIn(FileSystem& fs, std::string_view startFolder, Settings& s);

}  // namespace shotsweep
