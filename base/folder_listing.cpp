#include "base/folder_listing.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "base/case_folding.h"

namespace shotsweep {
namespace {

// Greedy matching with one point to come back to: linear in practice, never recursive.
bool Matches(std::string_view pattern, std::string_view name) {
  std::size_t p = 0, n = 0, starAt = std::string_view::npos, resumeAt = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starAt = p++;
      resumeAt = n;
    } else if (starAt != std::string_view::npos) {
      p = starAt + 1;
      n = ++resumeAt;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace

bool MatchesWildcard(std::string_view pattern, std::string_view name) {
  return Matches(FoldCase(pattern), FoldCase(name));
}

FolderFiles ListFolderFiles(const std::string& folder, std::string_view patterns) {
  namespace fs = std::filesystem;
  std::vector<std::string> folded;
  for (std::size_t start = 0; start <= patterns.size();) {
    std::size_t end = patterns.find(';', start);
    if (end == std::string_view::npos) end = patterns.size();
    const std::string_view pattern = patterns.substr(start, end - start);
    if (!pattern.empty()) folded.push_back(FoldCase(pattern));
    start = end + 1;
  }
  struct Entry {
    std::string key;
    std::string name;
  };
  std::vector<Entry> entries;
  FolderFiles files;
  std::error_code error;
  for (fs::directory_iterator it(folder, error); !error && it != fs::directory_iterator(); it.increment(error)) {
    std::error_code typeError;
    if (!it->is_regular_file(typeError)) continue;
    std::string name = it->path().filename().string();
    std::string key = FoldCase(name);
    if (std::any_of(folded.begin(), folded.end(), [&](const std::string& p) { return Matches(p, key); })) {
      entries.push_back({std::move(key), std::move(name)});
    }
  }
  if (error) {
    files.error = ErrnoError(error.value(), folder);
    return files;
  }
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    return a.key != b.key ? a.key < b.key : a.name < b.name;
  });
  for (Entry& entry : entries) files.names.push_back(std::move(entry.name));
  return files;
}

}  // namespace shotsweep
