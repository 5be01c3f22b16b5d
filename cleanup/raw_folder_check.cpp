#include "cleanup/raw_folder_check.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>

#include "batch/case_folding.h"
#include "cleanup/cleanup_scripts.h"
#include "cleanup/file_names.h"

namespace shotsweep {
namespace {

// The length of the RAW or set-aside extension a folded name ends in, with the set-aside
// extension of that kind; nullopt for any other file. The renaming script matches "*.nef" and
// the like without regard to case.
std::optional<std::pair<std::size_t, std::string_view>> RawExtension(std::string_view folded) {
  for (const RawKind& kind : kRawKinds) {
    for (std::string_view extension : {kind.extension, kind.aside}) {
      if (folded.ends_with(extension)) return std::pair{extension.size(), kind.aside};
    }
  }
  return std::nullopt;
}

// The name a file of one of the five kinds carries once set aside (the renaming script keeps
// the name up to its last dot), folded; nullopt for any other file.
std::optional<std::string> SetAsideKey(std::string_view name) {
  const std::string folded = batch::FoldCase(name);
  const auto extension = RawExtension(folded);
  if (!extension) return std::nullopt;
  return folded.substr(0, folded.size() - extension->first) + std::string(extension->second);
}

std::string DescribeClashes(const std::vector<std::vector<std::string>>& clashes) {
  constexpr std::size_t kShown = 10;
  std::string text =
      "These files in the RAW folder would take the same name when set aside, so the cleanup "
      "could not tell which of them to keep: ";
  for (std::size_t i = 0; i < clashes.size() && i < kShown; ++i) {
    if (i > 0) text += "; ";
    for (std::size_t k = 0; k < clashes[i].size(); ++k) {
      if (k > 0) text += " and ";
      text += clashes[i][k];
    }
  }
  if (clashes.size() > kShown) text += "; and " + std::to_string(clashes.size() - kShown) + " more";
  text += ". Rename or move them, then run the cleanup again.";
  return text;
}

}  // namespace

std::vector<std::vector<std::string>> SetAsideClashes(const std::vector<std::string>& names) {
  std::map<std::string, std::vector<std::string>> byKey;
  for (const std::string& name : names) {
    if (auto key = SetAsideKey(name)) byKey[*key].push_back(name);
  }
  std::vector<std::vector<std::string>> clashes;
  for (auto& [key, group] : byKey) {
    if (group.size() < 2) continue;
    std::sort(group.begin(), group.end());
    clashes.push_back(std::move(group));
  }
  std::sort(clashes.begin(), clashes.end());
  return clashes;
}

std::optional<CommandError> CheckRawFolder(const std::string& folder, std::vector<std::string>& names) {
  namespace fs = std::filesystem;
  names.clear();
  // An empty path would otherwise become the root folder once a separator is appended.
  if (folder.empty()) return ErrnoError(ENOENT);
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    // Only files are set aside and deleted; a folder named like one cannot be lost.
    std::error_code typeError;
    if (it->is_directory(typeError)) continue;
    names.push_back(it->path().filename().string());
  }
  if (ec) return ErrnoError(ec.value(), folder);

  const auto clashes = SetAsideClashes(names);
  if (!clashes.empty()) return CommandError{EEXIST, DescribeClashes(clashes)};
  return std::nullopt;
}

std::vector<std::string> StemsPairedByFirstDot(const std::vector<std::string>& rawNames,
                                               const std::vector<std::string>& jpgNames) {
  // Folded base names of the single-dot JPG names, and every folded name a restore line for
  // the listed names already covers.
  std::set<std::string> singleDotBases;
  std::set<std::string> covered;
  for (const std::string& listed : jpgNames) {
    const std::string_view name = LastPathComponent(listed);
    const std::string base = FileBaseName(name);
    covered.insert(batch::FoldCase(base));
    const std::size_t lastDot = name.rfind('.');
    if (!base.empty() && lastDot > base.size()) {
      covered.insert(batch::FoldCase(name.substr(0, lastDot)));
    } else if (!base.empty()) {
      singleDotBases.insert(batch::FoldCase(base));
    }
  }
  std::vector<std::string> stems;
  for (const std::string& raw : rawNames) {
    const auto extension = RawExtension(batch::FoldCase(raw));
    if (!extension) continue;
    const std::string stem = raw.substr(0, raw.size() - extension->first);
    const std::string base = FileBaseName(raw);
    if (base.size() >= stem.size() || covered.count(batch::FoldCase(stem))) continue;
    if (singleDotBases.count(batch::FoldCase(base))) stems.push_back(stem);
  }
  std::sort(stems.begin(), stems.end());
  stems.erase(std::unique(stems.begin(), stems.end()), stems.end());
  return stems;
}

}  // namespace shotsweep
