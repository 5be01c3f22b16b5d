#pragma once
// An extraction's result as the window shows it, through the dialogs seam.

#include <string>
#include <vector>

#include "extraction/extraction_command.h"
#include "platform/dialogs.h"

namespace shotsweep {

// The rows' texts, one per RAW file.
std::vector<std::string> RowTexts(const std::vector<ExtractionRow>& rows);

// "Operation done" with the information icon only when every RAW file has its JPG; otherwise
// a warning with the counts. Either way the rows in a list and the transcript under Details;
// then any error, as the error box shows it.
void ShowExtractionResult(Dialogs& dialogs, const ExtractionResult& result);

}  // namespace shotsweep
