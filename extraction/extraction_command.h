#pragma once
// The Export menu's one command: write "Extr.bat" in the start folder, run it in a window
// that shows its output, and report.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/command_result.h"
#include "extraction/extraction_rows.h"
#include "fs/file_system.h"
#include "platform/script_runner.h"
#include "settings/settings.h"

namespace shotsweep {

// The title of the box that says it is done, and of the window the script runs in.
inline constexpr std::string_view kExtractionTitle = "RAW Preview Images generated";
inline constexpr std::string_view kExtractionRunTitle = "Extracting previews";

struct ExtractionRequest {
  std::string rawFolder;    // as the RAW pane gives it
  std::string jpgFolder;    // as the JPG pane gives it
  std::string startFolder;  // where the script is written and run, and the tools are looked for first
  bool exif = false;        // the EXIF box: the EXIF dumps are written too
  std::size_t jobs = 0;     // RAW files worked on at once; 0: as the settings say
};

struct ExtractionResult {
  // Errors that kept the script from being written or run; done once it has run, whatever
  // became of each file.
  CommandResult command;
  std::vector<ExtractionRow> rows;  // one per RAW file, in the list's order
  ExtractionCounts counts;
  bool stopped = false;             // cancelled before every RAW file was worked on
  std::string transcript;           // what the script printed

  // Every RAW file has its JPG and nothing went wrong: the one run that ends "Operation done".
  bool AllWell() const { return command.errors.empty() && command.done() && !stopped && counts.EveryRawFileHasJpg(); }
};

// A JPG per RAW file of the RAW folder, made from its embedded preview and carrying its EXIF
// data, lands in the JPG folder, unless one is there already. Returns once the script has ended.
ExtractionResult ExtractPreviews(const ExtractionRequest& request, const Settings& settings, ScriptRunner& runner,
                                 FileSystem& fs);

// How many workers a run uses: `asked` (--jobs) when given, else the Jobs setting when it is 1
// or more, else one per processor of this machine.
std::size_t ExtractionJobs(std::size_t asked, std::int32_t setting);

}  // namespace shotsweep
