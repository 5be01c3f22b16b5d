#include "cleanup/cleanup_commands.h"

#include <algorithm>
#include <cerrno>
#include <functional>
#include <utility>
#include <vector>

#include "cleanup/cleanup_scripts.h"
#include "base/case_folding.h"
#include "base/cleanup_record.h"
#include "base/file_names.h"
#include "base/memory.h"
#include "base/script_names.h"
#include "base/text.h"
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
                            bool deleting, const std::vector<RawKind>& kinds, bool restoring = false) {
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
      if (!entry.isDir && (IsSetAsideName(entry.name, kinds) || (restoring && LooksSetAside(entry.name)))) {
        aside.push_back(EscapeControls(entry.name));
      }
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

// How many JPG names make one piece of a script as it is written.
constexpr std::size_t kNamesPerPiece = 4096;

// A list in which no line names a JPG file pairs with nothing, and every RAW file would go: it
// is a list of something else (base names, RAW names, another program's export).
std::optional<CommandError> RefuseListWithoutJpg(const std::vector<std::string>& lines) {
  const bool anyJpg = std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
    return IsJpgName(std::string_view(line).substr(0, line.find_last_not_of(" \t") + 1));
  });
  if (anyJpg) return std::nullopt;
  return CommandError{EINVAL, "The photo list names no JPG file: not one of its " + std::to_string(lines.size()) +
                                  " line(s) ends in .jpg, .jpeg or .jpe, so no RAW file could be matched to its "
                                  "JPG and every one would be deleted or set aside. Nothing was changed."};
}

// A line of a photo list ends at CR or LF, so a RAW file whose name holds one can never be
// listed: the renaming script would set it aside and no restore line could give it back.
std::optional<CommandError> RefuseUnlistable(const RawFolderListing& listing, const std::vector<RawKind>& kinds) {
  std::vector<std::string> unlistable;
  for (const FolderEntry& entry : listing.entries) {
    if (!entry.isFolder && entry.name.find_first_of("\r\n") != std::string::npos &&
        IsRawOrSetAsideName(entry.name, kinds)) {
      unlistable.push_back(EscapeControls(entry.name));
    }
  }
  if (unlistable.empty()) return std::nullopt;
  std::sort(unlistable.begin(), unlistable.end());
  std::string text = "These RAW files have a line break in their name, so no photo list can name them and the "
                     "cleanup would remove them: ";
  for (std::size_t i = 0; i < unlistable.size() && i < 10; ++i) text += (i > 0 ? "; " : "") + unlistable[i];
  if (unlistable.size() > 10) text += "; and " + std::to_string(unlistable.size() - 10) + " more";
  return CommandError{EINVAL, text + ". Rename or move them, then run the cleanup again."};
}

// A restore that ran without a failed line may still leave files that look set aside: a kind
// no table knows (".xyzbak"), or a file that arrived while it ran. Saying "done" then would
// hide RAW files the user believes restored.
std::optional<CommandError> LeftSetAside(FileSystem& fs, const std::string& rawFolder) {
  std::vector<DirEntry> entries;
  if (auto error = fs.List(rawFolder, entries)) {
    return CommandError{error->number, "The RAW folder cannot be read now to tell whether every set-aside file was "
                                       "restored: " + error->description};
  }
  std::vector<std::string> left;
  for (const DirEntry& entry : entries) {
    if (entry.kind != EntryKind::Folder && !entry.isDir && LooksSetAside(entry.name)) left.push_back(entry.name);
  }
  if (left.empty()) return std::nullopt;
  std::sort(left.begin(), left.end());
  std::string text = std::to_string(left.size()) + " file(s) in the RAW folder still look set aside and were not "
                                                    "restored: ";
  for (std::size_t i = 0; i < left.size() && i < 10; ++i) text += (i > 0 ? ", " : "") + EscapeControls(left[i]);
  if (left.size() > 10) text += ", ...";
  text += ". Their RAW kind is unknown, or their RAW name is taken; rename them by hand.";
  return CommandError{EEXIST, text};
}

void AddNotes(CommandResult& result, const ScriptOutcome& outcome) {
  for (const std::string& note : outcome.notes) result.notes.push_back({note, {}});
}

}  // namespace

CleanupRequest Resolved(const CleanupRequest& request, FileSystem& fs) {
  CleanupRequest resolved = request;
  resolved.rawFolder = ResolvedOrAsGiven(fs, request.rawFolder);
  if (!request.jpgFolder.empty()) resolved.jpgFolder = ResolvedOrAsGiven(fs, request.jpgFolder);
  if (!request.photoList.empty()) resolved.photoList = ResolvedOrAsGiven(fs, request.photoList);
  return resolved;
}

// Both scripts run in one interpreter process that finishes the cleanup even if this program
// dies; restoring starts only after renaming has finished, no deletion follows a restore line
// that failed, and the scripts are deleted only after restoring has finished.
CommandResult RunCleanup(const CleanupRequest& given, const std::vector<std::string>& names,
                         const Settings& settings, ScriptRunner& runner, FileSystem& fs, const CleanupRecord* plan) {
  const CleanupRequest request = Resolved(given, fs);
  const bool fromList = request.source == CleanupRequest::Source::PhotoList;
  const std::string& rawPath = request.rawFolder;
  const DescribeName describe = fromList ? DescribeName([](std::size_t index) {
    return "Line " + std::to_string(index + 1) + " of the photo list";
  })
                                         : DescribeName([](std::size_t) { return "The JPG name"; });
  if (auto refusal = RefuseUnwritable({rawPath}, [](std::size_t) { return "The RAW folder"; }, kInto)) {
    return CommandResult::Failed(*refusal);
  }
  if (fromList) {
    if (auto refusal = RefuseListWithoutJpg(names)) return CommandResult::Failed(*refusal);
  }
  if (auto refusal = RefuseUnwritable(names, describe, kInto)) return CommandResult::Failed(*refusal);
  RawFolderListing listing;
  if (auto refusal = ReadRawFolder(fs, rawPath, listing)) return CommandResult::Failed(*refusal);
  const std::vector<RawKind> kinds = RawKindsWith(settings.extraRawKinds);
  if (fromList) {
    if (auto refusal = RefuseUnlistable(listing, kinds)) return CommandResult::Failed(*refusal);
  }
  // A RAW file kept for a JPG named after its first dot is restored by its own name, which
  // must be as writable as a listed name: a restore line broken by it would set the file aside
  // for good, and the delete lines would then remove it.
  const std::vector<std::string> stems =
      StemsPairedByFirstDot(FileNames(listing), names, kNativeSeparator, fromList, kinds);
  if (auto refusal = RefuseUnwritable(stems, [](std::size_t) { return "The RAW file name"; }, kInto)) {
    return CommandResult::Failed(*refusal);
  }
  // What the checks below hold beside the names: their bases, about as much again. The scripts
  // themselves are written and read a piece at a time.
  std::size_t namesSize = 0;
  for (const std::string& name : names) namesSize += sizeof(std::string) + name.size();
  if (auto refusal = RefuseTooLargeForMemory(2 * namesSize)) return CommandResult::Failed(*refusal);
  {
    std::vector<std::string> keptBases = stems;
    for (const std::string& name : names) {
      for (std::string& base : RestoredBases(name, kNativeSeparator, fromList)) keptBases.push_back(std::move(base));
    }
    if (auto refusal = CheckRawFolder(listing, keptBases, kinds)) return CommandResult::Failed(*refusal);
  }
  // A plan the interpreter would refuse is refused here, before a file is written.
  if (plan) {
    if (auto problem = CleanupRecordProblem(*plan)) {
      return CommandResult::Failed(CommandError{EINVAL, "The cleanup cannot be planned: " + *problem});
    }
  }

  const CommandFolders folders = FoldersOfRun(rawPath, request.jpgFolder, settings);
  const CleanupScriptContext script{folders.quote, folders.raw, rawPath, settings.codePage, kNativeSeparator,
                                    kinds};
  const bool deleting = !request.keep;
  // A list of millions of names gives a restoring script of hundreds of megabytes: it is made
  // and written a piece at a time, never held whole.
  std::size_t next = 0, stage = 0;
  const FileSystem::NextPiece restoring = [&](std::string& piece) {
    switch (stage) {
      case 0:
        piece = ScriptHeader(script);
        ++stage;
        return true;
      case 1:
        for (const std::size_t end = std::min(names.size(), next + kNamesPerPiece); next < end; ++next) {
          piece += RestoreLines(script, names[next], fromList);
        }
        if (next == names.size()) ++stage;
        return true;
      case 2:
        for (const std::string& stem : stems) piece += RestoreLinesForBase(script, stem);
        if (deleting) piece += DeleteLines(script);
        ++stage;
        return true;
      default:
        return false;
    }
  };
  std::size_t paired = 0;
  const FileSystem::NextPiece pairing = [&](std::string& piece) {
    if (paired == names.size()) return false;
    for (const std::size_t end = std::min(names.size(), paired + kNamesPerPiece); paired < end; ++paired) {
      piece += PairingRecordLine(names[paired], folders.jpg + names[paired], FileBaseName(names[paired]));
    }
    return true;
  };

  const std::string renamingPath = folders.raw + std::string(kRenamingScriptName);
  const std::string pairingPath = folders.raw + std::string(kPairingRecordName);
  const std::string restoringPath = folders.raw + std::string(kRestoringScriptName);
  const std::string recordPath = folders.raw + std::string(kCleanupRecordName);
  const std::string renaming = RenamingScript(script);
  const std::string record = plan ? FormatCleanupRecord(*plan) : "";
  bool renamingGiven = false;
  bool recordGiven = false;
  const auto whole = [](const std::string& text, bool& given) {
    return [&text, &given](std::string& piece) { return !std::exchange(given, true) && (piece = text, true); };
  };
  // The record last: once it is there, the scripts it is the plan of are there too.
  const std::pair<const std::string*, FileSystem::NextPiece> files[] = {{&renamingPath, whole(renaming, renamingGiven)},
                                                                        {&pairingPath, pairing},
                                                                        {&restoringPath, restoring},
                                                                        {&recordPath, whole(record, recordGiven)}};
  for (std::size_t i = 0; i < std::size(files) - (plan ? 0 : 1); ++i) {
    if (auto failure = fs.WriteFileInPieces(*files[i].first, files[i].second)) {
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
  const std::string rawPath = ResolvedOrAsGiven(fs, request.rawFolder);
  if (auto refusal = RefuseUnwritable({rawPath}, [](std::size_t) { return "The RAW folder"; }, kInto)) {
    return CommandResult::Failed(*refusal);
  }
  RawFolderListing listing;
  if (auto refusal = ReadRawFolder(fs, rawPath, listing)) return CommandResult::Failed(*refusal);

  const std::vector<RawKind> kinds = RestoreRawKinds(settings.extraRawKinds);
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
    result.errors.push_back(CleanupFailure(fs, outcome, rawPath, false, kinds, true));
  } else if (auto left = LeftSetAside(fs, rawPath)) {
    result.errors.push_back(std::move(*left));
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
  const std::vector<RawKind> kinds = RestoreRawKinds(settings.extraRawKinds);
  return std::any_of(listing.entries.begin(), listing.entries.end(), [&kinds](const FolderEntry& entry) {
    return !entry.isFolder && IsSetAsideName(entry.name, kinds);
  });
}

}  // namespace shotsweep
