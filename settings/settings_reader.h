#pragma once
// Reading "Shotsweep.ini": entries of key "=" value, separated by commas or line ends, for
// the three values of Settings. Nothing in the file can fail the start-up: what cannot be
// read or converted is skipped and the field keeps its value.

#include <string>
#include <string_view>
#include <vector>

#include "fs/file_system.h"
#include "settings/settings.h"

namespace shotsweep {

inline constexpr std::string_view kSettingsFileName = "Shotsweep.ini";

// Applies every entry of the file's bytes, in order, to `s`. Returns a warning for each
// ExtraRAW extension that cannot be used and was left out.
std::vector<std::string> ParseSettings(std::string_view bytes, Settings& s);

// Reads `file` and applies it to `s`. A file that is missing, is no regular file or cannot be
// read leaves `s` as it was.
std::vector<std::string> ReadSettingsFile(FileSystem& fs, const std::string& file, Settings& s);

// Reads "Shotsweep.ini" from the start folder.
std::vector<std::string> ReadSettingsIn(FileSystem& fs, std::string_view startFolder, Settings& s);

}  // namespace shotsweep
