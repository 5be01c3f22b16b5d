#include "cleanup/photo_list.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace shotsweep {

std::vector<std::string> SplitPhotoList(std::string_view bytes) {
  constexpr std::string_view kBom = "\xEF\xBB\xBF";
  if (bytes.substr(0, kBom.size()) == kBom) bytes.remove_prefix(kBom.size());

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

PhotoListContent ReadPhotoList(const std::string& path) {
  PhotoListContent result;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    result.error = ErrnoError(errno, path);
    return result;
  }
  std::string bytes;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) {
      bytes.append(buffer, static_cast<std::size_t>(n));
    } else if (n == 0) {
      break;
    } else if (errno != EINTR) {
      // A list read only in part would delete the RAW twins of the names not read: give up.
      result.error = ErrnoError(errno, path);
      ::close(fd);
      return result;
    }
  }
  ::close(fd);
  result.lines = SplitPhotoList(bytes);
  return result;
}

}  // namespace shotsweep
