#include "extraction/extraction_summary.h"

#include "base/file_names.h"
#include "settings/settings.h"

namespace shotsweep {

JpgTimes ReadJpgTimes(FileSystem& fs, const std::string& jpgFolder, const std::vector<std::string>& rawNames) {
  JpgTimes times;
  const std::string folder = WithTrailingSeparator(jpgFolder, '/');
  for (const std::string& raw : rawNames) {
    const auto status = fs.Status(folder + FileBaseName(raw) + ".jpg");
    times.push_back(status ? std::optional(status->modifiedNs) : std::nullopt);
  }
  return times;
}

ExtractionSummary SummarizeExtraction(FileSystem& fs, const std::string& jpgFolder,
                                      const std::vector<std::string>& rawNames, const JpgTimes& before) {
  ExtractionSummary summary;
  const JpgTimes after = ReadJpgTimes(fs, jpgFolder, rawNames);
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
