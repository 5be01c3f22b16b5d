#include "platform/interpreter_path.h"

#include <filesystem>
#include <system_error>

namespace shotsweep {

std::string InterpreterPath() {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  return (self.parent_path() / kInterpreterName).string();
}

}  // namespace shotsweep
