#include "settings/settings_reader.h"

#include <cctype>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "base/file_names.h"
#include "base/text.h"

namespace shotsweep {
namespace {

constexpr std::string_view kEntryEnds = ",\r\n";

// The value as a whole number in [min, max]: an optional sign, digits, and an optional
// fraction after a "." that is rounded half to even. No locale takes part: the file must
// mean the same on every machine. nullopt for anything else, out of range included.
std::optional<std::int64_t> ToWholeNumber(std::string_view text, std::int64_t min,
                                          std::int64_t max) {
  std::size_t i = 0;
  const bool negative = i < text.size() && text[i] == '-';
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;

  // Far beyond every field's range, yet far from overflowing while digits are added.
  constexpr std::int64_t kCap = std::int64_t{1} << 40;
  std::int64_t magnitude = 0;
  bool anyDigit = false;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    anyDigit = true;
    if (magnitude < kCap) magnitude = magnitude * 10 + (text[i] - '0');
  }

  int firstFractionDigit = 0;
  bool moreAfterFirst = false;  // a non-zero digit after the first fraction digit
  if (i < text.size() && text[i] == '.') {
    ++i;
    for (std::size_t k = 0; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++k) {
      anyDigit = true;
      if (k == 0) {
        firstFractionDigit = text[i] - '0';
      } else if (text[i] != '0') {
        moreAfterFirst = true;
      }
    }
  }
  if (!anyDigit || i != text.size()) return std::nullopt;

  const bool half = firstFractionDigit == 5 && !moreAfterFirst;
  if (firstFractionDigit > 5 || (firstFractionDigit == 5 && moreAfterFirst) ||
      (half && magnitude % 2 == 1)) {
    ++magnitude;
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (value < min || value > max) return std::nullopt;
  return value;
}

void Store(std::string_view value, std::int32_t& field) {
  using Limits = std::numeric_limits<std::int32_t>;
  if (const auto number = ToWholeNumber(value, Limits::min(), Limits::max())) field = static_cast<std::int32_t>(*number);
}

// A flag's value is a 16-bit whole number, and only exactly 1 sets it: "KillBat=2" clears it,
// and a value that is no such number leaves it as it was.
void StoreFlag(std::string_view value, bool& flag) {
  using Limits = std::numeric_limits<std::int16_t>;
  if (const auto number = ToWholeNumber(value, Limits::min(), Limits::max())) flag = *number == 1;
}

// The extensions of an ExtraRAW value: separated by commas, semicolons or blanks.
std::vector<std::string> SplitKinds(std::string_view value) {
  std::vector<std::string> kinds;
  std::size_t start = 0;
  while (start < value.size()) {
    std::size_t end = value.find_first_of(",; \t", start);
    if (end == std::string_view::npos) end = value.size();
    if (end > start) kinds.emplace_back(value.substr(start, end - start));
    start = end + 1;
  }
  return kinds;
}

void ApplyEntry(std::string_view entry, Settings& s) {
  const std::size_t equals = entry.find('=');
  if (equals == std::string_view::npos || equals == 0) return;
  // The key is compared as written: "KillBat =1" names no setting.
  const std::string_view key = entry.substr(0, equals);
  const std::string_view value = Trim(entry.substr(equals + 1), " ");
  if (key == "KillBat") {
    StoreFlag(value, s.deleteScripts);
  } else if (key == "QMark") {
    StoreFlag(value, s.quoteEveryPath);
  } else if (key == "RAWCodePage") {
    Store(value, s.codePage);
  } else if (key == "Trash") {
    StoreFlag(value, s.trash);
  } else if (key == "Confirm") {
    StoreFlag(value, s.confirm);
  } else if (key == "Jobs") {
    Store(value, s.extractionJobs);
  }
  // "Timer" is a known key that sets nothing; every other key is ignored alike.
}

std::string ToLowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

// Why a sidecar extension cannot be used, or nullopt.
std::optional<std::string> SidecarKindProblem(std::string_view kind, const std::vector<std::string>& taken) {
  if (kind.empty() || kind.size() > 8) return "a sidecar extension has 1 to 8 letters or digits";
  for (const char c : kind) {
    if (!std::isalnum(static_cast<unsigned char>(c))) return "a sidecar extension has 1 to 8 letters or digits";
  }
  const std::string lower = ToLowerAscii(kind);
  if (lower == "jpg" || lower == "jpeg" || lower == "jpe") return "JPG files are never touched by a cleanup";
  for (const std::string& t : taken) {
    if (t == lower) return "it is listed twice";
  }
  return std::nullopt;
}

}  // namespace

std::vector<std::string> ParseSettings(std::string_view bytes, Settings& s) {
  // The two list keys: "ExtraRAW=cr3,dng", "Sidecars=xmp,pp3". The entries after one on its
  // line that hold no "=" are more of its list; a later entry of the same key replaces it.
  std::vector<std::string> extra;
  std::vector<std::string> sidecars;
  bool extraGiven = false;
  bool sidecarsGiven = false;
  std::vector<std::string>* goesOn = nullptr;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    while (pos < bytes.size() && (bytes[pos] == ' ' || bytes[pos] == '\t')) ++pos;
    if (pos == bytes.size()) break;

    std::string_view entry;
    const bool quoted = bytes[pos] == '"';
    if (quoted) {
      // A quoted entry may hold commas and line ends; it runs to the next quote (or to the
      // end of the file when there is none), and what follows that quote up to the entry's
      // end is dropped.
      const std::size_t close = bytes.find('"', pos + 1);
      entry = bytes.substr(pos + 1, close == std::string_view::npos ? close : close - pos - 1);
      pos = close == std::string_view::npos ? bytes.size() : bytes.find_first_of(kEntryEnds, close + 1);
    } else {
      const std::size_t end = bytes.find_first_of(kEntryEnds, pos);
      entry = bytes.substr(pos, end == std::string_view::npos ? end : end - pos);
      pos = end;
    }
    const std::size_t equals = entry.find('=');
    const std::string_view key = equals == std::string_view::npos ? std::string_view() : entry.substr(0, equals);
    if (key == "ExtraRAW" || key == "Sidecars") {
      std::vector<std::string>& list = key == "ExtraRAW" ? extra : sidecars;
      (key == "ExtraRAW" ? extraGiven : sidecarsGiven) = true;
      list = SplitKinds(entry.substr(equals + 1));
      goesOn = quoted ? nullptr : &list;
    } else if (equals == std::string_view::npos && goesOn != nullptr) {
      for (std::string& kind : SplitKinds(entry)) goesOn->push_back(std::move(kind));
    } else {
      ApplyEntry(entry, s);
      goesOn = nullptr;
    }
    // An unclosed quote runs to the end of the file: nothing follows it.
    if (pos >= bytes.size()) break;
    if (bytes[pos] != ',') goesOn = nullptr;
    ++pos;  // past the comma or line-end character; an empty entry in between is no entry
  }
  std::vector<std::string> warnings;
  if (extraGiven) {
    s.extraRawKinds.clear();
    for (const std::string& kind : extra) {
      if (const auto problem = ExtraKindProblem(kind, s.extraRawKinds)) {
        warnings.push_back("ExtraRAW: \"" + EscapeControls(kind) + "\" is ignored: " + *problem + ".");
      } else {
        s.extraRawKinds.push_back(ToLowerAscii(kind));
      }
    }
  }
  if (sidecarsGiven) {
    s.sidecarKinds.clear();
    for (const std::string& kind : sidecars) {
      if (const auto problem = SidecarKindProblem(kind, s.sidecarKinds)) {
        warnings.push_back("Sidecars: \"" + EscapeControls(kind) + "\" is ignored: " + *problem + ".");
      } else {
        s.sidecarKinds.push_back(ToLowerAscii(kind));
      }
    }
  }
  return warnings;
}

std::vector<std::string> ReadSettingsFile(FileSystem& fs, const std::string& file, Settings& s) {
  std::string bytes;
  if (fs.ReadFile(file, bytes)) {
    // What was read before a failure counts, but not an entry it may have cut short.
    const std::size_t lastEnd = bytes.find_last_of(kEntryEnds);
    bytes.resize(lastEnd == std::string::npos ? 0 : lastEnd + 1);
  }
  return ParseSettings(bytes, s);
}

std::vector<std::string> ReadSettingsIn(FileSystem& fs, std::string_view startFolder, Settings& s) {
  return ReadSettingsFile(fs, JoinUnchanged(startFolder, kSettingsFileName), s);
}

}  // namespace shotsweep
