#pragma once
// The Export menu's one command: write "Extr.bat" in the start folder, run it in a window
// that shows its output, and report.

#include <string>
#include <string_view>

#include "base/command_result.h"
#include "fs/file_system.h"
#include "platform/script_runner.h"
#include "settings/settings.h"

namespace shotsweep {

// The title of the run and of the box that says it is done.
inline constexpr std::string_view kExtractionTitle = "RAW Preview Images generated";

struct ExtractionRequest {
  std::string rawFolder;    // as the RAW pane gives it
  std::string jpgFolder;    // as the JPG pane gives it
  std::string startFolder;  // where the script is written and run, and the tools are looked for first
  bool exif = false;        // the EXIF box: the EXIF dumps are written too
};

// A JPG per RAW file of the RAW folder, made from its embedded preview and carrying its EXIF
// data, lands in the JPG folder. Returns once the script has ended.
CommandResult ExtractPreviews(const ExtractionRequest& request, const Settings& settings, ScriptRunner& runner,
                              FileSystem& fs);

}  // namespace shotsweep
