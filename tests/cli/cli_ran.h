#pragma once
// What a run of shotsweep-cli gave back, and reading back what it wrote into a memory file.

#include <unistd.h>

#include <string>

namespace shotsweep::testing {

struct Ran {
  int status = -1;
  std::string out, err;
};

inline std::string ReadBack(int fd) {
  std::string text;
  ::lseek(fd, 0, SEEK_SET);
  char buffer[4096];
  for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
  return text;
}

}  // namespace shotsweep::testing
