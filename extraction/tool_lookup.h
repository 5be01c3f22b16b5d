#pragma once
// Finding exiv2 and exiftool before a script names them.

#include <optional>
#include <string>
#include <string_view>

#include "fs/file_system.h"
#include "settings/settings.h"

namespace shotsweep {

// The full path of the program `tool` ("exiv2"): first in `startFolder`, as `tool` or
// `tool`.exe, then in each absolute folder of `searchPath` (the PATH variable's value) in
// turn. Only an executable regular file counts. nullopt when there is none.
std::optional<std::string> FindTool(FileSystem& fs, std::string_view startFolder, std::string_view tool,
                                    std::string_view searchPath, char sep = kNativeSeparator,
                                    char listSep = kSearchPathSeparator);

}  // namespace shotsweep
