#pragma once
// What an extraction did, at a glance: which RAW files got a JPG in the JPG folder during the
// run, and which got none. The tools' own complaints (a RAW file with fewer previews than
// asked for, a preview that is not there to copy) are expected and stay in the details.

#include <optional>
#include <string>
#include <vector>

#include "fs/file_system.h"

namespace shotsweep {

struct ExtractionSummary {
  std::vector<std::string> withJpg;     // RAW file names
  std::vector<std::string> withoutJpg;  // RAW file names
};

// When each RAW file's JPG (base.jpg in the JPG folder, FileBaseName of the RAW name) was last
// written, or nothing for a JPG that is not there.
using JpgTimes = std::vector<std::optional<long long>>;
JpgTimes ReadJpgTimes(FileSystem& fs, const std::string& jpgFolder, const std::vector<std::string>& rawNames);

// A RAW file got a JPG when its JPG is there now and was not, or was written anew, since `before`.
ExtractionSummary SummarizeExtraction(FileSystem& fs, const std::string& jpgFolder,
                                      const std::vector<std::string>& rawNames, const JpgTimes& before);

// "12 of 14 RAW files got a JPG." and, when some got none, which.
std::string SummaryText(const ExtractionSummary& summary);

}  // namespace shotsweep
