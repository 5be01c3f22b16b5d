#include "base/folder_reading.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include <unicode/utf8.h>

#include "base/case_folding.h"
#include "base/text.h"

namespace shotsweep {
namespace {

// How far one character reaches from `at`: a whole UTF-8 sequence, or a single stray byte.
std::size_t CharacterLength(std::string_view text, std::size_t at) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  auto i = static_cast<std::int32_t>(at);
  UChar32 code;
  U8_NEXT(bytes, i, static_cast<std::int32_t>(text.size()), code);
  return code < 0 ? 1 : static_cast<std::size_t>(i) - at;
}

// Iterative matching with one resumption point: after a "*" fails further on, it takes one
// more character and the rest of the pattern is tried again from there. Linear in practice,
// and no recursion however many stars a pattern has.
bool Glob(std::string_view pattern, std::string_view name) {
  std::size_t p = 0, n = 0;
  std::size_t starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = ++p;
      starN = n;
      continue;
    }
    if (p < pattern.size() && pattern[p] == '?') {
      ++p;
      n += CharacterLength(name, n);
      continue;
    }
    if (p < pattern.size() && pattern[p] == name[n]) {
      ++p;
      ++n;
      continue;
    }
    if (starP == std::string_view::npos) return false;
    p = starP;
    starN += CharacterLength(name, starN);
    n = starN;
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

// Eight bytes of `text` from `from` as a number that orders as the bytes do; missing bytes
// count as zero, which no name holds.
std::uint64_t BigEndian8(std::string_view text, std::size_t from) {
  std::uint64_t value = 0;
  for (std::size_t i = from; i < from + 8; ++i)
    value = (value << 8) | (i < text.size() ? static_cast<unsigned char>(text[i]) : 0u);
  return value;
}

struct SortKey {
  std::uint64_t high;  // bytes 0 to 7 of the folded name
  std::uint64_t low;   // bytes 8 to 15
  std::uint32_t index;
};

// Whether the entry is of the kind (S_IFREG, S_IFDIR), or a link to one. The type the folder
// gives usually settles it without a look at the entry itself.
bool IsOfKind(int folder, const dirent& entry, mode_t kind) {
  switch (entry.d_type) {
    case DT_REG:
      return kind == S_IFREG;
    case DT_DIR:
      return kind == S_IFDIR;
    case DT_LNK:
    case DT_UNKNOWN: {
      struct stat status;
      return ::fstatat(folder, entry.d_name, &status, 0) == 0 && (status.st_mode & S_IFMT) == kind;
    }
    default:
      return false;
  }
}

}  // namespace

NamePatterns::NamePatterns(std::string_view patterns) {
  while (!patterns.empty()) {
    const std::size_t end = patterns.find(';');
    const std::string_view pattern = Trim(patterns.substr(0, end), " \t\r\n\f\v");
    if (!pattern.empty()) patterns_.push_back(FoldCase(pattern));
    if (end == std::string_view::npos) break;
    patterns.remove_prefix(end + 1);
  }
}

bool NamePatterns::Matches(std::string_view folded) const {
  return std::any_of(patterns_.begin(), patterns_.end(),
                     [&](const std::string& pattern) { return Glob(pattern, folded); });
}

FileListing ListMatchingFiles(const std::string& folder, const NamePatterns& patterns,
                              const std::atomic<bool>& cancelled) {
  FileListing listing;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) {
    listing.error = errno;
    return listing;
  }
  // The names are read and kept as the file system's bytes: a name that is not valid text
  // turned into other bytes would make a cleanup set aside the RAW file of a JPG that is still
  // there. Hidden files count: a RAW file named ".nef" is a file like any other to the commands.
  struct Entry {
    std::string folded;
    std::string name;
  };
  std::vector<Entry> entries;
  const int fd = ::dirfd(dir);
  for (unsigned seen = 0;; ++seen) {
    if (seen % 4096 == 0 && cancelled.load(std::memory_order_relaxed)) {
      ::closedir(dir);
      return {};
    }
    errno = 0;
    const dirent* entry = ::readdir(dir);
    if (!entry) {
      listing.error = errno;
      break;
    }
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    std::string folded = FoldCase(name);
    if (!patterns.Matches(folded) || !IsOfKind(fd, *entry, S_IFREG)) continue;
    entries.push_back({std::move(folded), std::string(name)});
  }
  ::closedir(dir);
  // Half a listing is no listing.
  if (listing.error != 0) return listing;

  // Sorting moves small keys, not strings, and compares numbers: the first 16 bytes of the
  // folded name, which decide most comparisons; only keys that share them go to the names.
  std::vector<SortKey> keys;
  keys.reserve(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::string_view folded = entries[i].folded;
    keys.push_back({BigEndian8(folded, 0), BigEndian8(folded, 8), static_cast<std::uint32_t>(i)});
  }
  std::sort(keys.begin(), keys.end(), [&](const SortKey& a, const SortKey& b) {
    if (a.high != b.high) return a.high < b.high;
    if (a.low != b.low) return a.low < b.low;
    const Entry& x = entries[a.index];
    const Entry& y = entries[b.index];
    const int folded = x.folded.compare(y.folded);
    return folded != 0 ? folded < 0 : x.name < y.name;
  });
  listing.names.reserve(entries.size());
  for (const SortKey& key : keys) listing.names.push_back(std::move(entries[key.index].name));
  return listing;
}

SubfolderListing ListSubfolders(const std::string& folder, std::size_t budget, const std::atomic<bool>& cancelled) {
  SubfolderListing listing;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return listing;
  const int fd = ::dirfd(dir);
  for (std::size_t seen = 0;; ++seen) {
    if (seen == budget || (seen % 4096 == 0 && cancelled.load(std::memory_order_relaxed))) {
      listing.complete = false;
      break;
    }
    const dirent* entry = ::readdir(dir);
    if (!entry) break;
    // Hidden folders stay out of the way, as they do in a file manager; "." and ".." too.
    if (entry->d_name[0] == '.') continue;
    if (IsOfKind(fd, *entry, S_IFDIR)) listing.names.emplace_back(entry->d_name);
  }
  ::closedir(dir);
  return listing;
}

}  // namespace shotsweep
