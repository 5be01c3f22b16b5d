#pragma once
// The values the whole run shares: the settings read at start-up, the start folder, and the
// two folders the last command worked on. One instance lives in the window; commands get a
// reference to it instead of reaching for globals.

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

struct Module1 {
  Settings settings;
  std::string StartFolder;  // fixed after start-up; ends in a separator only at the root
  std::string RawFolder;    // path of Dir1 with a trailing separator, set by each command
  std::string JpgFolder;    // path of Dir2 with a trailing separator, set by each command
};

// The path with `sep` appended unless it already ends in it.
std::string WithTrailingSeparator(std::string_view path, char sep = kNativeSeparator);

// `folder` and `name` joined by `sep` whatever `folder` ends in, as files in the start folder
// are named: a start folder at a root gives a doubled separator ("C:\\Extr.bat"), which every
// system accepts.
std::string JoinUnchanged(std::string_view folder, std::string_view name, char sep = kNativeSeparator);

// The quote text of one command run: a double quote when the RAW-side folder's path holds a
// blank or QMark is exactly 1, else empty. Only Dir1's path decides, also for JPG-side paths.
std::string DecideQuote(std::string_view dir1Path, std::int16_t qmark);

// What every command does before it writes anything: RawFolder and JpgFolder from the paths of
// Dir1 and Dir2, each with a trailing separator. Returns the run's quote text.
std::string SetCommandFolders(Module1& module, std::string_view dir1Path, std::string_view dir2Path);

}  // namespace shotsweep
