#include "extraction/extraction_plan.h"

#include <unordered_map>

#include "base/case_folding.h"
#include "base/file_names.h"

namespace shotsweep {

std::vector<ExtractionTarget> PlanExtraction(const std::vector<std::string>& rawNames,
                                        const std::vector<DirEntry>& jpgEntries) {
  // Names are matched as the pane and the cleanup match them, without regard to case.
  std::unordered_map<std::string, const DirEntry*> jpgs;
  for (const DirEntry& entry : jpgEntries) jpgs.emplace(FoldCase(entry.name), &entry);
  std::unordered_map<std::string, std::string> firstOfBase;

  std::vector<ExtractionTarget> plan;
  plan.reserve(rawNames.size());
  for (const std::string& raw : rawNames) {
    ExtractionTarget file{raw};
    const std::string base = FoldCase(FileBaseName(raw));
    for (const std::string_view extension : kJpgExtensions) {
      const auto found = jpgs.find(base + "." + std::string(extension));
      if (found == jpgs.end()) continue;
      file.other = found->second->name;
      // A folder, a pipe or a device there is no JPG; but the copy must not land on it either.
      file.kind = found->second->isFile ? ExtractionTarget::Kind::HasJpg : ExtractionTarget::Kind::JpgNameTaken;
      if (file.kind == ExtractionTarget::Kind::HasJpg) break;
    }
    if (file.kind == ExtractionTarget::Kind::Extract) {
      const auto [earlier, isFirst] = firstOfBase.emplace(base, raw);
      if (!isFirst) {
        file.kind = ExtractionTarget::Kind::SameNameAs;
        file.other = earlier->second;
      }
    }
    plan.push_back(std::move(file));
  }
  return plan;
}

std::vector<std::string> NamesToExtract(const std::vector<ExtractionTarget>& plan) {
  std::vector<std::string> names;
  for (const ExtractionTarget& file : plan) {
    if (file.kind == ExtractionTarget::Kind::Extract) names.push_back(file.rawName);
  }
  return names;
}

}  // namespace shotsweep
