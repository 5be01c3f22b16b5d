#pragma once
// The command line of shotsweep-cli, read into a request. Pure: no file is looked at.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace shotsweep {

inline constexpr std::string_view kCliUsage =
    "usage: shotsweep-cli by-folder RAW_DIR JPG_DIR [--keep] [--trash] [--dry-run] [--all]\n"
    "       shotsweep-cli by-list   RAW_DIR LIST_FILE [--keep] [--trash] [--dry-run] [--all]\n"
    "       shotsweep-cli extract   RAW_DIR JPG_DIR [--exif] [--jobs N]\n"
    "       shotsweep-cli restore   RAW_DIR [--dry-run]\n"
    "       shotsweep-cli COMMAND --help | --help | --version\n"
    "every command also takes --quiet (-q)\n";

struct CliRequest {
  enum Kind { ByFolder, ByList, Extract, Restore, Help, Version } kind = Help;
  Kind helpOn = Help;  // for Help: the command it is asked about; Help itself for them all
  std::string rawDir;
  std::string second;  // JPG_DIR, or LIST_FILE
  bool keep = false;
  bool trash = false;
  bool dryRun = false;
  bool exif = false;
  bool quiet = false;  // no summary line, no progress
  bool all = false;  // a cleanup may delete every RAW file of the folder
  std::size_t jobs = 0;  // extract: RAW files worked on at once; 0: one per processor
};

struct ParsedArguments {
  std::optional<CliRequest> request;
  std::string error;  // what is wrong with the command line, when there is no request
};

// `args` without the program's own name. Options may stand anywhere after the command; "--"
// ends them, for a folder whose name begins with "-". --help after a command asks about that
// command, whatever else the line holds.
ParsedArguments ParseArguments(const std::vector<std::string>& args);

}  // namespace shotsweep
