#include "extraction/extraction_command.h"

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "base/file_names.h"
#include "base/script_names.h"
#include "fs/folder_listing.h"
#include "platform/script_runner.h"
#include "extraction/extraction_script.h"
#include "extraction/extraction_summary.h"
#include "extraction/tool_lookup.h"
#include "settings/settings.h"

namespace shotsweep {
namespace {

std::optional<CommandError> FindTools(FileSystem& fs, const std::string& startFolder, ExtractionScriptContext& script) {
  const char* searchPath = std::getenv("PATH");
  for (auto [tool, path] : {std::pair{kExiv2Name, &script.exiv2Path},
                            std::pair{kExiftoolName, &script.exiftoolPath}}) {
    auto found = FindTool(fs, startFolder, tool, searchPath ? searchPath : "");
    if (!found) {
      return CommandError{ENOENT, std::string(tool) + " was found neither in " + startFolder + " nor on PATH"};
    }
    *path = *found;
  }
  return std::nullopt;
}

// Every text the script will carry must survive being written into it: a line end or a
// double quote in a name would change what the line does.
std::optional<CommandError> CheckWritable(const ExtractionScriptContext& script,
                                          const std::string& startFolder,
                                          const std::vector<std::string>& names) {
  std::vector<std::string> texts{script.rawFolder, script.jpgFolder, startFolder, script.exiv2Path,
                                 script.exiftoolPath};
  static constexpr const char* kWhat[] = {"The RAW folder", "The JPG folder", "The start folder",
                                          "The exiv2 path", "The exiftool path"};
  texts.insert(texts.end(), names.begin(), names.end());
  return RefuseUnwritable(
      texts, [](std::size_t i) { return std::string(i < std::size(kWhat) ? kWhat[i] : "The RAW file"); },
      "the extraction script");
}

}  // namespace

CommandResult ExtractPreviews(const ExtractionRequest& request, const Settings& settings, ScriptRunner& runner,
                              FileSystem& fs) {
  // Without both tools the script could only fail on every line; nothing is written then.
  ExtractionScriptContext script;
  if (auto missing = FindTools(fs, request.startFolder, script)) return CommandResult::Failed(*missing);

  const FileListing listing = ListMatchingFiles(fs, request.rawFolder, NamePatterns(RawListPattern(settings.extraRawKinds)));
  const CommandFolders folders = FoldersOfRun(request.rawFolder, request.jpgFolder, settings);
  script.quote = folders.quote;
  script.rawFolder = folders.raw;
  script.jpgFolder = folders.jpg;
  script.codePage = settings.codePage;
  script.exif = request.exif;

  const std::vector<std::string>& names = listing.names;
  if (auto refusal = CheckWritable(script, request.startFolder, names)) return CommandResult::Failed(*refusal);

  const std::string scriptPath = JoinUnchanged(request.startFolder, kExtractionScriptName, kNativeSeparator);
  if (auto failure = fs.WriteFile(scriptPath, ExtractionScript(script, names))) {
    return CommandResult::Failed(*failure);
  }

  ScriptRequest run{scriptPath, request.startFolder, WindowStyle::NormalWithFocus,
                    std::string(kExtractionScriptName)};
  const std::string jpgFolder = folders.jpg;
  const JpgTimes before = ReadJpgTimes(fs, jpgFolder, names);
  run.summarize = [&](const ScriptOutcome& outcome) {
    const ExtractionSummary summary = SummarizeExtraction(fs, jpgFolder, names, before);
    return ScriptSummary{SummaryText(summary), summary.withoutJpg.empty() && !ScriptFailure(outcome, scriptPath)};
  };
  const ScriptOutcome outcome = runner.Run(run);
  // A line that fails inside the script (a RAW file without previews) shows in the script's
  // window; only a script that could not be run to its end is a failure of the command.
  if (auto failure = ScriptFailure(outcome, scriptPath)) return CommandResult::Failed(*failure);
  CommandResult result;
  for (const std::string& note : outcome.notes) result.notes.push_back({note, {}});
  result.MarkDone();
  return result;
}

}  // namespace shotsweep
