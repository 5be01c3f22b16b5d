#include "platform/interpreter_path.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace shotsweep {

std::string InterpreterPath() {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  const std::filesystem::path folder = self.parent_path();
  // Beside the program, as a build and a plain install have it; or in the program's own
  // folder of helper programs, as some packagers put it. Both relative to where the program
  // is, so a staged tree works as well as an installed one.
  const std::filesystem::path candidates[] = {folder / kInterpreterName,
                                              folder / ".." / "libexec" / "shotsweep" / kInterpreterName,
                                              folder / ".." / "lib" / "shotsweep" / kInterpreterName};
  for (const auto& candidate : candidates) {
    if (::access(candidate.c_str(), X_OK) == 0) return candidate.lexically_normal().string();
  }
  return candidates[0].string();
}

}  // namespace shotsweep
