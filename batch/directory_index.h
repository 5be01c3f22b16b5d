#pragma once
// What the interpreter knows of the folders it works in. Each folder is read once into an index
// of its entries by folded name; the interpreter's own renames, deletions and copies keep the
// index current, so a line that names one file costs one hash lookup, not a folder scan. After
// anything else may have changed the folders (an external program ran), only the indexes of
// folders whose stamp shows no change since their reading are kept.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "fs/file_system.h"
#include "batch/wildcard.h"

namespace shotsweep::batch {

class DirectoryIndex {
 public:
  // Reads the folder; ok() is false when it cannot be read.
  DirectoryIndex(FileSystem& fs, const std::string& realPath);
  bool ok() const { return ok_; }
  const std::string& path() const { return path_; }
  // Whether the folder has certainly not changed since it was read. The interpreter's own
  // changes, which the index follows, move the stamp as well: such a folder is read again,
  // which costs time but never leaves a stale index.
  bool Unchanged(FileSystem& fs) const;

  // The entry named `name` without regard to case: the one spelled exactly so if there is
  // one, otherwise the first case variant in byte order (so the choice never depends on the
  // order the folder happened to be read in).
  const DirEntry* Find(std::string_view name) const;
  // Like Find, but only folders count.
  const DirEntry* FindDir(std::string_view name) const;
  // An entry other than `except` whose name equals `name` without regard to case.
  bool HasOtherThan(std::string_view name, std::string_view except) const;
  // Every entry matching the pattern, sorted by name.
  std::vector<DirEntry> Match(const NamePattern& pattern) const;

  void Add(std::string_view name, bool isDir);
  void Remove(std::string_view name);

 private:
  // Every entry under its folded name: one node per entry, the case variants of a name side by
  // side.
  using Entries = std::unordered_multimap<std::string, DirEntry>;
  using Range = std::pair<Entries::const_iterator, Entries::const_iterator>;
  Range Variants(std::string_view name) const;

  std::string path_;
  std::optional<FolderStamp> stamp_;  // taken before the reading
  bool ok_ = false;
  Entries byFolded_;
};

// The indexes of every folder the interpreter has looked at, and the way from a path as a
// script writes it to the real folder.
class DirectoryCache {
 public:
  explicit DirectoryCache(FileSystem& fs) : fs_(fs) {}

  // `realDir` must be an absolute path of an existing folder; nullptr when it cannot be read.
  DirectoryIndex* Get(const std::string& realDir);
  // The real folder that an absolute, normalized path names, each component matched without
  // regard to case; nullopt when some component does not exist, or when the path is longer
  // than any the system can open (PATH_MAX).
  std::optional<std::string> ResolveDirectory(const std::string& path);
  // Drops everything: when folders were renamed.
  void Forget();
  // After an external program ran: drops every index whose folder may have changed since it
  // was read (the program list in /usr/bin stays), and every resolved path.
  void KeepUnchanged();
  // Changes with every Forget and KeepUnchanged, so whoever keeps a DirectoryIndex* can tell it
  // may be stale.
  unsigned generation() const { return generation_; }

 private:
  FileSystem& fs_;
  std::unordered_map<std::string, std::unique_ptr<DirectoryIndex>> indexes_;
  std::unordered_map<std::string, std::string> resolved_;
  unsigned generation_ = 0;
};

// `path` made absolute against `cwd`, with "." and ".." taken away and separators collapsed.
// "/" is the root; no other result ends in "/".
std::string NormalizePath(std::string_view cwd, std::string_view path);
// The same into `out`: where a buffer is kept from line to line.
void NormalizePath(std::string_view cwd, std::string_view path, std::string& out);
// The folder part and the last component of a normalized path.
std::pair<std::string, std::string> SplitLast(const std::string& normalized);
// The same as views into `normalized`.
std::pair<std::string_view, std::string_view> SplitLastView(std::string_view normalized);
std::string JoinPath(std::string_view dir, std::string_view name);
void JoinPath(std::string_view dir, std::string_view name, std::string& out);

}  // namespace shotsweep::batch
