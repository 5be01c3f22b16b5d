#include "cli/cli.h"

#include <unistd.h>

#include <filesystem>
#include <string_view>

#include "base/file_names.h"
#include "base/files.h"
#include "base/folder_reading.h"
#include "cleanup/cleanup_plan.h"
#include "cli/arguments.h"
#include "cli/help.h"
#include "cli/plain_words.h"
#include "cli/summary_lines.h"
#include "cli/terminal_progress.h"
#include "extraction/extraction_command.h"
#include "fs/folder_listing.h"
#include "platform/posix_script_runner.h"
#include "settings/settings.h"
#include "settings/settings_reader.h"

namespace shotsweep {
namespace {

namespace fs = std::filesystem;

// What cannot be written to a closed stream is lost either way; the exit status still tells.
void Write(int fd, std::string_view text) { WriteAll(fd, text); }

// A folder or file named on the command line as the window would hold it: absolute, without
// "." and "..", no separator at the end but at the root. Resolved as the system resolves it:
// "link/../raw" is the folder the system finds there, not the one the text suggests.
std::string AsTheWindowHoldsIt(FileSystem& disk, const std::string& given) {
  if (auto resolved = disk.ResolvePath((fs::current_path() / given).string())) return *resolved;
  std::string path = (fs::current_path() / given).lexically_normal().string();
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

int Fail(int err, const std::string& message) {
  Write(err, "shotsweep-cli: " + message + "\n");
  return 1;
}

// A dry run's listing, when its scripts would run at all, and the error it would end with.
int PrintPlan(const RunPlan& plan, int out, int err) {
  if (plan.ran) Write(out, FormatPlan(plan));
  if (plan.error) return Fail(err, InWords(*plan.error));
  return 0;
}

// An extraction: a row per RAW file and the counts on standard output. Success only when every
// RAW file has its JPG, made now or there before, as a script calling this can then go on.
// Quiet, a run that went well prints nothing; the rows of one that did not are always told.
int PrintExtraction(const ExtractionResult& result, bool tell, int out, int err) {
  std::string text;
  if (tell || !result.AllWell()) {
    for (const ExtractionRow& row : result.rows) text += row.Text() + "\n";
    if (result.command.done() || !result.rows.empty()) {
      text += CountsText(result.counts) + "\n";
      if (result.stopped) text += "Stopped before every RAW file was worked on.\n";
    }
  }
  Write(out, text);
  for (const CommandError& error : result.command.errors) Fail(err, InWords(error));
  return result.AllWell() ? 0 : 1;
}

// Where a command's operands cannot serve it, in words, before anything is read or written.
std::optional<std::string> OperandProblem(const CliRequest& request, FileSystem& disk, const std::string& raw,
                                          const std::string& second) {
  if (auto problem = FolderProblem(disk, "the RAW folder", raw)) return problem;
  if (request.kind == CliRequest::ByList) return FileProblem(disk, "the list file", second);
  if (request.kind == CliRequest::ByFolder) return FolderProblem(disk, "the JPG folder", second);
  // The JPG folder of an extraction is only written to: the script's own lines tell why not.
  if (request.kind == CliRequest::Extract && !disk.IsDirectory(second)) {
    return disk.Status(second) ? "the JPG folder " + second + " is not a folder"
                               : "the JPG folder " + second + " does not exist";
  }
  return std::nullopt;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, FileSystem& disk, int out, int err, bool showProgress) {
  const ParsedArguments parsed = ParseArguments(args);
  if (!parsed.request) {
    Write(err, "shotsweep-cli: " + parsed.error + "\n" + std::string(kCliUsage));
    return 2;
  }
  const CliRequest& request = *parsed.request;
  if (request.kind == CliRequest::Help) {
    Write(out, HelpText(request.helpOn));
    return 0;
  }
  if (request.kind == CliRequest::Version) {
    Write(out, "shotsweep " SHOTSWEEP_VERSION "\n");
    return 0;
  }

  // The current folder is the start folder, as for the window started from a terminal.
  const std::string startFolder = fs::current_path().string();
  Settings settings;
  settings.deleteScripts = true;
  for (const std::string& warning : ReadSettingsIn(disk, startFolder, settings)) {
    Write(err, "shotsweep-cli: " + std::string(kSettingsFileName) + ": " + warning + "\n");
  }
  if (request.trash) settings.trash = true;

  const std::string raw = AsTheWindowHoldsIt(disk, request.rawDir);
  const std::string second = request.second.empty() ? std::string() : AsTheWindowHoldsIt(disk, request.second);
  if (auto problem = OperandProblem(request, disk, raw, second)) return Fail(err, *problem);
  CleanupRequest cleanup{CleanupRequest::Source::JpgFolder, raw, second, {}, request.keep};
  if (request.kind == CliRequest::ByList) {
    // The JPG folder serves only the pairing record here: the list's own folder.
    cleanup.source = CleanupRequest::Source::PhotoList;
    cleanup.photoList = second;
    cleanup.jpgFolder = fs::path(second).parent_path().string();
  }

  const bool tell = !request.quiet;
  PosixScriptRunner runner;
  // Each command below says how many RAW files its run is about before it starts.
  std::optional<TerminalProgress> progress;
  runner.onProgress = [&](ScriptProcess& process) {
    if (progress) progress->Show(process.done(), process.total());
  };
  const auto startProgress = [&](std::size_t rawFiles) {
    progress.emplace(err, showProgress && tell, static_cast<long>(rawFiles));
  };

  CommandResult result;
  std::string summary;
  switch (request.kind) {
    case CliRequest::ByFolder:
    case CliRequest::ByList: {
      const CleanupPlan plan = PlanCleanup(cleanup, settings, disk);
      if (request.dryRun) return PrintPlan(plan, out, err);
      // There is nobody to ask here, and a script may run with a folder that is not mounted:
      // emptying the whole RAW folder has to be asked for on the command line.
      if (!request.all && EmptiesRawFolder(plan)) {
        return Fail(err, EmptiesRawFolderText(plan) + " Nothing was done; give --all to do it all the same.");
      }
      startProgress(static_cast<std::size_t>(plan.rawFilesInFolder));
      result = CarryOutCleanup(plan, settings, runner, disk);
      // The run went as planned, or it has errors and no summary is printed.
      summary = CleanupSummaryLine(plan);
      break;
    }
    case CliRequest::Restore: {
      // The restore run in memory costs about a third of the real one: made only to be told.
      RunPlan plan;
      if (request.dryRun || tell) plan = PlanRestore({raw}, settings, disk);
      if (request.dryRun) return PrintPlan(plan, out, err);
      startProgress(plan.files.size());
      result = RestoreSetAside({raw}, settings, runner, disk);
      summary = RestoreSummaryLine(plan);
      break;
    }
    case CliRequest::Extract: {
      startProgress(ListMatchingFiles(disk, raw, NamePatterns(RawListPattern(settings.extraRawKinds))).names.size());
      const ExtractionResult extracted =
          ExtractPreviews({raw, second, startFolder, request.exif, request.jobs}, settings, runner, disk);
      if (progress) progress->End();
      return PrintExtraction(extracted, tell, out, err);
    }
    default:
      return 2;
  }
  if (progress) progress->End();
  // What the run did otherwise than asked (a file that arrived meanwhile and was left alone)
  // is said whatever the outcome; it is no failure.
  for (const Note& note : result.notes) Write(err, "shotsweep-cli: note: " + note.text + "\n");
  for (const CommandError& error : result.errors) Fail(err, InWords(error));
  if (!result.errors.empty()) return 1;
  if (!result.done()) return Fail(err, "the command ended without doing anything");
  if (tell) Write(out, summary + "\n");
  return 0;
}

}  // namespace shotsweep
