#pragma once
// The one line a command prints on standard output once it has done its work, made from the
// values the command worked from, never from the text it showed.

#include <string>

#include "cleanup/cleanup_plan.h"
#include "extraction/extraction_summary.h"

namespace shotsweep {

// "kept 120, deleted 30, set aside 0, sidecars 12"; "trashed" in place of "deleted" when the
// plan sends files to the trash.
std::string CleanupSummaryLine(const CleanupPlan& plan);

// "restored 12"
std::string RestoreSummaryLine(const RunPlan& plan);

// "3 of 7 RAW files got a JPG"
std::string ExtractionSummaryLine(const ExtractionSummary& summary);

}  // namespace shotsweep
