#pragma once
// A cleanup's scripts and record as the command writes them: the real script writers, and a
// plan that keeps each RAW file whose base name a listed JPG has.

#include <set>
#include <string>
#include <vector>

#include "base/case_folding.h"
#include "base/cleanup_record.h"
#include "batch/wildcard.h"
#include "cleanup/cleanup_scripts.h"

namespace shotsweep::batch::testing {

struct CleanupFiles {
  std::string renaming;
  std::string restoring;
  std::string restoreAll;  // what a restore after a cut-short run runs
  CleanupRecord plan;
};

// The RAW kind of a name, by its last extension; nullptr for any other file.
inline const RawKind* KindOf(const std::string& name) {
  const std::string extension = FoldCase(name.substr(std::min(name.rfind('.'), name.size())));
  for (const RawKind& kind : DefaultRawKinds()) {
    if (kind.extension == extension) return &kind;
  }
  return nullptr;
}

// `names`: the files of the RAW folder `folder`; `jpgs`: the JPG names listed. Every RAW file
// without a listed twin is planned for `unmatched` (SetAside: no delete lines).
inline CleanupFiles MakeCleanup(const std::string& folder, const std::vector<std::string>& names,
                                const std::vector<std::string>& jpgs, PlannedAction unmatched) {
  const CleanupScriptContext ctx{folder.find(' ') != std::string::npos ? "\"" : "", folder + "/", folder, 852, '/'};
  CleanupFiles files{RenamingScript(ctx), ScriptHeader(ctx), RestoreAllScript(ctx), {}};
  std::set<std::string> kept;
  for (const std::string& jpg : jpgs) {
    files.restoring += RestoreLines(ctx, jpg);
    for (const std::string& base : RestoredBases(jpg, '/')) kept.insert(FoldCase(base));
  }
  if (unmatched != PlannedAction::SetAside) files.restoring += DeleteLines(ctx);
  for (const std::string& name : names) {
    const RawKind* kind = KindOf(name);
    if (!kind) continue;
    const bool keep = kept.count(FoldCase(name.substr(0, name.rfind('.')))) > 0;
    files.plan.raws.push_back(
        {keep ? PlannedAction::Keep : unmatched, name, ApplyTargetMask(name, "*" + kind->aside)});
  }
  return files;
}

}  // namespace shotsweep::batch::testing
