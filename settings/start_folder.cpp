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

std::optional<CommandError> MakeDesktopStartFolder(const std::string& folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) return ErrnoError(error.value(), folder);
  return std::nullopt;
}

}  // namespace shotsweep
