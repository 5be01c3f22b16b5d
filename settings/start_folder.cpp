#include "settings/start_folder.h"

#include <filesystem>
#include <system_error>

namespace shotsweep {

std::optional<std::string> DesktopStartFolder(const EnvironmentValue& environment) {
  // XDG says a relative XDG_CONFIG_HOME is to be ignored, as if it were unset.
  if (const auto config = environment("XDG_CONFIG_HOME"); config && config->starts_with('/')) {
    return (std::filesystem::path(*config) / "shotsweep").lexically_normal().string();
  }
  if (const auto home = environment("HOME"); home && home->starts_with('/')) {
    return (std::filesystem::path(*home) / ".config" / "shotsweep").lexically_normal().string();
  }
  return std::nullopt;
}

std::optional<CommandError> MakeDesktopStartFolder(FileSystem& fs, const std::string& folder) {
  // Each missing folder on the way, from the top down.
  for (std::size_t end = folder.find('/', 1);; end = folder.find('/', end + 1)) {
    const std::string part = folder.substr(0, end);
    if (!fs.IsDirectory(part)) {
      if (auto error = fs.MakeFolder(part); error && !fs.IsDirectory(part)) return ErrnoError(error->number, folder);
    }
    if (end == std::string::npos) return std::nullopt;
  }
}

}  // namespace shotsweep
