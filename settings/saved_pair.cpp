#include "settings/saved_pair.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <system_error>

#include "platform/files.h"

namespace fs = std::filesystem;

namespace shotsweep {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

// A name no other save can be using at the same moment, even from a second Shotsweep started
// in the same folder, so two saves never write into one temporary file.
std::string TemporaryNameFor(const std::string& path) {
  std::random_device seed;
  std::ostringstream name;
  name << path << ".tmp-" << std::hex << seed() << seed();
  return name.str();
}

// A file the user made read-only keeps its content: renaming over it would need only write
// access to the folder, but the pair has always been saved by opening the file itself.
bool ExistingFileRefusesWrites(const std::string& path) {
  std::error_code ec;
  if (!fs::exists(fs::symlink_status(path, ec))) return false;
  std::ofstream probe(path, std::ios::binary | std::ios::app);
  return !probe.is_open();
}

}  // namespace

std::string SavedPairPath(std::string_view startFolder, char sep) {
  return JoinUnchanged(startFolder, kSavedPairFileName, sep);
}

std::string FormatSavedPair(const SavedPair& pair) {
  std::string text;
  for (const std::string* record : {&pair.drive1, &pair.dir1, &pair.drive2, &pair.dir2}) {
    text += *record;
    text += kLineEnd;
  }
  return text;
}

SavedPair ParseSavedPair(std::string_view text) {
  SavedPair pair;
  std::string* records[] = {&pair.drive1, &pair.dir1, &pair.drive2, &pair.dir2};
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

std::optional<SavedPair> ReadSavedPair(const std::string& path) {
  std::string text;
  if (ReadWholeFile(path, text)) return std::nullopt;
  return ParseSavedPair(text);
}

bool WriteSavedPair(const std::string& path, const SavedPair& pair) {
  if (ExistingFileRefusesWrites(path)) return false;
  const std::string temporary = TemporaryNameFor(path);
  if (WriteWholeFile(temporary, FormatSavedPair(pair))) return false;
  std::error_code ec;
  fs::rename(temporary, path, ec);
  if (ec) {
    fs::remove(temporary, ec);
    return false;
  }
  return true;
}

}  // namespace shotsweep
