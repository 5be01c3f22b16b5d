#pragma once
// The one line a command prints on standard output once it has done its work, made from the
// values the command worked from, never from the text it showed.

#include <string>

#include "cleanup/cleanup_plan.h"

namespace shotsweep {

// "kept 120, deleted 30, set aside 0, sidecars 12"; "trashed" in place of "deleted" when the
// plan sends files to the trash.
std::string CleanupSummaryLine(const CleanupPlan& plan);

// "restored 12"
std::string RestoreSummaryLine(const RunPlan& plan);

}  // namespace shotsweep
