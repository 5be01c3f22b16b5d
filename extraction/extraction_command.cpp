#include "extraction/extraction_command.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <thread>
#include <vector>

#include "base/file_names.h"
#include "base/script_names.h"
#include "fs/folder_listing.h"
#include "platform/script_runner.h"
#include "extraction/extraction_script.h"
#include "extraction/extraction_plan.h"
#include "extraction/jpeg_size.h"
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

// Whatever the blocks left in the preview folder (a run cut short leaves previews), then the
// folder. It holds only what exiv2 wrote for this run.
void RemovePreviewFolder(FileSystem& fs, const std::string& folder) {
  std::vector<DirEntry> entries;
  fs.List(folder, entries);
  for (const DirEntry& entry : entries) {
    if (!entry.isDir) fs.Unlink(JoinUnchanged(folder, entry.name, kNativeSeparator));
  }
  fs.RemoveFolder(folder);
}

// A folder of this run's own for exiv2's previews, beside the script: a name with the process
// number, so two runs never share one, made afresh so nothing else lies in it. One of that name
// can only be left by an earlier run that was killed and had this number.
std::optional<CommandError> MakePreviewFolder(FileSystem& fs, const std::string& startFolder, std::string& folder) {
  folder = JoinUnchanged(startFolder, "Extr-previews-" + std::to_string(::getpid()), kNativeSeparator);
  auto error = fs.MakeFolder(folder);
  if (error && error->number == EEXIST && fs.Status(folder) && fs.Status(folder)->kind == EntryKind::Folder) {
    RemovePreviewFolder(fs, folder);
    error = fs.MakeFolder(folder);
  }
  return error;
}

JpgAfterRun LookAtJpg(FileSystem& fs, const std::string& path) {
  JpgAfterRun jpg;
  const auto status = fs.Status(path);
  if (!status || status->kind != EntryKind::File) return jpg;
  jpg.there = true;
  std::string bytes;
  fs.ReadFile(path, bytes);
  jpg.size = JpegPixelSize(bytes);
  return jpg;
}

}  // namespace

std::size_t ExtractionJobs(std::size_t asked, std::int32_t setting) {
  if (asked > 0) return asked;
  // As many as the interpreter takes; more would be refused, and the run with it.
  if (setting > 0) return std::min<std::size_t>(static_cast<std::size_t>(setting), 256);
  return std::max(1u, std::thread::hardware_concurrency());
}

ExtractionResult ExtractPreviews(const ExtractionRequest& request, const Settings& settings, ScriptRunner& runner,
                                 FileSystem& fs) {
  ExtractionResult result;
  const auto fail = [&result](CommandError error) {
    result.command = CommandResult::Failed(std::move(error));
    return result;
  };
  // Without both tools the script could only fail on every line; nothing is written then.
  ExtractionScriptContext script;
  if (auto missing = FindTools(fs, request.startFolder, script)) return fail(*missing);

  const FileListing listing = ListMatchingFiles(fs, request.rawFolder, NamePatterns(RawListPattern(settings.extraRawKinds)));
  // A folder that cannot be read is no empty folder: "Operation done" over it would be a lie.
  if (listing.error) return fail(*listing.error);
  const CommandFolders folders = FoldersOfRun(request.rawFolder, request.jpgFolder, settings);
  script.quote = folders.quote;
  script.rawFolder = folders.raw;
  script.jpgFolder = folders.jpg;
  script.codePage = settings.codePage;
  script.exif = request.exif;

  // A RAW file whose JPG is there already is left alone: that JPG may be the camera's own.
  std::vector<DirEntry> jpgEntries;
  if (auto error = fs.List(request.jpgFolder, jpgEntries)) return fail(*error);
  const std::vector<ExtractionTarget> plan = PlanExtraction(listing.names, jpgEntries);
  const std::vector<std::string> names = NamesToExtract(plan);

  std::string previewFolder;
  if (auto error = MakePreviewFolder(fs, request.startFolder, previewFolder)) return fail(*error);
  script.previewFolder = previewFolder + kNativeSeparator;
  const std::string scriptPath = JoinUnchanged(request.startFolder, kExtractionScriptName, kNativeSeparator);
  std::optional<CommandError> failure = CheckWritable(script, request.startFolder, names);
  if (!failure) failure = fs.WriteFile(scriptPath, ExtractionScript(script, names));
  if (failure) {
    RemovePreviewFolder(fs, previewFolder);
    return fail(*failure);
  }

  ScriptRequest run{scriptPath, request.startFolder, WindowStyle::NormalWithFocus, std::string(kExtractionRunTitle)};
  run.jobs = ExtractionJobs(request.jobs, settings.extractionJobs);
  run.closeWhenEnded = true;  // the rows and the transcript come in the closing box
  const ScriptOutcome outcome = runner.Run(run);
  RemovePreviewFolder(fs, previewFolder);
  result.transcript = outcome.output;
  result.stopped = outcome.stopped;

  RunFacts facts{request.exif, outcome.stopped, {}};
  for (const std::string& raw : names) facts.jpgs.push_back(LookAtJpg(fs, folders.jpg + FileBaseName(raw) + ".jpg"));
  result.rows = ExtractionRows(plan, outcome, facts);
  result.counts = CountRows(result.rows);
  // A line that fails inside the script (a RAW file without previews) is told in its row; only
  // a script that could not be run to its end is a failure of the command. One that was
  // stopped, as asked, tells in its rows what was done.
  if (!outcome.stopped) {
    if (auto failed = ScriptFailure(outcome, scriptPath)) {
      result.command.errors.push_back(*failed);
      return result;
    }
  }
  for (const std::string& note : outcome.notes) result.command.notes.push_back({note, {}});
  result.command.MarkDone();
  return result;
}

}  // namespace shotsweep
