#pragma once
// The settings read at start-up, and the folders of one command run as its scripts name them.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace shotsweep {

// Between the parts of a path, and between the folders of PATH.
#ifdef _WIN32
inline constexpr char kNativeSeparator = '\\';
inline constexpr char kSearchPathSeparator = ';';
#else
inline constexpr char kNativeSeparator = '/';
inline constexpr char kSearchPathSeparator = ':';
#endif

// What Shotsweep.ini says, read once. A flag is set only by its key's value being exactly 1.
struct Settings {
  bool deleteScripts = true;    // KillBat: the cleanup scripts are deleted after a run
  bool quoteEveryPath = false;  // QMark: every path in a script is quoted
  std::int32_t codePage = 0;    // RAWCodePage: written after "chcp " on every script's first line
  bool trash = false;           // Trash: what a cleanup deletes goes to the user's trash
  bool confirm = false;         // Confirm: both cleanup buttons show what they would do first
  // Jobs: RAW files an extraction works on at once; 0 (or anything below 1): one per processor.
  std::int32_t extractionJobs = 0;
  std::vector<std::string> extraRawKinds;  // ExtraRAW: kinds beyond the five, "cr3", lower case, no dot
  // Sidecars: the extensions of the files photo programs keep beside a RAW file ("xmp"), lower
  // case, no dot; they leave with a RAW file that is deleted or trashed. Empty: none do.
  std::vector<std::string> sidecarKinds = {"xmp", "pp3", "dop", "arp"};
};

// The path with `sep` appended unless it already ends in it.
std::string WithTrailingSeparator(std::string_view path, char sep = kNativeSeparator);

// `folder` and `name` joined by `sep` whatever `folder` ends in, as files in the start folder
// are named: a start folder at a root gives a doubled separator ("C:\\Extr.bat"), which every
// system accepts.
std::string JoinUnchanged(std::string_view folder, std::string_view name, char sep = kNativeSeparator);

// The quote text of one command run: a double quote when the RAW-side folder's path holds a
// blank or every path is to be quoted, else empty. Only the RAW pane's path decides, also for
// JPG-side paths.
std::string DecideQuote(std::string_view rawPath, bool quoteEveryPath);

// The folders of one command run, as every command takes them before it writes anything.
struct CommandFolders {
  std::string raw;    // the RAW pane's path with a trailing separator
  std::string jpg;    // the JPG pane's path with a trailing separator
  std::string quote;  // the run's quote text
};
CommandFolders FoldersOfRun(std::string_view rawPath, std::string_view jpgPath, const Settings& settings);

}  // namespace shotsweep
