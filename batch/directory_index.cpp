#include "batch/directory_index.h"

#include <algorithm>
#include <climits>

#include "base/case_folding.h"

namespace shotsweep::batch {

DirectoryIndex::DirectoryIndex(FileSystem& fs, const std::string& realPath) : path_(realPath), stamp_(fs.Stamp(realPath)) {
  std::vector<DirEntry> entries;
  if (fs.List(realPath, entries)) return;
  ok_ = true;
  byFolded_.reserve(entries.size());
  // A folder holds each name once: no need to look for it first.
  for (DirEntry& e : entries) {
    std::string folded = FoldCase(e.name);
    byFolded_.emplace(std::move(folded), std::move(e));
  }
}

DirectoryIndex::Range DirectoryIndex::Variants(std::string_view name) const {
  return byFolded_.equal_range(FoldCase(name));
}

const DirEntry* DirectoryIndex::Find(std::string_view name) const {
  const DirEntry* first = nullptr;
  for (auto [it, end] = Variants(name); it != end; ++it) {
    const DirEntry& e = it->second;
    if (e.name == name) return &e;
    if (!first || e.name < first->name) first = &e;
  }
  return first;
}

const DirEntry* DirectoryIndex::FindDir(std::string_view name) const {
  const DirEntry* first = nullptr;
  for (auto [it, end] = Variants(name); it != end; ++it) {
    const DirEntry& e = it->second;
    if (!e.isDir) continue;
    if (e.name == name) return &e;
    if (!first || e.name < first->name) first = &e;
  }
  return first;
}

bool DirectoryIndex::HasOtherThan(std::string_view name, std::string_view except) const {
  const auto [begin, end] = Variants(name);
  return std::any_of(begin, end, [&](const auto& entry) { return entry.second.name != except; });
}

std::vector<DirEntry> DirectoryIndex::Match(const NamePattern& pattern) const {
  // Sorted as pointers, copied once in order.
  std::vector<const DirEntry*> matches;
  for (const auto& [folded, entry] : byFolded_) {
    if (pattern.Matches(folded)) matches.push_back(&entry);
  }
  std::sort(matches.begin(), matches.end(), [](const DirEntry* a, const DirEntry* b) { return a->name < b->name; });
  std::vector<DirEntry> found;
  found.reserve(matches.size());
  for (const DirEntry* e : matches) found.push_back(*e);
  return found;
}

void DirectoryIndex::Add(std::string_view name, bool isDir) {
  std::string folded = FoldCase(name);
  auto [it, end] = byFolded_.equal_range(folded);
  for (; it != end; ++it) {
    if (it->second.name == name) {
      it->second.isDir = isDir;
      return;
    }
  }
  byFolded_.emplace(std::move(folded), DirEntry{std::string(name), isDir});
}

void DirectoryIndex::Remove(std::string_view name) {
  for (auto [it, end] = byFolded_.equal_range(FoldCase(name)); it != end; ++it) {
    if (it->second.name == name) {
      byFolded_.erase(it);
      return;
    }
  }
}

DirectoryIndex* DirectoryCache::Get(const std::string& realDir) {
  auto it = indexes_.find(realDir);
  if (it == indexes_.end()) it = indexes_.emplace(realDir, std::make_unique<DirectoryIndex>(fs_, realDir)).first;
  return it->second->ok() ? it->second.get() : nullptr;
}

std::optional<std::string> DirectoryCache::ResolveDirectory(const std::string& path) {
  // The system opens no path this long, and every step below copies a part of it: a path of
  // a million components must cost no more than one it can open.
  if (path.size() >= PATH_MAX) return std::nullopt;
  // Climb to the nearest folder that is known or exists as written. Only the folders below it,
  // where the spelling differs, are then read: a file named where a folder could be (the
  // target of a copy) must not cost a reading of every folder above it. A loop rather than
  // recursion, since the script sets the depth.
  std::vector<std::size_t> below;  // ends of the prefixes still to resolve, deepest first
  std::size_t end = path.size();
  std::string real;
  while (true) {
    const std::string prefix = path.substr(0, end);
    if (auto it = resolved_.find(prefix); it != resolved_.end()) {
      real = it->second;
      break;
    }
    if (fs_.IsDirectory(prefix)) {
      real = prefix;
      resolved_[prefix] = real;
      break;
    }
    const std::size_t slash = prefix.rfind('/');
    if (slash == std::string::npos || prefix == "/") return std::nullopt;
    below.push_back(end);
    end = slash == 0 ? 1 : slash;
  }
  while (!below.empty()) {
    const std::size_t prefixEnd = below.back();
    below.pop_back();
    const std::size_t slash = path.rfind('/', prefixEnd - 1);
    const std::string_view name = std::string_view(path).substr(slash + 1, prefixEnd - slash - 1);
    DirectoryIndex* index = Get(real);
    const DirEntry* entry = index ? index->FindDir(name) : nullptr;
    if (!entry) return std::nullopt;
    real = JoinPath(real, entry->name);
    resolved_[path.substr(0, prefixEnd)] = real;
  }
  return real;
}

bool DirectoryIndex::Unchanged(FileSystem& fs) const {
  if (!stamp_ || stamp_->tooRecent) return false;
  const auto now = fs.Stamp(path_);
  return now && now->SameFolderUnchanged(*stamp_);
}

void DirectoryCache::KeepUnchanged() {
  ++generation_;
  resolved_.clear();
  std::erase_if(indexes_, [this](const auto& entry) { return !entry.second->Unchanged(fs_); });
}

void DirectoryCache::Forget() {
  ++generation_;
  indexes_.clear();
  resolved_.clear();
}

namespace {

// Whether a path is as the scripts write it: absolute, no "." or ".." part, no doubled or
// trailing separator.
bool IsNormal(std::string_view path) {
  if (path.empty() || path[0] != '/') return false;
  if (path.size() == 1) return true;
  if (path.back() == '/') return false;
  for (std::size_t i = 0; i + 1 < path.size(); ++i) {
    if (path[i] == '/' && (path[i + 1] == '/' || path[i + 1] == '.')) return false;
  }
  return true;
}

}  // namespace

std::string NormalizePath(std::string_view cwd, std::string_view path) {
  std::string out;
  NormalizePath(cwd, path, out);
  return out;
}

void NormalizePath(std::string_view cwd, std::string_view path, std::string& out) {
  if (IsNormal(path)) {
    out.assign(path);
    return;
  }
  std::vector<std::string_view> parts;
  auto addComponents = [&parts](std::string_view text) {
    size_t start = 0;
    while (start <= text.size()) {
      size_t end = text.find('/', start);
      if (end == std::string_view::npos) end = text.size();
      const std::string_view part = text.substr(start, end - start);
      if (part == "..") {
        if (!parts.empty()) parts.pop_back();
      } else if (!part.empty() && part != ".") {
        parts.push_back(part);
      }
      start = end + 1;
    }
  };
  if (path.empty() || path.front() != '/') addComponents(cwd);
  addComponents(path);
  std::string normal;
  for (std::string_view part : parts) {
    normal += '/';
    normal += part;
  }
  out = normal.empty() ? "/" : std::move(normal);
}

std::pair<std::string_view, std::string_view> SplitLastView(std::string_view normalized) {
  const size_t slash = normalized.rfind('/');
  return {slash == 0 ? std::string_view("/") : normalized.substr(0, slash), normalized.substr(slash + 1)};
}

std::pair<std::string, std::string> SplitLast(const std::string& normalized) {
  const auto [dir, name] = SplitLastView(normalized);
  return {std::string(dir), std::string(name)};
}

std::string JoinPath(std::string_view dir, std::string_view name) {
  std::string out;
  JoinPath(dir, name, out);
  return out;
}

void JoinPath(std::string_view dir, std::string_view name, std::string& out) {
  out.assign(dir);
  if (out.empty() || out.back() != '/') out += '/';
  out += name;
}

}  // namespace shotsweep::batch
