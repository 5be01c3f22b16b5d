#pragma once
// A cleanup seen before it is done. The plan is the cleanup run in memory: its checks, its
// scripts and the interpreter that carries them out all the same, over a file system in
// memory laid over the folder, so what happened there is the prediction and prediction and
// real run cannot drift apart. Carrying a plan out runs the cleanup for the very JPG names it
// was made with.

#include <optional>
#include <string>
#include <vector>

#include "base/cleanup_record.h"
#include "base/command_result.h"
#include "cleanup/cleanup_commands.h"
#include "fs/file_system.h"
#include "platform/script_runner.h"
#include "settings/settings.h"

namespace shotsweep {

struct PlannedFile {
  // Restore: a set-aside file given its RAW name back by a restore.
  enum Action { Keep, SetAside, Delete, Trash, Restore } action;
  std::string name;     // as it is now
  std::string newName;  // as it would end; empty when it would be deleted or trashed
  // A sidecar: the RAW file it belongs to. It leaves with a file that is deleted or trashed,
  // and stays where it is (Keep) beside one that is set aside. Empty for a RAW file.
  std::string owner;
  bool sidecar() const { return !owner.empty(); }
};

// What a run in memory did to the RAW files of the RAW folder.
struct RunPlan {
  // Every RAW file the scripts would touch and the sidecars of those set aside or leaving,
  // sorted by name.
  std::vector<PlannedFile> files;
  bool ran = false;                // whether the scripts ran at all
  bool restore = false;            // a restore's plan, whose rows are all restores
  // The first error the real run would end with; none when it would end with "Operation done".
  std::optional<CommandError> error;
  int rawFilesInFolder = 0;  // RAW files, set aside or not, in the folder before the run
  // The RAW files, sidecars left out, with that action.
  int Count(PlannedFile::Action action) const;
  int CountSidecars(PlannedFile::Action action) const;
};

struct CleanupPlan : RunPlan {
  CleanupRequest request;
  // The JPG names read when planning (the JPG folder's files, or the photo list's lines);
  // carrying out uses exactly these, whatever the folder or the list hold by then.
  std::vector<std::string> jpgNames;
  bool namesRead = false;  // false when they could not be read: `error` says why
  // What carrying out is limited to, written as the cleanup record before the first rename:
  // every planned RAW file with its action and its names, and the sidecars that leave.
  CleanupRecord record;
};

// Reads the JPG names through `fs` and runs the cleanup for them in memory over `fs`, which
// is only read.
CleanupPlan PlanCleanup(const CleanupRequest& request, const Settings& settings, FileSystem& fs);

// The cleanup the plan shows, for real: its checks are made again against the folder as it
// is now, and it touches only the files the plan names. A RAW file that arrived since is left
// as it is, and a note names it.
CommandResult CarryOutCleanup(const CleanupPlan& plan, const Settings& settings, ScriptRunner& runner,
                              FileSystem& fs);

// Restoring set-aside files, run in memory over `fs`.
RunPlan PlanRestore(const RestoreRequest& request, const Settings& settings, FileSystem& fs);

// Whether carrying the plan out would leave the RAW folder without a single RAW file: it holds
// at least one, and every one would be deleted or moved to the trash. An empty JPG folder or
// photo list, or the wrong one, does this; such a cleanup is never done on one click.
bool EmptiesRawFolder(const RunPlan& plan);

// What such a cleanup would do, in one sentence naming the count, the RAW folder and where the
// JPG names came from.
std::string EmptiesRawFolderText(const CleanupPlan& plan);

// The plan as lines "ACTION<TAB>NAME<TAB>NEW NAME", ACTION one of keep, set-aside, delete,
// trash or restore, and a last line beginning with "#" that sums them up.
std::string FormatPlan(const RunPlan& plan);

}  // namespace shotsweep
