#include "cleanup/cleanup_plan.h"

#include <algorithm>
#include <functional>

#include "base/file_names.h"
#include "batch/directory_index.h"
#include "cleanup/memory_runner.h"
#include "cleanup/photo_list.h"
#include "cleanup/raw_folder_check.h"
#include "fs/folder_listing.h"
#include "fs/memory_file_system.h"

namespace shotsweep {
namespace {

using Run = std::function<CommandResult(ScriptRunner& runner, FileSystem& fs)>;

// Runs `run` over a file system in memory laid over `fs`, and tells what it did to the RAW
// files of `rawPath`.
RunPlan RunInMemory(const std::string& rawPath, const std::vector<RawKind>& kinds, FileSystem& fs, const Run& run) {
  MemoryFileSystem memory(&fs);
  InMemoryScriptRunner runner(memory);
  const std::string rawFolder = batch::NormalizePath("/", rawPath);

  RunPlan plan;
  std::vector<DirEntry> before;
  if (!memory.List(rawFolder, before)) {
    plan.rawFilesInFolder = static_cast<int>(std::count_if(
        before.begin(), before.end(), [&](const DirEntry& e) { return !e.isDir && IsRawOrSetAsideName(e.name, kinds); }));
  }
  const CommandResult result = run(runner, memory);
  if (!result.errors.empty()) plan.error = result.errors.front();
  plan.ran = runner.runs() > 0;

  for (const auto& fate : memory.Touched()) {
    // Only the RAW files of the RAW folder: the scripts and the record are the command's own.
    const auto [folder, name] = batch::SplitLastView(fate.origin);
    if (folder != rawFolder || !IsRawOrSetAsideName(name, kinds)) continue;
    PlannedFile file{PlannedFile::Keep, std::string(name), {}};
    if (fate.now.empty()) {
      file.action = fate.trashed ? PlannedFile::Trash : PlannedFile::Delete;
    } else {
      file.newName = batch::SplitLastView(fate.now).second;
      file.action = IsSetAsideName(file.newName, kinds) ? PlannedFile::SetAside : PlannedFile::Keep;
    }
    plan.files.push_back(std::move(file));
  }
  std::sort(plan.files.begin(), plan.files.end(),
            [](const PlannedFile& a, const PlannedFile& b) { return a.name < b.name; });
  return plan;
}

// The JPG names the cleanup pairs the RAW files with, or why they cannot be had.
std::optional<CommandError> ReadJpgNames(const CleanupRequest& request, FileSystem& fs,
                                         std::vector<std::string>& names) {
  if (request.source == CleanupRequest::Source::PhotoList) {
    // The whole list is read before anything is written: the renaming script sets every RAW
    // file aside, and a list that failed half-way would cost the twins of the names not read.
    PhotoListContent list = ReadPhotoList(fs, request.photoList);
    if (list.error) return list.error;
    names = std::move(list.lines);
    return std::nullopt;
  }
  FileListing listing = ListMatchingFiles(fs, request.jpgFolder, NamePatterns(kJpgListPattern));
  // A JPG folder that cannot be listed (a card pulled, a share gone) is no empty folder: taken
  // as one, it would cost every RAW file.
  if (const auto& error = listing.error) {
    return CommandError{error->number, "The JPG folder cannot be read, so no RAW file can be matched to its JPG: " +
                                           error->description};
  }
  names = std::move(listing.names);
  return std::nullopt;
}

}  // namespace

int RunPlan::Count(PlannedFile::Action action) const {
  return static_cast<int>(
      std::count_if(files.begin(), files.end(), [&](const PlannedFile& f) { return f.action == action; }));
}

CleanupPlan PlanCleanup(const CleanupRequest& given, const Settings& settings, FileSystem& fs) {
  const CleanupRequest request = Resolved(given, fs);
  std::vector<std::string> names;
  if (auto error = ReadJpgNames(request, fs, names)) {
    CleanupPlan plan;
    plan.request = request;
    plan.error = std::move(error);
    return plan;
  }
  CleanupPlan plan{RunInMemory(request.rawFolder, RawKindsWith(settings.extraRawKinds), fs,
                                      [&](ScriptRunner& runner, FileSystem& memory) {
    return RunCleanup(request, names, settings, runner, memory);
  })};
  plan.request = request;
  plan.jpgNames = std::move(names);
  plan.namesRead = true;
  return plan;
}

CommandResult CarryOutCleanup(const CleanupPlan& plan, const Settings& settings, ScriptRunner& runner,
                              FileSystem& fs) {
  // Without its names a plan always holds why.
  if (!plan.namesRead) return CommandResult::Failed(*plan.error);
  return RunCleanup(plan.request, plan.jpgNames, settings, runner, fs);
}

RunPlan PlanRestore(const RestoreRequest& given, const Settings& settings, FileSystem& fs) {
  const RestoreRequest request{ResolvedOrAsGiven(fs, given.rawFolder)};
  return RunInMemory(request.rawFolder, RestoreRawKinds(settings.extraRawKinds), fs, [&](ScriptRunner& runner, FileSystem& memory) {
    return RestoreSetAside(request, settings, runner, memory);
  });
}

std::string FormatPlan(const RunPlan& plan) {
  static constexpr const char* kActions[] = {"keep", "set-aside", "delete", "trash"};
  std::string text;
  for (const PlannedFile& file : plan.files) {
    text += std::string(kActions[file.action]) + "\t" + file.name + "\t" + file.newName + "\n";
  }
  text += "# " + std::to_string(plan.Count(PlannedFile::Keep)) + " kept, ";
  if (plan.Count(PlannedFile::Trash) > 0) {
    text += std::to_string(plan.Count(PlannedFile::Trash)) + " moved to the trash, ";
  } else {
    text += std::to_string(plan.Count(PlannedFile::Delete)) + " deleted, ";
  }
  text += std::to_string(plan.Count(PlannedFile::SetAside)) + " set aside\n";
  return text;
}

}  // namespace shotsweep
