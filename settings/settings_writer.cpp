#include "settings/settings_writer.h"

#include <algorithm>
#include <cerrno>

#include "base/text.h"
#include "settings/settings_entries.h"
#include "settings/settings_reader.h"

namespace shotsweep {
namespace {

std::string Joined(const std::vector<std::string>& kinds) {
  std::string text;
  for (const std::string& kind : kinds) text += (text.empty() ? "" : ",") + kind;
  return text;
}

// The line end the file already uses, so an appended line matches the lines above it; the
// program's own for a file that has none yet.
std::string_view LineEndOf(std::string_view bytes) {
  const std::size_t at = bytes.find_first_of("\r\n");
  if (at == std::string_view::npos) return kLineEnd;
  if (bytes[at] == '\n') return "\n";
  return at + 1 < bytes.size() && bytes[at + 1] == '\n' ? std::string_view("\r\n") : std::string_view("\r");
}

}  // namespace

std::vector<SettingValue> ChangedSettings(const Settings& before, const Settings& after) {
  std::vector<SettingValue> changed;
  const auto flag = [&](const char* key, bool Settings::*field) {
    if (before.*field != after.*field) changed.push_back({key, after.*field ? "1" : "0"});
  };
  flag("Trash", &Settings::trash);
  flag("Confirm", &Settings::confirm);
  flag("KillBat", &Settings::deleteScripts);
  flag("QMark", &Settings::quoteEveryPath);
  if (before.codePage != after.codePage) changed.push_back({"RAWCodePage", std::to_string(after.codePage)});
  if (before.extraRawKinds != after.extraRawKinds) changed.push_back({"ExtraRAW", Joined(after.extraRawKinds)});
  // Which sidecar kinds the file's list gives depends on the RAW kinds, so a new RAW list
  // writes the sidecar list out as well.
  if (before.sidecarKinds != after.sidecarKinds || before.extraRawKinds != after.extraRawKinds) {
    changed.push_back({"Sidecars", Joined(after.sidecarKinds)});
  }
  return changed;
}

std::vector<std::string> SettingValueProblems(std::string_view key, std::string_view value, Settings& s) {
  // These would end the entry, or start another, where the value was meant to go on.
  const std::string_view ends = IsListKey(key) ? "\"=\r\n" : "\",=\r\n";
  if (value.find_first_of(ends) != std::string_view::npos) {
    return {std::string(key) + ": \"" + EscapeControls(value) + "\" cannot be written: it holds " +
            (IsListKey(key) ? "a quote, an \"=\" or a line end." : "a quote, a comma, an \"=\" or a line end.")};
  }
  return ParseSettings(std::string(key) + "=" + std::string(value), s);
}

std::string WithSettings(std::string_view bytes, const std::vector<SettingValue>& values) {
  const std::vector<SettingsEntry> entries = SplitSettingsEntries(bytes);
  struct Edit {
    std::size_t from, to;
    std::string_view text;
  };
  std::vector<Edit> edits;
  std::string appended;
  const std::string_view lineEnd = LineEndOf(bytes);
  for (std::size_t v = 0; v < values.size(); ++v) {
    const SettingValue& value = values[v];
    // Given twice, the later value is the one meant.
    if (std::any_of(values.begin() + v + 1, values.end(), [&](const SettingValue& o) { return o.key == value.key; }))
      continue;
    std::size_t last = entries.size();
    for (std::size_t i = 0; i < entries.size(); ++i) {
      if (entries[i].Key(bytes) == value.key) last = i;
    }
    if (last == entries.size()) {
      appended.append(value.key).append("=").append(value.value).append(lineEnd);
      continue;
    }
    const SettingsEntry& entry = entries[last];
    std::size_t from = entry.ValueBegin(bytes);
    std::size_t to = entry.end;
    // The blanks around the value are the user's layout.
    while (from < to && bytes[from] == ' ') ++from;
    while (to > from && bytes[to - 1] == ' ') --to;
    if (IsListKey(value.key)) {
      // The new list replaces the old one whole, its continuing entries too.
      for (std::size_t k = last + 1; k < entries.size() && entries[k].continues; ++k) to = entries[k].stop;
    }
    edits.push_back({from, to, value.value});
  }
  std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.from > b.from; });
  std::string out(bytes);
  for (const Edit& edit : edits) out.replace(edit.from, edit.to - edit.from, edit.text);

  if (!appended.empty()) {
    // An unclosed quote would take in the lines below it: it is closed where the file ends,
    // which is where it ended anyway.
    const std::vector<SettingsEntry> now = SplitSettingsEntries(out);
    if (!now.empty() && now.back().unclosed) out += '"';
    if (!out.empty() && out.back() != '\r' && out.back() != '\n') out += lineEnd;
    out += appended;
  }
  return out;
}

std::optional<CommandError> SaveSettings(FileSystem& fs, const std::string& file,
                                         const std::vector<SettingValue>& values) {
  std::string bytes;
  if (auto error = fs.ReadFile(file, bytes)) {
    if (error->number != ENOENT) return error;
    bytes.clear();
  }
  if (values.empty()) return std::nullopt;
  return fs.WriteFile(file, WithSettings(bytes, values));
}

}  // namespace shotsweep
