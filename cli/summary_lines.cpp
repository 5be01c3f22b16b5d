#include "cli/summary_lines.h"

namespace shotsweep {
namespace {

// The files that leave the RAW folder with their RAW file (an .xmp with its .nef); those that
// stay beside a set-aside file are not news.
int Sidecars(const CleanupPlan& plan) {
  return plan.CountSidecars(PlannedFile::Delete) + plan.CountSidecars(PlannedFile::Trash);
}

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


}  // namespace shotsweep
