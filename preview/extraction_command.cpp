#include "preview/extraction_command.h"

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "base/script_names.h"
#include "platform/dialogs.h"
#include "platform/script_runner.h"
#include "preview/extraction_script.h"
#include "preview/extraction_summary.h"
#include "preview/tool_lookup.h"
#include "settings/module1.h"

namespace shotsweep {
namespace {

constexpr const char* kDoneTitle = "RAW Preview Images generated";

std::optional<CommandError> FindTools(FileSystem& fs, const Module1& module, ExtractionScriptContext& script) {
  const char* searchPath = std::getenv("PATH");
  for (auto [tool, path] : {std::pair{kExiv2Name, &script.exiv2Path},
                            std::pair{kExiftoolName, &script.exiftoolPath}}) {
    auto found = FindTool(fs, module.StartFolder, tool, searchPath ? searchPath : "");
    if (!found) {
      return CommandError{ENOENT, std::string(tool) + " was found neither in " +
                                      module.StartFolder + " nor on PATH"};
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

void ExtractPreviews(CommandContext& ctx) {
  Module1& module = ctx.module;

  // Without both tools the script could only fail on every line; nothing is written then.
  ExtractionScriptContext script;
  if (auto missing = FindTools(ctx.fs, module, script)) return ShowError(ctx.dialogs, *missing);

  FileListView& file1 = ctx.window.File1();
  file1.Refresh();
  const std::string dir1Path = ctx.window.Dir1Path();
  script.quote = SetCommandFolders(module, dir1Path, ctx.window.Dir2Path());
  script.rawFolder = module.RawFolder;
  script.jpgFolder = module.JpgFolder;
  script.codePage = module.settings.RAWCodePage;
  script.exif = ctx.window.ExifValue() == 1;

  const std::vector<std::string> names = SelectEachEntry(file1);
  if (auto refusal = CheckWritable(script, module.StartFolder, names)) {
    return ShowError(ctx.dialogs, *refusal);
  }

  const std::string scriptPath =
      JoinUnchanged(module.StartFolder, kExtractionScriptName, kNativeSeparator);
  if (auto failure = ctx.fs.WriteFile(scriptPath, ExtractionScript(script, names))) {
    return ShowError(ctx.dialogs, *failure);
  }

  ScriptRequest request{scriptPath, module.StartFolder, WindowStyle::NormalWithFocus,
                        std::string(kExtractionScriptName)};
  const std::string jpgFolder = module.JpgFolder;
  const JpgTimes before = ReadJpgTimes(ctx.fs, jpgFolder, names);
  request.summarize = [&](const ScriptOutcome& outcome) {
    const ExtractionSummary summary = SummarizeExtraction(ctx.fs, jpgFolder, names, before);
    return ScriptSummary{SummaryText(summary), summary.withoutJpg.empty() && !ScriptFailure(outcome, scriptPath)};
  };
  const ScriptOutcome outcome = ctx.runner.Run(request);
  FileListView& file2 = ctx.window.File2();
  file2.Refresh();
  // A line that fails inside the script (a RAW file without previews) shows in the script's
  // window; only a script that could not be run to its end is a failure of the command.
  if (auto failure = ScriptFailure(outcome, scriptPath)) return ShowError(ctx.dialogs, *failure);
  ctx.dialogs.MessageBox("Operation done", kDoneTitle, MessageIcon::Information);
  file2.Refresh();
}

}  // namespace shotsweep
