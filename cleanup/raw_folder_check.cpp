#include "cleanup/raw_folder_check.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <map>
#include <system_error>

#include "batch/case_folding.h"
#include "cleanup/file_names.h"

namespace shotsweep {
namespace {

bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

// The name a file of one of the five kinds carries once set aside, folded; nullopt for any
// other file. The renaming script matches "*.nef" and
// the like without regard to case, and keeps the name up to its last dot.
std::optional<std::string> SetAsideKey(std::string_view name) {
  const std::string folded = batch::FoldCase(name);
  for (const RawKind& kind : kRawKinds) {
    for (std::string_view extension : {kind.extension, kind.aside}) {
      if (EndsWith(folded, extension)) {
        return folded.substr(0, folded.size() - extension.size()) + std::string(kind.aside);
      }
    }
  }
  return std::nullopt;
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

std::optional<CommandError> CheckRawFolder(const std::string& folder) {
  namespace fs = std::filesystem;
  // An empty path would otherwise become the root folder once a separator is appended.
  if (folder.empty()) return ErrnoError(ENOENT);
  std::vector<std::string> names;
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

}  // namespace shotsweep
