#pragma once
// The cleanup and its way back, as requests in and results out. A cleanup brings the RAW
// folder into line with a set of JPG names: every RAW file without a JPG twin is deleted, or
// set aside when asked to keep. The file work is done by generated scripts run through a
// ScriptRunner; every file is read and written through a FileSystem.

#include <string>
#include <string_view>
#include <vector>

#include "base/cleanup_record.h"
#include "base/command_result.h"
#include "fs/file_system.h"
#include "platform/script_runner.h"
#include "settings/settings.h"

namespace shotsweep {

// The titles of a run and of the box that says it is done.
inline constexpr std::string_view kCleanupTitle = "RAW files deleted/renamed";
inline constexpr std::string_view kRestoreTitle = "Set-aside RAW files restored";

struct CleanupRequest {
  enum class Source { JpgFolder, PhotoList } source = Source::JpgFolder;
  std::string rawFolder;  // as the RAW pane gives it
  std::string jpgFolder;  // as the JPG pane gives it; the pairing record names the JPG files there
  std::string photoList;  // the photo list's path, when the names come from one
  bool keep = true;       // the set-aside box: unmatched RAW files are set aside, not deleted
};

// The request with each folder and file the user gave resolved as the system resolves it
// (ResolvedOrAsGiven), so that every step of the command acts on the one folder.
CleanupRequest Resolved(const CleanupRequest& request, FileSystem& fs);

// Carries out the cleanup for these JPG names (the JPG folder's files, or the photo list's
// lines as written). Every check and every file is done before the renaming script runs, so a
// failure up to then leaves the RAW folder as it was. With a `plan` (a record still running),
// it is written into the RAW folder as the cleanup record and the run touches only what it
// names; without one, the run takes every RAW file its scripts find.
CommandResult RunCleanup(const CleanupRequest& request, const std::vector<std::string>& jpgNames,
                         const Settings& settings, ScriptRunner& runner, FileSystem& fs,
                         const CleanupRecord* plan = nullptr);

struct RestoreRequest {
  std::string rawFolder;  // as the RAW pane gives it
};

// "Restore set-aside RAW files": every file in the RAW folder that carries an aside extension
// (".nbak", and those of the extra kinds) gets its RAW extension back, through a generated
// script run by the interpreter; a file the cleanup record names gets back the very name it
// had. Every kind of today's cameras is given back, whatever the settings say. A file whose RAW
// name is taken stays set aside, nothing is overwritten, and the error names it, as it names
// anything else left that looks set aside.
CommandResult RestoreSetAside(const RestoreRequest& request, const Settings& settings, ScriptRunner& runner,
                              FileSystem& fs);

// Whether `folder` shows a cleanup that did not get to its end: files set aside beside a
// cleanup record that says its cleanup is still running. Without a record that can be read,
// the older signs: files set aside beside the pairing record, which every cleanup deletes when
// its scripts are done, or, with KillBat 1, beside the cleanup scripts.
bool LooksInterrupted(FileSystem& fs, const std::string& folder, const Settings& settings);

}  // namespace shotsweep
