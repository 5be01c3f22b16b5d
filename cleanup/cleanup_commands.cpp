#include "cleanup/cleanup_commands.h"

#include <algorithm>
#include <cerrno>
#include <functional>
#include <vector>

#include "cleanup/cleanup_scripts.h"
#include "base/file_names.h"
#include "base/script_names.h"
#include "cleanup/raw_folder_check.h"
#include "settings/settings.h"

namespace shotsweep {
namespace {

// Where a refused JPG name came from, for the error box: its place in the JPG folder or in
// the list.
using DescribeName = std::function<std::string(std::size_t index)>;
constexpr std::string_view kInto = "a cleanup script";

// Deletes a file the command wrote; one that is already gone is no failure.
std::optional<CommandError> DeleteOwnFile(FileSystem& fs, const std::string& path) {
  if (auto error = fs.Unlink(path); error && error->number != ENOENT) return error;
  return std::nullopt;
}

// The files of a listing, folders left out.
std::vector<std::string> FileNames(const RawFolderListing& listing) {
  std::vector<std::string> names;
  for (const FolderEntry& entry : listing.entries) {
    if (!entry.isFolder) names.push_back(entry.name);
  }
  return names;
}

// What the user must know after a cleanup that did not go as planned: what failed, and what
// the RAW folder now holds set aside, read afresh.
CommandError CleanupFailure(FileSystem& fs, const ScriptOutcome& outcome, const std::string& rawFolder,
                            bool deleting, const std::vector<RawKind>& kinds) {
  std::string text;
  if (outcome.error) {
    text = outcome.error->description + ".\n";
  } else if (outcome.failures.empty()) {
    text = "The cleanup scripts did not run to their end";
    const std::string firstLine = outcome.output.substr(0, outcome.output.find_first_of("\r\n"));
    if (!firstLine.empty()) text += ": " + firstLine;
    text += ".\n";
  }
  if (!outcome.failures.empty()) text += "Not every RAW file could be handled:\n" + ListFailures(outcome.failures);

  std::vector<DirEntry> entries;
  if (fs.List(rawFolder, entries)) {
    text += "The RAW folder cannot be read now to tell which files are still set aside.";
  } else {
    std::vector<std::string> aside;
    for (const DirEntry& entry : entries) {
      if (!entry.isDir && IsSetAsideName(entry.name, kinds)) aside.push_back(entry.name);
    }
    std::sort(aside.begin(), aside.end());
    if (aside.empty()) {
      text += "No RAW file is left set aside.";
    } else {
      text += std::to_string(aside.size()) + " file(s) in the RAW folder are set aside: ";
      for (std::size_t i = 0; i < aside.size() && i < 10; ++i) text += (i > 0 ? ", " : "") + aside[i];
      if (aside.size() > 10) text += ", ...";
      text += deleting ? ". Nothing set aside was deleted after the failure; a later cleanup restores or "
                         "deletes them as their JPG files say."
                       : ".";
    }
  }
  return CommandError{outcome.error ? outcome.error->number : EIO, text};
}

enum class RecordReading { Missing, Read, Unreadable };

RecordReading ReadRecord(FileSystem& fs, const std::string& path, CleanupRecord& record) {
  std::string text;
  if (auto error = fs.ReadFile(path, text)) {
    return error->number == ENOENT ? RecordReading::Missing : RecordReading::Unreadable;
  }
  return ParseCleanupRecord(text, record) ? RecordReading::Unreadable : RecordReading::Read;
}

void AddNotes(CommandResult& result, const ScriptOutcome& outcome) {
  for (const std::string& note : outcome.notes) result.notes.push_back({note, {}});
}

}  // namespace

// Both scripts run in one interpreter process that finishes the cleanup even if this program
// dies; restoring starts only after renaming has finished, no deletion follows a restore line
// that failed, and the scripts are deleted only after restoring has finished.
CommandResult RunCleanup(const CleanupRequest& request, const std::vector<std::string>& names,
                         const Settings& settings, ScriptRunner& runner, FileSystem& fs, const CleanupRecord* plan) {
  const bool fromList = request.source == CleanupRequest::Source::PhotoList;
  const std::string& rawPath = request.rawFolder;
  const DescribeName describe = fromList ? DescribeName([](std::size_t index) {
    return "Line " + std::to_string(index + 1) + " of the photo list";
  })
                                         : DescribeName([](std::size_t) { return "The JPG name"; });
  if (auto refusal = RefuseUnwritable({rawPath}, [](std::size_t) { return "The RAW folder"; }, kInto)) {
    return CommandResult::Failed(*refusal);
  }
  if (auto refusal = RefuseUnwritable(names, describe, kInto)) return CommandResult::Failed(*refusal);
  RawFolderListing listing;
  if (auto refusal = ReadRawFolder(fs, rawPath, listing)) return CommandResult::Failed(*refusal);
  // A RAW file kept for a JPG named after its first dot is restored by its own name, which
  // must be as writable as a listed name: a restore line broken by it would set the file aside
  // for good, and the delete lines would then remove it.
  const std::vector<RawKind> kinds = RawKindsWith(settings.extraRawKinds);
  const std::vector<std::string> stems =
      StemsPairedByFirstDot(FileNames(listing), names, kNativeSeparator, fromList, kinds);
  if (auto refusal = RefuseUnwritable(stems, [](std::size_t) { return "The RAW file name"; }, kInto)) {
    return CommandResult::Failed(*refusal);
  }
  std::vector<std::string> keptBases = stems;
  for (const std::string& name : names) {
    for (std::string& base : RestoredBases(name, kNativeSeparator, fromList)) keptBases.push_back(std::move(base));
  }
  if (auto refusal = CheckRawFolder(listing, keptBases, kinds)) return CommandResult::Failed(*refusal);
  // A plan the interpreter would refuse is refused here, before a file is written.
  if (plan) {
    if (auto problem = CleanupRecordProblem(*plan)) {
      return CommandResult::Failed(CommandError{EINVAL, "The cleanup cannot be planned: " + *problem});
    }
  }

  const CommandFolders folders = FoldersOfRun(rawPath, request.jpgFolder, settings);
  const CleanupScriptContext script{folders.quote, folders.raw, rawPath, settings.codePage, kNativeSeparator,
                                    kinds};
  std::string restoring = ScriptHeader(script);
  std::string pairing;
  for (const std::string& name : names) {
    restoring += RestoreLines(script, name, fromList);
    pairing += PairingRecordLine(name, folders.jpg + name, FileBaseName(name));
  }
  for (const std::string& stem : stems) {
    restoring += RestoreLinesForBase(script, stem);
  }
  const bool deleting = !request.keep;
  if (deleting) restoring += DeleteLines(script);

  const std::string renamingPath = folders.raw + std::string(kRenamingScriptName);
  const std::string pairingPath = folders.raw + std::string(kPairingRecordName);
  const std::string restoringPath = folders.raw + std::string(kRestoringScriptName);
  const std::string recordPath = folders.raw + std::string(kCleanupRecordName);
  // The record last: once it is there, the scripts it is the plan of are there too.
  const std::pair<const std::string*, std::string> files[] = {{&renamingPath, RenamingScript(script)},
                                                              {&pairingPath, pairing},
                                                              {&restoringPath, restoring},
                                                              {&recordPath, plan ? FormatCleanupRecord(*plan) : ""}};
  for (std::size_t i = 0; i < std::size(files) - (plan ? 0 : 1); ++i) {
    if (auto failure = fs.WriteFile(*files[i].first, files[i].second)) {
      for (std::size_t k = 0; k < i; ++k) DeleteOwnFile(fs, *files[k].first);
      return CommandResult::Failed(*failure);
    }
  }

  // The scripts run with the RAW folder as their current folder.
  ScriptRequest run{renamingPath, rawPath, WindowStyle::Hidden, std::string(kCleanupTitle), restoringPath, settings.trash};
  if (plan) run.recordPath = recordPath;
  const ScriptOutcome outcome = runner.Run(run);
  CommandResult result;
  AddNotes(result, outcome);
  const bool failed = !outcome.WentAsPlanned();
  if (failed) result.errors.push_back(CleanupFailure(fs, outcome, rawPath, deleting, kinds));
  if (auto deleteFailure = DeleteOwnFile(fs, pairingPath)) result.errors.push_back(*deleteFailure);
  if (!failed) {
    result.MarkDone();
    // Only the two scripts of this run: other .bat files in the RAW folder are the user's.
    if (settings.deleteScripts) {
      for (const std::string* path : {&renamingPath, &restoringPath}) {
        if (auto deleteFailure = DeleteOwnFile(fs, *path)) result.errors.push_back(*deleteFailure);
      }
    }
  }
  return result;
}

CommandResult RestoreSetAside(const RestoreRequest& request, const Settings& settings, ScriptRunner& runner,
                              FileSystem& fs) {
  const std::string& rawPath = request.rawFolder;
  if (auto refusal = RefuseUnwritable({rawPath}, [](std::size_t) { return "The RAW folder"; }, kInto)) {
    return CommandResult::Failed(*refusal);
  }
  RawFolderListing listing;
  if (auto refusal = ReadRawFolder(fs, rawPath, listing)) return CommandResult::Failed(*refusal);

  const std::vector<RawKind> kinds = RawKindsWith(settings.extraRawKinds);
  const CommandFolders folders = FoldersOfRun(rawPath, rawPath, settings);
  const CleanupScriptContext script{folders.quote, folders.raw, rawPath, settings.codePage, kNativeSeparator,
                                    kinds};
  const std::string path = folders.raw + std::string(kRestoreAllScriptName);
  if (auto failure = fs.WriteFile(path, RestoreAllScript(script))) return CommandResult::Failed(*failure);
  ScriptRequest run{path, rawPath, WindowStyle::Hidden, std::string(kRestoreTitle)};
  // The names the files had come from the record. One that cannot be read is passed over, not
  // obeyed: the files then get their RAW extension back as the script writes it, which is still
  // better than no way back at all.
  CommandResult result;
  const std::string recordPath = folders.raw + std::string(kCleanupRecordName);
  CleanupRecord record;
  const RecordReading reading = ReadRecord(fs, recordPath, record);
  if (reading == RecordReading::Read) run.recordPath = recordPath;
  if (reading == RecordReading::Unreadable) {
    result.notes.push_back({"The cleanup record " + std::string(kCleanupRecordName) +
                                " cannot be read, so the set-aside files get back their RAW extension as the "
                                "restore script writes it, not their exact names",
                            {recordPath}});
  }
  const ScriptOutcome outcome = runner.Run(run);
  AddNotes(result, outcome);
  if (!outcome.WentAsPlanned()) {
    result.errors.push_back(CleanupFailure(fs, outcome, rawPath, false, kinds));
  } else {
    result.MarkDone();
    if (settings.deleteScripts) {
      if (auto deleteFailure = DeleteOwnFile(fs, path)) result.errors.push_back(*deleteFailure);
    }
  }
  return result;
}

bool LooksInterrupted(FileSystem& fs, const std::string& folder, const Settings& settings) {
  // This runs as the window opens. Almost no folder holds what a cleanup leaves behind, and a
  // few lookups settle that before a folder of many thousand photos is read.
  auto leftOver = [&](std::string_view name) {
    const auto status = fs.Status(WithTrailingSeparator(folder, '/') + std::string(name));
    return status && status->kind != EntryKind::Folder;
  };
  // The record says it outright; the older signs serve for a run that left none.
  CleanupRecord record;
  const RecordReading reading = ReadRecord(fs, WithTrailingSeparator(folder, '/') + std::string(kCleanupRecordName), record);
  const bool traces =
      reading == RecordReading::Read
          ? record.state == CleanupRecord::State::Running
          : leftOver(kPairingRecordName) ||
                (settings.deleteScripts && (leftOver(kRenamingScriptName) || leftOver(kRestoringScriptName)));
  if (!traces) return false;

  RawFolderListing listing;
  if (ReadRawFolder(fs, folder, listing)) return false;
  const std::vector<RawKind> kinds = RawKindsWith(settings.extraRawKinds);
  return std::any_of(listing.entries.begin(), listing.entries.end(), [&kinds](const FolderEntry& entry) {
    return !entry.isFolder && IsSetAsideName(entry.name, kinds);
  });
}

}  // namespace shotsweep
