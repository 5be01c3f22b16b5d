#pragma once
// Reading and writing a file whole, with the failure as the user sees it.

#include <optional>
#include <string>
#include <string_view>

#include "platform/errors.h"

namespace shotsweep {

// Appends the bytes of `path` to `bytes`. On a failure part way, what was read before it stays
// appended and the error is returned.
std::optional<CommandError> ReadWholeFile(const std::string& path, std::string& bytes);

// Creates or overwrites `path` with `content`. A file that could not be written whole is
// removed again: a cut-off script must never be left where it could be run.
std::optional<CommandError> WriteWholeFile(const std::string& path, std::string_view content);

}  // namespace shotsweep
