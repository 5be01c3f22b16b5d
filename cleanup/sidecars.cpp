#include "cleanup/sidecars.h"

#include <algorithm>
#include <cctype>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "base/file_names.h"

namespace shotsweep {
namespace {

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
  return lower;
}

// The name up to its last dot: what S.xmp and the photo programs call the shot.
std::string_view Stem(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? name : name.substr(0, dot);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

using Index = std::unordered_map<std::string_view, std::vector<std::size_t>>;

}  // namespace

std::vector<FoundSidecar> FindSidecars(const std::vector<std::string>& files,
                                       const std::vector<SidecarOwner>& owners,
                                       const std::vector<std::string>& kinds) {
  std::unordered_set<std::string> kindSet;
  for (const std::string& kind : kinds) kindSet.insert(Lower(kind));
  const bool xmp = kindSet.count("xmp") > 0;

  Index byName;  // S.E -> the owners of that RAW name
  Index byStem;  // S -> the owners whose RAW name is S.something
  std::unordered_set<std::string_view> ownerFiles;    // what the owners are called in the folder
  std::unordered_set<std::string_view> rawStems;      // stems of every RAW or set-aside file
  std::unordered_set<std::string_view> unknownStems;  // stems of set-aside files of unknown name
  for (std::size_t i = 0; i < owners.size(); ++i) {
    const SidecarOwner& owner = owners[i];
    if (!owner.name.empty()) {
      byName[owner.name].push_back(i);
      byStem[Stem(owner.name)].push_back(i);
      rawStems.insert(Stem(owner.name));
    } else {
      unknownStems.insert(Stem(owner.present));
    }
    ownerFiles.insert(owner.present);
    rawStems.insert(Stem(owner.present));
  }
  // A JPG file in the RAW folder may own S.xmp as much as its RAW twin does.
  std::unordered_set<std::string_view> jpgStems;
  for (const std::string& file : files) {
    if (IsJpgName(file)) jpgStems.insert(Stem(file));
  }

  std::vector<FoundSidecar> found;
  for (const std::string& file : files) {
    if (ownerFiles.count(file)) continue;
    const std::size_t dot = file.rfind('.');
    if (dot == std::string::npos || dot == 0 || !kindSet.count(Lower(std::string_view(file).substr(dot + 1)))) {
      continue;
    }
    const std::string_view prefix = std::string_view(file).substr(0, dot);
    const bool isXmp = Lower(std::string_view(file).substr(dot + 1)) == "xmp";

    // A set-aside file whose RAW name is not known might be S.E for any E: whatever could be
    // its sidecar stays.
    bool blocked = unknownStems.count(prefix) > 0;
    for (std::size_t p = prefix.find('.'); !blocked && p != std::string_view::npos; p = prefix.find('.', p + 1)) {
      blocked = unknownStems.count(prefix.substr(0, p)) > 0;
    }
    if (blocked) continue;

    std::vector<std::size_t> claimants;
    auto claim = [&](const Index& index, std::string_view key) {
      const auto it = index.find(key);
      if (it != index.end()) claimants.insert(claimants.end(), it->second.begin(), it->second.end());
    };
    claim(byName, prefix);  // S.E.k
    if (xmp && isXmp) {
      if (jpgStems.count(prefix)) continue;
      claim(byStem, prefix);  // S.xmp
      // S_NN.E.xmp: a second version of S.E made in the photo program, unless S_NN.E is a
      // shot of its own.
      const std::size_t last = prefix.rfind('.');
      if (last != std::string_view::npos && last >= 3) {
        const std::string_view version = prefix.substr(0, last);
        const std::size_t n = version.size();
        if (version[n - 3] == '_' && IsDigit(version[n - 2]) && IsDigit(version[n - 1]) && !rawStems.count(version)) {
          claim(byName, std::string(version.substr(0, n - 3)) + std::string(prefix.substr(last)));
        }
      }
    }
    if (claimants.empty()) continue;
    if (std::any_of(claimants.begin(), claimants.end(),
                    [&](std::size_t i) { return owners[i].fate == SidecarOwner::Kept; })) {
      continue;
    }
    // One that stays set aside keeps it where it is; otherwise it leaves with the first owner.
    const auto aside = std::find_if(claimants.begin(), claimants.end(),
                                    [&](std::size_t i) { return owners[i].fate == SidecarOwner::SetAside; });
    found.push_back({file, aside != claimants.end() ? *aside : claimants.front()});
  }
  return found;
}

}  // namespace shotsweep
