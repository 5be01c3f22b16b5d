#pragma once
// Which RAW files an extraction works on, decided before its script is written: a RAW file
// whose JPG is already there is left alone, and of two RAW files with one base name only the
// first gets a JPG, since both would write the same one.

#include <string>
#include <vector>

#include "fs/file_system.h"

namespace shotsweep {

struct ExtractionTarget {
  enum class Kind {
    Extract,        // gets a block of the script
    HasJpg,         // its JPG (base name, then .jpg, .jpeg or .jpe in any case) is in the JPG folder
    JpgNameTaken,   // something that is not a file bears its JPG's name there
    SameNameAs,     // an earlier RAW file of the list has its base name
  };
  std::string rawName;
  Kind kind = Kind::Extract;
  std::string other;  // the JPG folder's entry (HasJpg, JpgNameTaken) or the earlier RAW file
};

// One entry per RAW file, in the list's order. `jpgEntries` is what the JPG folder holds.
std::vector<ExtractionTarget> PlanExtraction(const std::vector<std::string>& rawNames,
                                        const std::vector<DirEntry>& jpgEntries);

// The RAW files that get a block, in order.
std::vector<std::string> NamesToExtract(const std::vector<ExtractionTarget>& plan);

}  // namespace shotsweep
