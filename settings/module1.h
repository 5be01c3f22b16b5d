#pragma once
// The settings read at start-up, and the folders of one command run as its scripts name them.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace shotsweep {

#ifdef _WIN32
inline constexpr char kNativeSeparator = '\\';
#else
inline constexpr char kNativeSeparator = '/';
#endif

struct Settings {
  std::int16_t KillBat = 1;      // exactly 1: the cleanup scripts are deleted after a run
  std::int16_t QMark = 0;        // exactly 1: every path in a script is quoted
  std::int32_t RAWCodePage = 0;  // written after "chcp " on every script's first line
  std::int16_t Trash = 0;        // exactly 1: what a cleanup deletes goes to the user's trash
  std::int16_t Confirm = 0;      // exactly 1: both cleanup buttons show what they would do first
  std::vector<std::string> ExtraRAW;  // RAW kinds beyond the five: "cr3", lower case, no dot
};

// The path with `sep` appended unless it already ends in it.
std::string WithTrailingSeparator(std::string_view path, char sep = kNativeSeparator);

// `folder` and `name` joined by `sep` whatever `folder` ends in, as files in the start folder
// are named: a start folder at a root gives a doubled separator ("C:\\Extr.bat"), which every
// system accepts.
std::string JoinUnchanged(std::string_view folder, std::string_view name, char sep = kNativeSeparator);

// The quote text of one command run: a double quote when the RAW-side folder's path holds a
// blank or QMark is exactly 1, else empty. Only the RAW pane's path decides, also for JPG-side
// paths.
std::string DecideQuote(std::string_view rawPath, std::int16_t qmark);

// The folders of one command run, as every command takes them before it writes anything.
struct CommandFolders {
  std::string raw;    // the RAW pane's path with a trailing separator
  std::string jpg;    // the JPG pane's path with a trailing separator
  std::string quote;  // the run's quote text
};
CommandFolders FoldersOfRun(std::string_view rawPath, std::string_view jpgPath, const Settings& settings);

}  // namespace shotsweep
