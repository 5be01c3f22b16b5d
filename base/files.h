#pragma once
// Writing to a descriptor whole, with the failure as the user sees it. Whole files are read
// and written through the file system (fs/file_system.h).

#include <optional>
#include <string_view>

#include "base/errors.h"

namespace shotsweep {

// Writes all of `text` to `fd`, retrying short and interrupted writes; the failure when it
// could not (a reader that has gone gives EPIPE, never a SIGPIPE).
std::optional<CommandError> WriteAll(int fd, std::string_view text);

}  // namespace shotsweep
