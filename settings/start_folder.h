#pragma once
// Where the program keeps its settings, folder pair and extraction script: the start folder.
// Started from a terminal, it is the folder it was started in. Started from the desktop's menu
// (whose entry runs "shotsweep --desktop"), it is the user's configuration folder for it, so
// those files never land in the home folder.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "base/errors.h"
#include "fs/file_system.h"

namespace shotsweep {

inline constexpr std::string_view kDesktopOption = "--desktop";

using EnvironmentValue = std::function<std::optional<std::string>(const char* name)>;

// $XDG_CONFIG_HOME/shotsweep when that variable holds an absolute path, else
// $HOME/.config/shotsweep; nullopt without either.
std::optional<std::string> DesktopStartFolder(const EnvironmentValue& environment);

// The folder above, made (with any missing parents) when it is not there yet.
std::optional<CommandError> MakeDesktopStartFolder(FileSystem& fs, const std::string& folder);

}  // namespace shotsweep
