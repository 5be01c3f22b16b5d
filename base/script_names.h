#pragma once
// How names and paths are written into the generated scripts, the rules the script writers
// and the interpreter that reads the scripts back share.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/errors.h"

namespace shotsweep {

// Characters that split or redirect a command line unless they stand between double quotes,
// and "%", which starts a variable even there.
inline constexpr std::string_view kSpecialCharacters = " &^|<>(),;=%";

// A path as a script line writes it: between `quote`, or between double quotes whenever it
// holds a blank or a character the interpreter treats specially, with "%" doubled.
// A path that needs none of this is returned as quote + path + quote.
std::string ScriptPath(std::string_view quote, std::string_view path);

// What remains of a listed JPG name once any folder part ("C:\jpg\" or "jpg/") is dropped:
// the RAW twin lies in the RAW folder whatever folder the JPG was listed from.
std::string_view LastPathComponent(std::string_view name);

// Why `text` (a name or path) cannot be written safely into a script, or nullopt when it can:
// control characters, a double quote, the wildcards "*" and "?", text that is not valid UTF-8.
std::optional<std::string> UnwritableReason(std::string_view text);

// The error for the first of `texts` that cannot be written into `script` ("a cleanup
// script"), naming it as `what(index)` says ("Line 3 of the photo list"); nullopt when all can.
std::optional<CommandError> RefuseUnwritable(const std::vector<std::string>& texts,
                                             const std::function<std::string(std::size_t)>& what,
                                             std::string_view script);

}  // namespace shotsweep
