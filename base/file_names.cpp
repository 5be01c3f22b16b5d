#include "base/file_names.h"

#include <algorithm>
#include <cctype>

namespace shotsweep {

std::optional<std::string> FileExtension(std::string_view name) {
  // A dot in first place marks a hidden-style name, not an extension, so the search starts
  // at the second byte. Dots are single bytes in UTF-8, so byte positions are safe here.
  const std::size_t dot = name.size() < 2 ? std::string_view::npos : name.find('.', 1);
  if (dot == std::string_view::npos) return std::nullopt;
  return std::string(name.substr(dot + 1));
}

std::string FileBaseName(std::string_view name) {
  const std::optional<std::string> extension = FileExtension(name);
  if (!extension) return {};
  return std::string(name.substr(0, name.size() - extension->size() - 1));
}

const std::vector<RawKind>& DefaultRawKinds() {
  static const std::vector<RawKind> kinds{
      {".nef", ".nbak"}, {".cr2", ".cbak"}, {".crw", ".wbak"}, {".arw", ".abak"}, {".orf", ".obak"}};
  return kinds;
}

std::vector<RawKind> RawKindsWith(const std::vector<std::string>& extra) {
  std::vector<RawKind> kinds = DefaultRawKinds();
  for (const std::string& extension : extra) kinds.push_back({"." + extension, "." + extension + "bak"});
  return kinds;
}

std::vector<RawKind> RestoreRawKinds(const std::vector<std::string>& extra) {
  // Extensions of camera RAW files in use today, lower case. The five with a short aside
  // extension of their own are in DefaultRawKinds.
  static constexpr std::string_view kCameraRaw[] = {
      "nrw", "cr3", "srf", "sr2", "rw2", "raf", "dng", "pef", "srw", "x3f", "3fr", "iiq", "erf", "mef", "mos",
      "mrw", "kdc", "dcr", "raw", "rwl", "nwr", "rwz", "k25", "dcs", "fff", "gpr", "ari", "bay", "cap", "eip",
      "mdc", "obm", "ptx", "pxn", "r3d"};
  std::vector<RawKind> kinds = RawKindsWith(extra);
  for (std::string_view extension : kCameraRaw) {
    const std::string dotted = "." + std::string(extension);
    const std::string aside = dotted + "bak";
    // An extra kind of the settings may itself be named like one of these set aside.
    const bool taken = std::any_of(kinds.begin(), kinds.end(), [&](const RawKind& k) {
      return k.extension == dotted || k.extension == aside || k.aside == dotted;
    });
    if (!taken) kinds.push_back({dotted, aside});
  }
  return kinds;
}

bool LooksSetAside(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return false;
  const std::string_view extension = name.substr(dot + 1);
  if (extension.size() < 4 || extension.size() > 11) return false;
  const std::string_view kind = extension.substr(0, extension.size() - 3);
  auto lower = [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); };
  const std::string_view suffix = extension.substr(extension.size() - 3);
  if (lower(suffix[0]) != 'b' || lower(suffix[1]) != 'a' || lower(suffix[2]) != 'k') return false;
  if (IsJpgExtension(kind)) return false;
  return std::all_of(kind.begin(), kind.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)); });
}

std::optional<std::string> ExtraKindProblem(std::string_view extension, const std::vector<std::string>& accepted) {
  if (extension.empty() || extension.size() > 8 ||
      !std::all_of(extension.begin(), extension.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)); })) {
    return "it is not 1 to 8 letters or digits";
  }
  std::string folded(extension);
  std::transform(folded.begin(), folded.end(), folded.begin(), [](char c) { return std::tolower(static_cast<unsigned char>(c)); });
  if (IsJpgExtension(folded)) return "JPG files are never touched by a cleanup";
  // The cleanup's own scripts and record, which a kind of that name would set aside.
  if (folded == "bat" || folded == "txt") return "Shotsweep writes files of that kind itself";
  for (const RawKind& kind : RawKindsWith(accepted)) {
    const std::string_view own = std::string_view(kind.extension).substr(1);
    const std::string_view aside = std::string_view(kind.aside).substr(1);
    if (folded == own) return "it is a RAW kind already";
    if (folded == aside) return "it is the set-aside extension of ." + std::string(own);
    if (folded + "bak" == own) return "its set-aside extension would be ." + std::string(own);
    if (folded + "bak" == aside) return "its set-aside extension would be that of ." + std::string(own);
  }
  return std::nullopt;
}

std::string RawListPattern(const std::vector<std::string>& extra) {
  std::string pattern = "*.nef;*.cr*;*.arw;*.orf";
  for (const std::string& extension : extra) pattern += ";*." + extension;
  return pattern;
}

bool IsJpgExtension(std::string_view extension) {
  return std::any_of(kJpgExtensions.begin(), kJpgExtensions.end(), [&](std::string_view jpg) {
    return extension.size() == jpg.size() &&
           std::equal(jpg.begin(), jpg.end(), extension.begin(),
                      [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
  });
}

bool IsJpgName(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  return dot != std::string_view::npos && IsJpgExtension(name.substr(dot + 1));
}

}  // namespace shotsweep
