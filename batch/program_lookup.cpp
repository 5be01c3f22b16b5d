#include "batch/program_lookup.h"

#include <vector>

#include "base/case_folding.h"

namespace shotsweep::batch {
namespace {

std::optional<std::string> FindIn(DirectoryCache& cache, const std::string& realDir, const std::string& name) {
  DirectoryIndex* index = cache.Get(realDir);
  if (!index) return std::nullopt;
  std::vector<std::string> candidates{name};
  if (name.size() > 4 && FoldCase(name.substr(name.size() - 4)) == ".exe") {
    candidates.push_back(name.substr(0, name.size() - 4));
  }
  for (const std::string& candidate : candidates) {
    const DirEntry* e = index->Find(candidate);
    if (e && !e->isDir) return JoinPath(realDir, e->name);
  }
  return std::nullopt;
}

}  // namespace

ProgramLookup FindProgram(DirectoryCache& cache, const std::string& cwd, const std::string& written,
                          const std::optional<std::string>& searchPath) {
  ProgramLookup lookup;
  if (written.find('/') != std::string::npos) {
    const auto [dir, name] = SplitLast(NormalizePath(cwd, written));
    const auto realDir = cache.ResolveDirectory(dir);
    if (!realDir) {
      lookup.folderMissing = true;
    } else {
      lookup.path = FindIn(cache, *realDir, name);
    }
    return lookup;
  }
  lookup.path = FindIn(cache, cwd, written);
  if (lookup.path || !searchPath) return lookup;
  std::size_t start = 0;
  while (start <= searchPath->size()) {
    std::size_t end = searchPath->find(':', start);
    if (end == std::string::npos) end = searchPath->size();
    const std::string dir = searchPath->substr(start, end - start);
    if (!dir.empty() && dir.front() == '/') {
      lookup.path = FindIn(cache, NormalizePath("/", dir), written);
      if (lookup.path) return lookup;
    }
    start = end + 1;
  }
  return lookup;
}

}  // namespace shotsweep::batch
