#include "preview/extraction_summary.h"

#include <system_error>

#include "base/file_names.h"

namespace shotsweep {

JpgTimes ReadJpgTimes(const std::string& jpgFolder, const std::vector<std::string>& rawNames) {
  JpgTimes times;
  for (const std::string& raw : rawNames) {
    std::error_code error;
    const auto written =
        std::filesystem::last_write_time(std::filesystem::path(jpgFolder) / (FileBaseName(raw) + ".jpg"), error);
    times.push_back(error ? std::nullopt : std::optional(written));
  }
  return times;
}

ExtractionSummary SummarizeExtraction(const std::string& jpgFolder, const std::vector<std::string>& rawNames,
                                      const JpgTimes& before) {
  ExtractionSummary summary;
  const JpgTimes after = ReadJpgTimes(jpgFolder, rawNames);
  for (std::size_t i = 0; i < rawNames.size(); ++i) {
    const bool got = after[i] && (i >= before.size() || after[i] != before[i]);
    (got ? summary.withJpg : summary.withoutJpg).push_back(rawNames[i]);
  }
  return summary;
}

std::string SummaryText(const ExtractionSummary& summary) {
  const std::size_t all = summary.withJpg.size() + summary.withoutJpg.size();
  std::string text = std::to_string(summary.withJpg.size()) + " of " + std::to_string(all) +
                     (all == 1 ? " RAW file" : " RAW files") + " got a JPG.";
  if (!summary.withoutJpg.empty()) {
    text += "\nNo JPG for:";
    for (const std::string& raw : summary.withoutJpg) text += " " + raw;
  }
  return text;
}

}  // namespace shotsweep
