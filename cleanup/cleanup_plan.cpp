#include "cleanup/cleanup_plan.h"

#include <algorithm>
#include <functional>
#include <unordered_map>
#include <unordered_set>

#include "base/case_folding.h"
#include "base/file_names.h"
#include "batch/directory_index.h"
#include "batch/wildcard.h"
#include "cleanup/memory_runner.h"
#include "cleanup/photo_list.h"
#include "cleanup/raw_folder_check.h"
#include "cleanup/sidecars.h"
#include "fs/folder_listing.h"
#include "fs/memory_file_system.h"

namespace shotsweep {
namespace {

using Run = std::function<CommandResult(ScriptRunner& runner, FileSystem& fs)>;

// Runs `run` over a file system in memory laid over `fs`, and tells what it did to the RAW
// files of `rawPath`; `files` are the folder's file names before it ran.
RunPlan RunInMemory(const std::string& rawPath, const std::vector<RawKind>& kinds, FileSystem& fs, const Run& run,
                    std::vector<std::string>* files = nullptr) {
  MemoryFileSystem memory(&fs);
  InMemoryScriptRunner runner(memory);
  const std::string rawFolder = batch::NormalizePath("/", rawPath);

  RunPlan plan;
  std::vector<DirEntry> before;
  if (!memory.List(rawFolder, before)) {
    plan.rawFilesInFolder = static_cast<int>(std::count_if(
        before.begin(), before.end(), [&](const DirEntry& e) { return !e.isDir && IsRawOrSetAsideName(e.name, kinds); }));
    if (files) {
      for (const DirEntry& e : before) {
        if (!e.isDir) files->push_back(e.name);
      }
    }
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

// The name the renaming script gives a RAW file while it is set aside, as the interpreter
// makes it from the script's target mask ("DSC_1.NEF" under "*.nbak": "DSC_1.nbak").
std::string AsideName(const std::string& name, const std::vector<RawKind>& kinds) {
  const std::string folded = FoldCase(name);
  for (const RawKind& kind : kinds) {
    if (folded.ends_with(kind.extension)) return batch::ApplyTargetMask(name, "*" + kind.aside);
  }
  return {};
}

PlannedAction RecordAction(PlannedFile::Action action) {
  static constexpr PlannedAction kActions[] = {PlannedAction::Keep, PlannedAction::SetAside, PlannedAction::Delete,
                                               PlannedAction::Trash};
  return kActions[action];
}

// The names set-aside files had, as an earlier run's record in the folder tells them: by the
// name they have now. A record that cannot be read tells nothing.
std::unordered_map<std::string, std::string> EarlierNames(FileSystem& fs, const std::string& rawFolder) {
  std::unordered_map<std::string, std::string> names;
  std::string text;
  CleanupRecord record;
  if (fs.ReadFile(batch::JoinPath(rawFolder, std::string(kCleanupRecordName)), text) ||
      ParseCleanupRecord(text, record)) {
    return names;
  }
  for (const CleanupRecord::Raw& raw : record.raws) {
    if (!raw.original.empty()) names.emplace(raw.aside, raw.original);
  }
  return names;
}

// Turns what the run in memory did into the record the real run is limited to, and adds the
// sidecars that go with the RAW files that are set aside or leave.
void MakeRecord(CleanupPlan& plan, const std::vector<std::string>& files, const Settings& settings, FileSystem& fs) {
  const std::vector<RawKind> kinds = RawKindsWith(settings.extraRawKinds);
  const std::string rawFolder = batch::NormalizePath("/", plan.request.rawFolder);
  const auto earlier = EarlierNames(fs, rawFolder);
  const std::unordered_set<std::string> present(files.begin(), files.end());
  // A name another file has taken since is no way back: the record would name it twice.
  auto earlierName = [&](const std::string& aside) {
    const auto it = earlier.find(aside);
    return it == earlier.end() || present.count(it->second) ? std::string() : it->second;
  };

  std::vector<SidecarOwner> owners;
  std::unordered_set<std::string> planned;
  for (PlannedFile& file : plan.files) {
    CleanupRecord::Raw raw{RecordAction(file.action), {}, {}};
    if (IsSetAsideName(file.name, kinds)) {
      // Set aside by an earlier run: known by the name it has, and back under the one it had.
      raw.aside = file.name;
      raw.original = earlierName(file.name);
      if (file.action == PlannedFile::Keep && !raw.original.empty()) file.newName = raw.original;
    } else {
      raw.original = file.name;
      raw.aside = AsideName(file.name, kinds);
    }
    planned.insert(file.name);
    if (!IsRecordableName(raw.aside) || !(raw.original.empty() || IsRecordableName(raw.original))) {
      // A name the record cannot hold (a control character in it) is left out of the plan:
      // the run leaves the file as it is and names it, and the rest of the cleanup goes on.
      file.action = PlannedFile::Keep;
      file.newName = file.name;
      owners.push_back({file.name, file.name, SidecarOwner::Kept});
      continue;
    }
    const SidecarOwner::Fate fate = file.action == PlannedFile::Keep       ? SidecarOwner::Kept
                                    : file.action == PlannedFile::SetAside ? SidecarOwner::SetAside
                                                                           : SidecarOwner::Leaves;
    owners.push_back({raw.original, file.name, fate});
    plan.record.raws.push_back(std::move(raw));
  }
  // The RAW files the run leaves alone: those set aside earlier stay so, and keep in the
  // record the names they had; any other keeps its sidecars.
  for (const std::string& name : files) {
    if (planned.count(name) || !IsRawOrSetAsideName(name, kinds)) continue;
    if (!IsSetAsideName(name, kinds)) {
      owners.push_back({name, name, SidecarOwner::Kept});
      continue;
    }
    const std::string original = earlierName(name);
    owners.push_back({original, name, SidecarOwner::SetAside});
    if (!original.empty()) plan.record.raws.push_back({PlannedAction::SetAside, original, name});
  }

  std::vector<PlannedFile> sidecars;
  for (const FoundSidecar& sidecar : FindSidecars(files, owners, settings.sidecarKinds)) {
    const SidecarOwner& owner = owners[sidecar.owner];
    // Owners from the run come first, in the order of the files they were made from.
    const PlannedFile::Action ownerAction =
        sidecar.owner < plan.files.size() ? plan.files[sidecar.owner].action : PlannedFile::SetAside;
    const bool leaves = owner.fate == SidecarOwner::Leaves;
    const std::string ownerName = owner.name.empty() ? owner.present : owner.name;
    sidecars.push_back({leaves ? ownerAction : PlannedFile::Keep, sidecar.name, leaves ? "" : sidecar.name, ownerName});
    if (leaves) plan.record.sidecars.push_back({RecordAction(ownerAction), sidecar.name, owner.name});
  }
  plan.files.insert(plan.files.end(), sidecars.begin(), sidecars.end());
  std::sort(plan.files.begin(), plan.files.end(),
            [](const PlannedFile& a, const PlannedFile& b) { return a.name < b.name; });
}

}  // namespace

int RunPlan::Count(PlannedFile::Action action) const {
  return static_cast<int>(std::count_if(files.begin(), files.end(),
                                        [&](const PlannedFile& f) { return !f.sidecar() && f.action == action; }));
}

int RunPlan::CountSidecars(PlannedFile::Action action) const {
  return static_cast<int>(std::count_if(files.begin(), files.end(),
                                        [&](const PlannedFile& f) { return f.sidecar() && f.action == action; }));
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
  std::vector<std::string> files;
  CleanupPlan plan{RunInMemory(
      request.rawFolder, RawKindsWith(settings.extraRawKinds), fs,
      [&](ScriptRunner& runner, FileSystem& memory) { return RunCleanup(request, names, settings, runner, memory); },
      &files)};
  plan.request = request;
  plan.jpgNames = std::move(names);
  plan.namesRead = true;
  MakeRecord(plan, files, settings, fs);
  return plan;
}

CommandResult CarryOutCleanup(const CleanupPlan& plan, const Settings& settings, ScriptRunner& runner,
                              FileSystem& fs) {
  // Without its names a plan always holds why. A plan whose scripts ran into an error is not
  // started either: the run is held to what the plan got through, so it would stop where the
  // plan stopped and call a cleanup done that was not, or leave the folder half done. A plan
  // that stopped at a check before its scripts is checked again, against the folder as it is.
  if (!plan.namesRead || (plan.error && plan.ran)) return CommandResult::Failed(*plan.error);
  return RunCleanup(plan.request, plan.jpgNames, settings, runner, fs, &plan.record);
}

RunPlan PlanRestore(const RestoreRequest& given, const Settings& settings, FileSystem& fs) {
  const RestoreRequest request{ResolvedOrAsGiven(fs, given.rawFolder)};
  RunPlan plan = RunInMemory(request.rawFolder, RestoreRawKinds(settings.extraRawKinds), fs,
                             [&](ScriptRunner& runner, FileSystem& memory) {
    return RestoreSetAside(request, settings, runner, memory);
  });
  // Seen from a cleanup, a file that ends under its RAW name is kept; what a restore touches
  // it gives back.
  plan.restore = true;
  for (PlannedFile& file : plan.files) {
    if (file.action == PlannedFile::Keep) file.action = PlannedFile::Restore;
  }
  return plan;
}

bool EmptiesRawFolder(const RunPlan& plan) {
  // Counted against the folder, not the rows: a RAW file the scripts would leave untouched
  // still stays, and rows for other files that leave with a RAW file do not make up for one.
  const int gone = plan.Count(PlannedFile::Delete) + plan.Count(PlannedFile::Trash);
  return plan.rawFilesInFolder > 0 && plan.Count(PlannedFile::Keep) == 0 && plan.Count(PlannedFile::SetAside) == 0 &&
         gone >= plan.rawFilesInFolder;
}

std::string EmptiesRawFolderText(const CleanupPlan& plan) {
  const int n = plan.rawFilesInFolder;
  const bool trash = plan.Count(PlannedFile::Trash) > 0;
  const bool byList = plan.request.source == CleanupRequest::Source::PhotoList;
  std::string text = std::string("This cleanup would ") + (trash ? "move" : "delete") + " every RAW file in the folder " +
                     plan.request.rawFolder + (trash ? " to the trash" : "") + " (" + std::to_string(n) +
                     (n == 1 ? " file)" : " files)");
  if (byList) {
    text += n == 1 ? ": its JPG is not named in the photo list " : ": not one has its JPG named in the photo list ";
    return text + plan.request.photoList + ".";
  }
  text += n == 1 ? ": it has no JPG twin in the JPG folder " : ": not one has a JPG twin in the JPG folder ";
  return text + plan.request.jpgFolder + ".";
}

std::string FormatPlan(const RunPlan& plan) {
  static constexpr const char* kActions[] = {"keep", "set-aside", "delete", "trash", "restore"};
  std::string text;
  for (const PlannedFile& file : plan.files) {
    text += std::string(kActions[file.action]) + "\t" + file.name + "\t" + file.newName;
    if (file.sidecar()) text += "\tsidecar of " + file.owner;
    text += "\n";
  }
  if (plan.restore) return text + "# " + std::to_string(plan.Count(PlannedFile::Restore)) + " restored\n";
  text += "# " + std::to_string(plan.Count(PlannedFile::Keep)) + " kept, ";
  if (plan.Count(PlannedFile::Trash) > 0) {
    text += std::to_string(plan.Count(PlannedFile::Trash)) + " moved to the trash, ";
  } else {
    text += std::to_string(plan.Count(PlannedFile::Delete)) + " deleted, ";
  }
  text += std::to_string(plan.Count(PlannedFile::SetAside)) + " set aside";
  const int sidecarsLeaving = plan.CountSidecars(PlannedFile::Delete) + plan.CountSidecars(PlannedFile::Trash);
  const int sidecarsStaying = plan.CountSidecars(PlannedFile::Keep);
  if (sidecarsLeaving + sidecarsStaying > 0) {
    text += "; sidecars: " + std::to_string(sidecarsLeaving) +
            (plan.CountSidecars(PlannedFile::Trash) > 0 ? " moved to the trash, " : " deleted, ") +
            std::to_string(sidecarsStaying) + " left beside set-aside files";
  }
  text += "\n";
  return text;
}

}  // namespace shotsweep
