#include "cli/summary_lines.h"

namespace shotsweep {
namespace {

// The files that leave the RAW folder beside their RAW file (an .xmp with its .nef). The plan
// names no such files yet; once it does, they are counted here, and the line already has
// their place.
int Sidecars(const CleanupPlan& /*plan*/) { return 0; }

}  // namespace

std::string CleanupSummaryLine(const CleanupPlan& plan) {
  const int trashed = plan.Count(PlannedFile::Trash);
  return "kept " + std::to_string(plan.Count(PlannedFile::Keep)) + ", " +
         (trashed > 0 ? "trashed " + std::to_string(trashed)
                      : "deleted " + std::to_string(plan.Count(PlannedFile::Delete))) +
         ", set aside " + std::to_string(plan.Count(PlannedFile::SetAside)) + ", sidecars " +
         std::to_string(Sidecars(plan));
}

std::string RestoreSummaryLine(const RunPlan& plan) {
  return "restored " + std::to_string(plan.Count(PlannedFile::Restore));
}

std::string ExtractionSummaryLine(const ExtractionSummary& summary) {
  const std::size_t all = summary.withJpg.size() + summary.withoutJpg.size();
  return std::to_string(summary.withJpg.size()) + " of " + std::to_string(all) +
         (all == 1 ? " RAW file" : " RAW files") + " got a JPG";
}

}  // namespace shotsweep
