#pragma once
// The photo list: a text file of surviving JPG names, one per line, read whole before a
// cleanup writes or starts anything.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/errors.h"
#include "fs/file_system.h"

namespace shotsweep {

// The lines of a photo list's bytes, exactly as written: no blanks trimmed, empty lines kept.
// A line ends at CR, LF or CR LF, whichever program wrote the list; the last line needs no
// line end; a UTF-8 byte-order mark at the start is not part of the first name.
std::vector<std::string> SplitPhotoList(std::string_view bytes);

struct PhotoListContent {
  std::vector<std::string> lines;
  std::optional<CommandError> error;  // set when the file could not be opened or read whole
};

PhotoListContent ReadPhotoList(FileSystem& fs, const std::string& path);

}  // namespace shotsweep
