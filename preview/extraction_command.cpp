#include "preview/extraction_command.h"

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "cleanup/cleanup_scripts.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/script_runner.h"
#include "preview/extraction_script.h"
#include "preview/tool_lookup.h"
#include "settings/module1.h"

namespace shotsweep {
namespace {

constexpr const char* kDoneTitle = "RAW Preview Images generated";

std::optional<CommandError> FindTools(const Module1& module, ExtractionScriptContext& script) {
  const char* searchPath = std::getenv("PATH");
  for (auto [tool, path] : {std::pair{kExiv2Name, &script.exiv2Path},
                            std::pair{kExiftoolName, &script.exiftoolPath}}) {
    auto found = FindTool(module.StartFolder, tool, searchPath ? searchPath : "");
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
std::optional<CommandError> RefuseUnwritable(const ExtractionScriptContext& script,
                                             const std::string& startFolder,
                                             const std::vector<std::string>& names) {
  std::vector<std::pair<std::string, const std::string*>> texts = {
      {"The RAW folder", &script.rawFolder},  {"The JPG folder", &script.jpgFolder},
      {"The start folder", &startFolder},     {"The exiv2 path", &script.exiv2Path},
      {"The exiftool path", &script.exiftoolPath}};
  for (const std::string& name : names) texts.push_back({"The RAW file", &name});
  for (const auto& [what, text] : texts) {
    if (auto reason = UnwritableReason(*text)) {
      return CommandError{EINVAL, what + " " + *text +
                                      " cannot be written into the extraction script: " + *reason};
    }
  }
  return std::nullopt;
}

// Clicks that arrive while a run waits for its script do not start a second one: two
// scripts would copy onto the same JPGs and delete each other's previews.
bool extractionRunning = false;

class RunningMark {
 public:
  RunningMark() { extractionRunning = true; }
  ~RunningMark() { extractionRunning = false; }
};

}  // namespace

void ExtractPreviews(CommandContext& ctx) {
  if (extractionRunning) return;
  const RunningMark running;
  Module1& module = ctx.module;

  // Without both tools the script could only fail on every line; nothing is written then.
  ExtractionScriptContext script;
  if (auto missing = FindTools(module, script)) return ShowError(ctx.dialogs, *missing);

  FileListView& file1 = ctx.window.File1();
  file1.Refresh();
  const std::string dir1Path = ctx.window.Dir1Path();
  script.quote = SetCommandFolders(module, dir1Path, ctx.window.Dir2Path());
  script.rawFolder = module.RawFolder;
  script.jpgFolder = module.JpgFolder;
  script.codePage = module.settings.RAWCodePage;
  script.exif = ctx.window.ExifValue() == 1;

  const std::vector<std::string> names = SelectEachEntry(file1);
  if (auto refusal = RefuseUnwritable(script, module.StartFolder, names)) {
    return ShowError(ctx.dialogs, *refusal);
  }

  const std::string scriptPath =
      JoinUnchanged(module.StartFolder, kExtractionScriptName, kNativeSeparator);
  if (auto failure = WriteWholeFile(scriptPath, ExtractionScript(script, names))) {
    return ShowError(ctx.dialogs, *failure);
  }

  const ScriptOutcome outcome =
      ctx.runner.Run({scriptPath, module.StartFolder, WindowStyle::NormalWithFocus,
                      std::string(kExtractionScriptName)});
  FileListView& file2 = ctx.window.File2();
  file2.Refresh();
  // A line that fails inside the script (a RAW file without previews) shows in the script's
  // window; only a script that could not be run to its end is a failure of the command.
  if (auto failure = ScriptFailure(outcome, scriptPath)) return ShowError(ctx.dialogs, *failure);
  ctx.dialogs.MessageBox("Operation done", kDoneTitle, MessageIcon::Information);
  file2.Refresh();
}

}  // namespace shotsweep
