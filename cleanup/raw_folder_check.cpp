#include "cleanup/raw_folder_check.h"

#include <algorithm>
#include <cerrno>
#include <map>
#include <set>

#include "base/case_folding.h"
#include "base/script_names.h"
#include "cleanup/cleanup_scripts.h"
#include "base/file_names.h"

namespace shotsweep {
namespace {

struct KindMatch {
  std::size_t length;  // of the extension the name ends in
  const RawKind* kind;
  bool aside;          // the name carries the aside extension already
};

// Which RAW or set-aside extension a folded name ends in; nullopt for any other file. The
// renaming script matches "*.nef" and the like without regard to case.
std::optional<KindMatch> RawExtension(std::string_view folded, const std::vector<RawKind>& kinds) {
  for (const RawKind& kind : kinds) {
    if (folded.ends_with(kind.extension)) return KindMatch{kind.extension.size(), &kind, false};
    if (folded.ends_with(kind.aside)) return KindMatch{kind.aside.size(), &kind, true};
  }
  return std::nullopt;
}

// The name a file of one of the kinds carries once set aside (the renaming script keeps
// the name up to its last dot), folded; nullopt for any other file.
std::optional<std::string> SetAsideKey(std::string_view name, const std::vector<RawKind>& kinds) {
  const std::string folded = FoldCase(name);
  const auto match = RawExtension(folded, kinds);
  if (!match) return std::nullopt;
  return folded.substr(0, folded.size() - match->length) + std::string(match->kind->aside);
}

// "a, b and c", at most ten of them.
std::string Enumerate(const std::vector<std::string>& items) {
  constexpr std::size_t kShown = 10;
  std::string text;
  for (std::size_t i = 0; i < items.size() && i < kShown; ++i) {
    if (i > 0) text += "; ";
    text += items[i];
  }
  if (items.size() > kShown) text += "; and " + std::to_string(items.size() - kShown) + " more";
  return text;
}

CommandError Refusal(int number, const std::string& what, const std::vector<std::string>& items) {
  return CommandError{number, what + Enumerate(items) + ". Rename or move them, then run the cleanup again."};
}

}  // namespace

std::optional<CommandError> ReadRawFolder(FileSystem& fs, const std::string& folder, RawFolderListing& listing) {
  listing = {};
  // An empty path would otherwise become the root folder once a separator is appended.
  if (folder.empty()) return ErrnoError(ENOENT);
  std::vector<DirEntry> entries;
  if (auto error = fs.List(folder, entries)) return ErrnoError(error->number, folder);
  for (DirEntry& entry : entries) listing.entries.push_back({std::move(entry.name), entry.isDir});
  if (auto refused = fs.CheckAccess(folder, Access::WriteAndEnter)) return refused;
  listing.nameMax = fs.NameMax(folder);
  return std::nullopt;
}

bool IsSetAsideName(std::string_view name, const std::vector<RawKind>& kinds) {
  const auto match = RawExtension(FoldCase(name), kinds);
  return match && match->aside;
}

bool IsRawOrSetAsideName(std::string_view name, const std::vector<RawKind>& kinds) {
  return RawExtension(FoldCase(name), kinds).has_value();
}

std::vector<std::vector<std::string>> SetAsideClashes(const std::vector<std::string>& names,
                                                      const std::vector<RawKind>& kinds) {
  std::map<std::string, std::vector<std::string>> byKey;
  for (const std::string& name : names) {
    if (auto key = SetAsideKey(name, kinds)) byKey[*key].push_back(name);
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

std::optional<CommandError> CheckRawFolder(const RawFolderListing& listing, const std::vector<std::string>& keptBases,
                                           const std::vector<RawKind>& kinds) {
  std::vector<std::string> files;
  std::map<std::string, std::string> folders;  // folded name -> name
  for (const FolderEntry& entry : listing.entries) {
    if (entry.isFolder) {
      folders.emplace(FoldCase(entry.name), entry.name);
    } else {
      files.push_back(entry.name);
    }
  }

  const auto clashes = SetAsideClashes(files, kinds);
  if (!clashes.empty()) {
    std::vector<std::string> groups;
    for (const auto& group : clashes) {
      std::string text;
      for (std::size_t k = 0; k < group.size(); ++k) text += (k > 0 ? " and " : "") + group[k];
      groups.push_back(text);
    }
    return Refusal(EEXIST,
                   "These files in the RAW folder would take the same name when set aside, so the cleanup "
                   "could not tell which of them to keep: ",
                   groups);
  }

  // What the renaming script will leave set aside, by folded name; and what it cannot.
  std::set<std::string> setAside;
  std::vector<std::string> blocked, tooLong;
  for (const std::string& name : files) {
    const std::string folded = FoldCase(name);
    const auto match = RawExtension(folded, kinds);
    if (!match) continue;
    const std::string key = folded.substr(0, folded.size() - match->length) + std::string(match->kind->aside);
    setAside.insert(key);
    if (match->aside) continue;  // set aside by an earlier run: the renaming script leaves it be
    if (const auto folder = folders.find(key); folder != folders.end()) {
      blocked.push_back("the folder " + folder->second + " holds the name " + name + " is to be set aside under");
    }
    if (name.size() - match->length + match->kind->aside.size() > listing.nameMax) tooLong.push_back(name);
  }
  // A restore line names its file without regard to case, and may meet a folder of that name
  // instead; the name it gives back may be held by a folder.
  for (const std::string& base : keptBases) {
    const std::string folded = FoldCase(base);
    for (const RawKind& kind : kinds) {
      if (!setAside.count(folded + std::string(kind.aside))) continue;
      for (std::string_view extension : {kind.aside, kind.extension}) {
        if (const auto folder = folders.find(folded + std::string(extension)); folder != folders.end()) {
          blocked.push_back("the folder " + folder->second + " stands where the RAW file " + base +
                            std::string(kind.extension) + " is to be restored");
        }
      }
    }
  }
  std::sort(blocked.begin(), blocked.end());
  blocked.erase(std::unique(blocked.begin(), blocked.end()), blocked.end());
  if (!blocked.empty()) {
    return Refusal(EEXIST, "A folder in the RAW folder is named like a RAW file the cleanup would rename: ",
                   blocked);
  }
  if (!tooLong.empty()) {
    return Refusal(ENAMETOOLONG,
                   "These RAW files have names too long to be set aside (the set-aside extension is one "
                   "letter longer than the RAW extension): ",
                   tooLong);
  }
  return std::nullopt;
}

std::vector<std::string> StemsPairedByFirstDot(const std::vector<std::string>& rawNames,
                                               const std::vector<std::string>& jpgNames, char sep,
                                               bool trimLeadingBlanks, const std::vector<RawKind>& kinds) {
  // Only RAW files with more than one dot can be paired so; the sets below hold only what
  // concerns them, not every one of a list's millions of names.
  std::set<std::string> candidateStems, candidateBases;
  for (const std::string& raw : rawNames) {
    const auto match = RawExtension(FoldCase(raw), kinds);
    if (!match) continue;
    const std::string stem = raw.substr(0, raw.size() - match->length);
    const std::string base = FileBaseName(raw);
    if (base.size() >= stem.size()) continue;
    candidateStems.insert(FoldCase(stem));
    candidateBases.insert(FoldCase(base));
  }
  if (candidateStems.empty()) return {};
  // Folded base names of the single-dot JPG names, and every folded name a restore line for
  // the listed names already covers.
  std::set<std::string> singleDotBases;
  std::set<std::string> covered;
  for (const std::string& listed : jpgNames) {
    for (const std::string& base : RestoredBases(listed, sep, trimLeadingBlanks)) {
      if (std::string folded = FoldCase(base); candidateStems.count(folded)) covered.insert(std::move(folded));
    }
    std::string_view name = LastPathComponent(listed);
    for (int pass = 0; pass < (trimLeadingBlanks ? 2 : 1); ++pass) {
      if (pass == 1) {
        const std::size_t first = name.find_first_not_of(' ');
        if (first == 0 || first == std::string_view::npos) break;
        name.remove_prefix(first);
      }
      const std::string base = FileBaseName(name);
      if (!base.empty() && name.rfind('.') == base.size()) {
        if (std::string folded = FoldCase(base); candidateBases.count(folded)) singleDotBases.insert(std::move(folded));
      }
    }
  }
  std::vector<std::string> stems;
  for (const std::string& raw : rawNames) {
    const auto match = RawExtension(FoldCase(raw), kinds);
    if (!match) continue;
    const std::string stem = raw.substr(0, raw.size() - match->length);
    const std::string base = FileBaseName(raw);
    if (base.size() >= stem.size() || covered.count(FoldCase(stem))) continue;
    if (singleDotBases.count(FoldCase(base))) stems.push_back(stem);
  }
  std::sort(stems.begin(), stems.end());
  stems.erase(std::unique(stems.begin(), stems.end()), stems.end());
  return stems;
}

}  // namespace shotsweep
