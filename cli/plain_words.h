#pragma once
// Failures as a terminal tells them: what is wrong, in words. The window's "Error" box leads
// with the error's number; a terminal user has no use for it.

#include <optional>
#include <string>
#include <string_view>

#include "base/errors.h"
#include "fs/file_system.h"

namespace shotsweep {

// The error without its number.
std::string InWords(const CommandError& error);

// Why `path`, named `what` ("the RAW folder"), cannot be read as a folder, such as
// "the RAW folder /x is not a folder"; nullopt when it can.
std::optional<std::string> FolderProblem(FileSystem& fs, std::string_view what, const std::string& path);

// The same for a file to be read.
std::optional<std::string> FileProblem(FileSystem& fs, std::string_view what, const std::string& path);

}  // namespace shotsweep
