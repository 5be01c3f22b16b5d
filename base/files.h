#pragma once
// Reading and writing a file whole, with the failure as the user sees it.

#include <optional>
#include <string>
#include <string_view>

#include "base/errors.h"

namespace shotsweep {

// Appends the bytes of `path` to `bytes`. Only a regular file is read (a link to one counts):
// a pipe or a device under a settings, folder pair, photo list or script name would block or
// never end, so it is refused without waiting. On a failure part way, what was read before it
// stays appended and the error is returned.
std::optional<CommandError> ReadWholeFile(const std::string& path, std::string& bytes);

// Creates or replaces `path` with `content`. The content goes to a fresh file beside it that
// then takes its name, so a link or a special file planted under that name is replaced, never
// written through, and a file that could not be written whole is never left under the name,
// where it could be run. An existing regular file the user may not write keeps its content.
std::optional<CommandError> WriteWholeFile(const std::string& path, std::string_view content);

// Writes all of `text` to `fd`, retrying short and interrupted writes; the failure when it
// could not (a reader that has gone gives EPIPE, never a SIGPIPE).
std::optional<CommandError> WriteAll(int fd, std::string_view text);

}  // namespace shotsweep
