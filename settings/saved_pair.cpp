#include "settings/saved_pair.h"

#include "base/text.h"

namespace shotsweep {
std::string SavedPairPath(std::string_view startFolder, char sep) {
  return JoinUnchanged(startFolder, kSavedPairFileName, sep);
}

std::string FormatSavedPair(const SavedPair& pair) {
  std::string text;
  for (const std::string* record : {&pair.rawDrive, &pair.rawFolder, &pair.jpgDrive, &pair.jpgFolder}) {
    text += *record;
    text += kLineEnd;
  }
  return text;
}

SavedPair ParseSavedPair(std::string_view text) {
  SavedPair pair;
  std::string* records[] = {&pair.rawDrive, &pair.rawFolder, &pair.jpgDrive, &pair.jpgFolder};
  std::size_t pos = 0;
  for (std::string* record : records) {
    if (pos >= text.size()) break;
    const std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) {
      *record = text.substr(pos);
      break;
    }
    *record = text.substr(pos, end - pos);
    pos = end + 1;
    if (text[end] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
  }
  return pair;
}

std::optional<SavedPair> ReadSavedPair(FileSystem& fs, const std::string& path) {
  std::string text;
  if (fs.ReadFile(path, text)) return std::nullopt;
  return ParseSavedPair(text);
}

std::optional<CommandError> WriteSavedPair(FileSystem& fs, const std::string& path, const SavedPair& pair) {
  return fs.WriteFile(path, FormatSavedPair(pair));
}

}  // namespace shotsweep
