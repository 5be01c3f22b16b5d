#pragma once
// The messages of the interpreter the scripts were written for, word for word: whoever reads
// a script's output knows them.

#include <string>
#include <string_view>

namespace shotsweep::batch {

inline constexpr std::string_view kFileNotFound = "The system cannot find the file specified.";
inline constexpr std::string_view kPathNotFound = "The system cannot find the path specified.";
inline constexpr std::string_view kDuplicate = "A duplicate file name exists, or the file cannot be found.";
inline constexpr std::string_view kSyntax = "The syntax of the command is incorrect.";
inline constexpr std::string_view kBadName = "The filename, directory name, or volume label syntax is incorrect.";
inline constexpr std::string_view kAccessDenied = "Access is denied.";
inline constexpr std::string_view kInvalidCodePage = "Invalid code page";
inline constexpr std::string_view kNotADirectory = "The directory name is invalid.";
inline constexpr std::string_view kOntoItself = "The file cannot be copied onto itself.";
// Ours: a pipe, a device or a socket, which that interpreter's scripts never meant to open.
inline constexpr std::string_view kNotARegularFile = "The file is not a regular file: a pipe, device or socket is never opened.";

// That interpreter's message for what the system reported as `error`.
std::string ErrnoMessage(int error);

}  // namespace shotsweep::batch
