#include "fs/folder_listing.h"

#include <cerrno>

#include "base/case_folding.h"

namespace shotsweep {

FileListing ListMatchingFiles(FileSystem& fs, const std::string& folder, const NamePatterns& patterns,
                              const std::atomic<bool>& cancelled) {
  FileListing listing;
  std::vector<DirEntry> entries;
  if (auto error = fs.List(folder, entries, ListLimits{.cancelled = &cancelled})) {
    // Half a listing is no listing; a cancelled one is nobody's.
    if (error->number != ECANCELED) listing.error = std::move(error);
    return listing;
  }
  std::vector<std::string> names;
  for (DirEntry& entry : entries) {
    if (entry.isFile && patterns.Matches(FoldCase(entry.name))) names.push_back(std::move(entry.name));
  }
  listing.names = InFileListOrder(std::move(names));
  return listing;
}

FileListing ListMatchingFiles(FileSystem& fs, const std::string& folder, const NamePatterns& patterns) {
  static const std::atomic<bool> kNeverCancelled{false};
  return ListMatchingFiles(fs, folder, patterns, kNeverCancelled);
}

SubfolderListing ListSubfolders(FileSystem& fs, const std::string& folder, std::size_t budget,
                                const std::atomic<bool>& cancelled) {
  SubfolderListing listing;
  std::vector<DirEntry> entries;
  const auto error = fs.List(folder, entries, ListLimits{budget, &cancelled});
  listing.complete = !error || error->number != ECANCELED;
  for (DirEntry& entry : entries) {
    // Hidden folders stay out of the way, as they do in a file manager.
    if (entry.isDir && entry.name[0] != '.') listing.names.push_back(std::move(entry.name));
  }
  return listing;
}

}  // namespace shotsweep
