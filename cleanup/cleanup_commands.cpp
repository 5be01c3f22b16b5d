#include "cleanup/cleanup_commands.h"

#include <algorithm>
#include <cerrno>
#include <functional>
#include <vector>

#include "cleanup/cleanup_scripts.h"
#include "base/file_names.h"
#include "base/script_names.h"
#include "cleanup/photo_list.h"
#include "cleanup/raw_folder_check.h"
#include "platform/dialogs.h"
#include "platform/script_runner.h"
#include "settings/module1.h"

namespace shotsweep {
namespace {

constexpr const char* kDoneTitle = "RAW files deleted/renamed";
constexpr const char* kRestoredTitle = "Set-aside RAW files restored";

// Where a refused JPG name came from, for the error box: its place in File2 or in the list.
using DescribeName = std::function<std::string(std::size_t index)>;
constexpr std::string_view kInto = "a cleanup script";

// The length of a UTF-8 text in characters rather than bytes.
std::size_t CharacterCount(std::string_view text) {
  std::size_t count = 0;
  for (char c : text) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return count;
}

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
CommandError CleanupFailure(CommandContext& ctx, const ScriptOutcome& outcome, const std::string& rawFolder,
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
  if (ctx.fs.List(rawFolder, entries)) {
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

// Everything that follows once the JPG names are known. Every check and every file is done
// before the renaming script runs, so a failure up to then leaves the RAW folder as it was.
// Both scripts run in one interpreter process that finishes the cleanup even if this program
// dies; restoring starts only after renaming has finished, no deletion follows a restore line
// that failed, and the scripts are deleted only after restoring has finished.
void CarryOutCleanup(CommandContext& ctx, const std::string& dir1Path, const std::string& quote,
                     const std::vector<std::string>& names, const DescribeName& describe, bool fromList) {
  Module1& module = ctx.module;
  if (auto refusal = RefuseUnwritable({dir1Path}, [](std::size_t) { return "The RAW folder"; }, kInto)) {
    return ShowError(ctx.dialogs, *refusal);
  }
  if (auto refusal = RefuseUnwritable(names, describe, kInto)) return ShowError(ctx.dialogs, *refusal);
  RawFolderListing listing;
  if (auto refusal = ReadRawFolder(ctx.fs, dir1Path, listing)) return ShowError(ctx.dialogs, *refusal);
  // A RAW file kept for a JPG named after its first dot is restored by its own name, which
  // must be as writable as a listed name: a restore line broken by it would set the file aside
  // for good, and the delete lines would then remove it.
  const std::vector<RawKind> kinds = RawKindsWith(module.settings.ExtraRAW);
  const std::vector<std::string> stems =
      StemsPairedByFirstDot(FileNames(listing), names, kNativeSeparator, fromList, kinds);
  if (auto refusal = RefuseUnwritable(stems, [](std::size_t) { return "The RAW file name"; }, kInto)) {
    return ShowError(ctx.dialogs, *refusal);
  }
  std::vector<std::string> keptBases = stems;
  for (const std::string& name : names) {
    for (std::string& base : RestoredBases(name, kNativeSeparator, fromList)) keptBases.push_back(std::move(base));
  }
  if (auto refusal = CheckRawFolder(listing, keptBases, kinds)) return ShowError(ctx.dialogs, *refusal);

  const CleanupScriptContext script{quote,     module.RawFolder, dir1Path, module.settings.RAWCodePage,
                                    kNativeSeparator, kinds};
  std::string restoring = ScriptHeader(script);
  std::string pairing;
  for (const std::string& name : names) {
    restoring += RestoreLines(script, name, fromList);
    pairing += PairingRecordLine(name, module.JpgFolder + name, FileBaseName(name));
  }
  for (const std::string& stem : stems) {
    restoring += RestoreLinesForBase(script, stem);
  }
  const bool deleting = ctx.window.BakValue() == 0;
  if (deleting) restoring += DeleteLines(script);

  const std::string renamingPath = module.RawFolder + std::string(kRenamingScriptName);
  const std::string pairingPath = module.RawFolder + std::string(kPairingRecordName);
  const std::string restoringPath = module.RawFolder + std::string(kRestoringScriptName);
  const std::pair<const std::string*, std::string> files[] = {
      {&renamingPath, RenamingScript(script)}, {&pairingPath, pairing}, {&restoringPath, restoring}};
  for (std::size_t i = 0; i < std::size(files); ++i) {
    if (auto failure = ctx.fs.WriteFile(*files[i].first, files[i].second)) {
      for (std::size_t k = 0; k < i; ++k) DeleteOwnFile(ctx.fs, *files[k].first);
      return ShowError(ctx.dialogs, *failure);
    }
  }

  // The scripts run with Dir1's folder as their current folder.
  const ScriptOutcome outcome = ctx.runner.Run({renamingPath, dir1Path, WindowStyle::Hidden, kDoneTitle,
                                                restoringPath, module.settings.Trash == 1});
  const bool failed = !outcome.WentAsPlanned();
  if (failed) ShowError(ctx.dialogs, CleanupFailure(ctx, outcome, dir1Path, deleting, kinds));
  if (auto deleteFailure = DeleteOwnFile(ctx.fs, pairingPath)) ShowError(ctx.dialogs, *deleteFailure);
  if (!failed) {
    ctx.dialogs.MessageBox("Operation done", kDoneTitle, MessageIcon::Information);
    // Only the two scripts of this run: other .bat files in the RAW folder are the user's.
    if (module.settings.KillBat == 1) {
      for (const std::string* path : {&renamingPath, &restoringPath}) {
        if (auto deleteFailure = DeleteOwnFile(ctx.fs, *path)) ShowError(ctx.dialogs, *deleteFailure);
      }
    }
  }
  ctx.window.File1().Refresh();
}

}  // namespace

void DeleteUnmatchedByJpgFolder(CommandContext& ctx) {
  FileListView& file2 = ctx.window.File2();
  file2.Refresh();
  const std::string dir1Path = ctx.window.Dir1Path();
  const std::string quote = SetCommandFolders(ctx.module, dir1Path, ctx.window.Dir2Path());
  // A JPG folder that cannot be listed (a card pulled, a share gone) is no empty folder: taken
  // as one, it would cost every RAW file.
  if (const auto& error = file2.ReadError()) {
    return ShowError(ctx.dialogs, CommandError{error->number, "The JPG folder cannot be read, so no RAW file "
                                                              "can be matched to its JPG: " + error->description});
  }

  CarryOutCleanup(ctx, dir1Path, quote, SelectEachEntry(file2),
                  [](std::size_t) { return "The JPG name"; }, false);
}

void DeleteUnmatchedByPhotoList(CommandContext& ctx) {
  OpenFileRequest request;
  request.DialogTitle = "Otevřít seznam souborů v .txt (photo_file_list.txt)";
  request.DefaultExt = "*.txt";
  request.FileName = "photo_file_list.txt";
  request.Filter = "File list (*.txt)|*.txt|";
  request.CancelError = true;
  const std::optional<std::string> chosen = ctx.dialogs.OpenFile(request);
  if (!chosen) return;
  const std::string& listPath = *chosen;
  if (CharacterCount(listPath) < 5 || listPath.front() == '*') return;

  ctx.window.File2().Refresh();
  const std::string dir1Path = ctx.window.Dir1Path();
  const std::string quote = SetCommandFolders(ctx.module, dir1Path, ctx.window.Dir2Path());

  // The whole list is read before anything is written: the renaming script sets every RAW
  // file aside, and a list that failed half-way would cost the twins of the names not read.
  PhotoListContent list = ReadPhotoList(ctx.fs, listPath);
  if (list.error) return ShowError(ctx.dialogs, *list.error);
  CarryOutCleanup(ctx, dir1Path, quote, list.lines, [](std::size_t index) {
    return "Line " + std::to_string(index + 1) + " of the photo list";
  }, true);
}

void RestoreSetAside(CommandContext& ctx) {
  Module1& module = ctx.module;
  const std::string dir1Path = ctx.window.Dir1Path();
  const std::string quote = SetCommandFolders(module, dir1Path, ctx.window.Dir2Path());
  if (auto refusal = RefuseUnwritable({dir1Path}, [](std::size_t) { return "The RAW folder"; }, kInto)) {
    return ShowError(ctx.dialogs, *refusal);
  }
  RawFolderListing listing;
  if (auto refusal = ReadRawFolder(ctx.fs, dir1Path, listing)) return ShowError(ctx.dialogs, *refusal);

  const std::vector<RawKind> kinds = RawKindsWith(module.settings.ExtraRAW);
  const CleanupScriptContext script{quote,     module.RawFolder, dir1Path, module.settings.RAWCodePage,
                                    kNativeSeparator, kinds};
  const std::string path = module.RawFolder + std::string(kRestoreAllScriptName);
  if (auto failure = ctx.fs.WriteFile(path, RestoreAllScript(script))) return ShowError(ctx.dialogs, *failure);
  const ScriptOutcome outcome = ctx.runner.Run({path, dir1Path, WindowStyle::Hidden, kRestoredTitle});
  if (!outcome.WentAsPlanned()) {
    ShowError(ctx.dialogs, CleanupFailure(ctx, outcome, dir1Path, false, kinds));
  } else {
    ctx.dialogs.MessageBox("Operation done", kRestoredTitle, MessageIcon::Information);
    if (module.settings.KillBat == 1) {
      if (auto deleteFailure = DeleteOwnFile(ctx.fs, path)) ShowError(ctx.dialogs, *deleteFailure);
    }
  }
  ctx.window.File1().Refresh();
}

bool LooksInterrupted(FileSystem& fs, const std::string& folder, const Settings& settings) {
  // This runs as the window opens. Almost no folder holds what a cleanup leaves behind, and a
  // few lookups settle that before a folder of many thousand photos is read.
  auto leftOver = [&](std::string_view name) {
    const auto status = fs.Status(WithTrailingSeparator(folder, '/') + std::string(name));
    return status && status->kind != EntryKind::Folder;
  };
  const bool traces = leftOver(kPairingRecordName) ||
                      (settings.KillBat == 1 && (leftOver(kRenamingScriptName) || leftOver(kRestoringScriptName)));
  if (!traces) return false;

  RawFolderListing listing;
  if (ReadRawFolder(fs, folder, listing)) return false;
  const std::vector<RawKind> kinds = RawKindsWith(settings.ExtraRAW);
  return std::any_of(listing.entries.begin(), listing.entries.end(), [&kinds](const FolderEntry& entry) {
    return !entry.isFolder && IsSetAsideName(entry.name, kinds);
  });
}

}  // namespace shotsweep
