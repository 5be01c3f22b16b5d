#include "settings/settings_reader.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "base/file_names.h"
#include "base/text.h"
#include "settings/settings_entries.h"

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

constexpr std::string_view kFlagValues = "a flag is 1 (on) or 0 (off)";

// Stores a whole number in the 32-bit field; why it could not, or nullopt.
std::optional<std::string> Store(std::string_view value, std::int32_t& field) {
  using Limits = std::numeric_limits<std::int32_t>;
  const auto number = ToWholeNumber(value, Limits::min(), Limits::max());
  if (!number) return "is ignored: it is no whole number from -2147483648 to 2147483647";
  field = static_cast<std::int32_t>(*number);
  return std::nullopt;
}

// A flag's value is a 16-bit whole number, and only exactly 1 sets it: "KillBat=2" clears it,
// and a value that is no such number leaves it as it was. Either of these is told, so that a
// user who asked for a safety does not go without it unawares.
std::optional<std::string> StoreFlag(std::string_view value, bool& flag) {
  using Limits = std::numeric_limits<std::int16_t>;
  const auto number = ToWholeNumber(value, Limits::min(), Limits::max());
  if (!number) return "is ignored: " + std::string(kFlagValues);
  flag = *number == 1;
  if (*number == 0 || *number == 1) return std::nullopt;
  return "counts as 0 (off): " + std::string(kFlagValues);
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

constexpr std::string_view kKnownKeys[] = {"KillBat", "QMark", "RAWCodePage", "Trash", "Confirm", "ExtraRAW", "Sidecars"};

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// The setting a key that names none was most likely meant for: the same but for case or blanks
// around it ("confirm", "QMark "). Other keys may belong to another program or version and
// are passed over quietly.
std::optional<std::string_view> MeantKey(std::string_view key) {
  const std::string_view bare = Trim(key, " \t");
  for (const std::string_view known : kKnownKeys) {
    if (key != known && SameIgnoringCase(bare, known)) return known;
  }
  return std::nullopt;
}

// Applies one entry that is neither a list nor part of one; why it was not taken as written,
// or nullopt.
std::optional<std::string> ApplyEntry(std::string_view entry, Settings& s) {
  const std::size_t equals = entry.find('=');
  if (equals == std::string_view::npos || equals == 0) return std::nullopt;
  // The key is compared as written: "KillBat =1" names no setting.
  const std::string_view key = entry.substr(0, equals);
  const std::string_view value = Trim(entry.substr(equals + 1), " ");
  std::optional<std::string> problem;
  if (key == "KillBat") {
    problem = StoreFlag(value, s.deleteScripts);
  } else if (key == "QMark") {
    problem = StoreFlag(value, s.quoteEveryPath);
  } else if (key == "RAWCodePage") {
    problem = Store(value, s.codePage);
  } else if (key == "Trash") {
    problem = StoreFlag(value, s.trash);
  } else if (key == "Confirm") {
    problem = StoreFlag(value, s.confirm);
  } else if (key == "Jobs") {
    problem = Store(value, s.extractionJobs);
  } else if (const auto meant = MeantKey(key)) {
    return "\"" + EscapeControls(entry) + "\" is ignored: the key is written \"" + std::string(*meant) +
           "\", in that case and with no blank before the \"=\".";
  }
  // "Timer" is a known key that sets nothing; every other key is ignored alike, without a word.
  if (!problem) return std::nullopt;
  return std::string(key) + ": \"" + EscapeControls(value) + "\" " + *problem + ".";
}

std::string ToLowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

// Why a sidecar extension cannot be used, or nullopt.
// A sidecar leaves with its RAW file, so a RAW kind or a set-aside kind as a sidecar would let
// one RAW file take another with it.
std::optional<std::string> SidecarKindProblem(std::string_view kind, const std::vector<std::string>& taken,
                                              const std::vector<std::string>& extraRawKinds) {
  if (kind.empty() || kind.size() > 8) return "a sidecar extension has 1 to 8 letters or digits";
  for (const char c : kind) {
    if (!std::isalnum(static_cast<unsigned char>(c))) return "a sidecar extension has 1 to 8 letters or digits";
  }
  const std::string lower = ToLowerAscii(kind);
  if (IsJpgExtension(lower)) return "JPG files are never touched by a cleanup";
  for (const RawKind& raw : RawKindsWith(extraRawKinds)) {
    if ("." + lower == raw.extension || "." + lower == raw.aside) return "it is a RAW kind, or a set-aside one";
  }
  for (const std::string& t : taken) {
    if (t == lower) return "it is listed twice";
  }
  return std::nullopt;
}

}  // namespace

std::string_view SettingsEntry::Key(std::string_view bytes) const {
  const std::string_view text = Text(bytes);
  const std::size_t equals = text.find('=');
  return equals == std::string_view::npos ? std::string_view() : text.substr(0, equals);
}

std::size_t SettingsEntry::ValueBegin(std::string_view bytes) const {
  const std::size_t equals = Text(bytes).find('=');
  return equals == std::string_view::npos ? std::string_view::npos : begin + equals + 1;
}

bool IsListKey(std::string_view key) { return key == "ExtraRAW" || key == "Sidecars"; }

std::vector<SettingsEntry> SplitSettingsEntries(std::string_view bytes) {
  std::vector<SettingsEntry> entries;
  bool listGoesOn = false;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    while (pos < bytes.size() && (bytes[pos] == ' ' || bytes[pos] == '\t')) ++pos;
    if (pos == bytes.size()) break;

    SettingsEntry entry;
    entry.quoted = bytes[pos] == '"';
    if (entry.quoted) {
      // A quoted entry may hold commas and line ends; it runs to the next quote (or to the
      // end of the file when there is none), and what follows that quote up to the entry's
      // end is dropped.
      const std::size_t close = bytes.find('"', pos + 1);
      entry.unclosed = close == std::string_view::npos;
      entry.begin = pos + 1;
      entry.end = entry.unclosed ? bytes.size() : close;
      pos = entry.unclosed ? bytes.size() : std::min(bytes.find_first_of(kEntryEnds, close + 1), bytes.size());
    } else {
      entry.begin = pos;
      pos = std::min(bytes.find_first_of(kEntryEnds, pos), bytes.size());
      entry.end = pos;
    }
    entry.stop = pos;
    const std::string_view key = entry.Key(bytes);
    if (IsListKey(key)) {
      listGoesOn = !entry.quoted;
    } else if (entry.Text(bytes).find('=') == std::string_view::npos && listGoesOn) {
      entry.continues = true;
    } else {
      listGoesOn = false;
    }
    entries.push_back(entry);
    // An unclosed quote runs to the end of the file: nothing follows it.
    if (pos >= bytes.size()) break;
    if (bytes[pos] != ',') listGoesOn = false;
    ++pos;  // past the comma or line-end character
  }
  return entries;
}

std::vector<std::string> ParseSettings(std::string_view bytes, Settings& s) {
  // The two list keys: "ExtraRAW=cr3,dng", "Sidecars=xmp,pp3". A later entry of the same key
  // replaces the list.
  std::vector<std::string> extra;
  std::vector<std::string> sidecars;
  bool extraGiven = false;
  bool sidecarsGiven = false;
  std::vector<std::string>* goesOn = nullptr;
  std::vector<std::string> warnings;
  for (const SettingsEntry& found : SplitSettingsEntries(bytes)) {
    const std::string_view entry = found.Text(bytes);
    const std::string_view key = found.Key(bytes);
    if (IsListKey(key)) {
      std::vector<std::string>& list = key == "ExtraRAW" ? extra : sidecars;
      (key == "ExtraRAW" ? extraGiven : sidecarsGiven) = true;
      list = SplitKinds(entry.substr(key.size() + 1));
      goesOn = &list;
    } else if (found.continues && goesOn != nullptr) {
      for (std::string& kind : SplitKinds(entry)) goesOn->push_back(std::move(kind));
    } else if (auto warning = ApplyEntry(entry, s)) {
      warnings.push_back(std::move(*warning));
    }
  }
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
      if (const auto problem = SidecarKindProblem(kind, s.sidecarKinds, s.extraRawKinds)) {
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

std::string SettingsPath(std::string_view startFolder) { return JoinUnchanged(startFolder, kSettingsFileName); }

std::vector<std::string> ReadSettingsIn(FileSystem& fs, std::string_view startFolder, Settings& s) {
  return ReadSettingsFile(fs, SettingsPath(startFolder), s);
}

}  // namespace shotsweep
