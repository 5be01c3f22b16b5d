#include "cleanup/photo_list.h"

#include <algorithm>

#include "base/memory.h"
#include "base/text.h"

namespace shotsweep {

std::vector<std::string> SplitPhotoList(std::string_view bytes) {
  bytes = WithoutByteOrderMark(bytes);

  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c != '\r' && c != '\n') continue;
    lines.emplace_back(bytes.substr(start, i - start));
    if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    start = i + 1;
  }
  // Text after the last line end is a line of its own; a final line end adds no empty line.
  if (start < bytes.size()) lines.emplace_back(bytes.substr(start));
  return lines;
}

PhotoListContent ReadPhotoList(FileSystem& fs, const std::string& path) {
  PhotoListContent result;
  std::string bytes;
  // A list read only in part would delete the RAW twins of the names not read: give up.
  result.error = fs.ReadFile(path, bytes);
  if (result.error) return result;
  // Split, the list's names are held as strings of their own, and checked against the RAW
  // folder with as much again: a list that would not fit is refused while nothing is changed.
  const auto lines = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
  if ((result.error = RefuseTooLargeForMemory(3 * (bytes.size() + lines * sizeof(std::string))))) return result;
  result.lines = SplitPhotoList(bytes);
  return result;
}

}  // namespace shotsweep
