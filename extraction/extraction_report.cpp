#include "extraction/extraction_report.h"

namespace shotsweep {

std::vector<std::string> RowTexts(const std::vector<ExtractionRow>& rows) {
  std::vector<std::string> texts;
  texts.reserve(rows.size());
  for (const ExtractionRow& row : rows) texts.push_back(row.Text());
  return texts;
}

void ShowExtractionResult(Dialogs& dialogs, const ExtractionResult& result) {
  // A command that failed before its script ran has nothing to report on file by file.
  if (result.command.done() || !result.rows.empty()) {
    ReportBoxRequest report;
    report.rows = RowTexts(result.rows);
    report.details = result.transcript;
    if (result.AllWell()) {
      report.text = "Operation done";
      report.title = std::string(kExtractionTitle);
      report.icon = MessageIcon::Information;
    } else {
      report.text = CountsText(result.counts);
      if (result.stopped) report.text += "\nCancelled: the RAW files after those under way were not worked on.";
      report.title = std::string(kExtractionRunTitle);
      report.icon = MessageIcon::Warning;
    }
    dialogs.ReportBox(report);
  }
  for (const CommandError& error : result.command.errors) ShowError(dialogs, error);
}

}  // namespace shotsweep
