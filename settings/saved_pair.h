#pragma once
// The folder pair the window remembers between runs: a four-line text file in the start
// folder, rewritten on every change of a drive or folder. Reading and writing never report
// an error; a pair that cannot be read is simply not applied, one that cannot be written is
// simply not saved.

#include <optional>
#include <string>
#include <string_view>

#include "base/errors.h"
#include "fs/file_system.h"
#include "settings/settings.h"

namespace shotsweep {

inline constexpr std::string_view kSavedPairFileName = "ShotsweepDirs.dat";

// The four records in file order. A record the file does not hold stays empty.
struct SavedPair {
  std::string rawDrive;  // the RAW pane's drive
  std::string rawFolder;  // the RAW pane's folder
  std::string jpgDrive;  // the JPG pane's drive
  std::string jpgFolder;  // the JPG pane's folder

  bool operator==(const SavedPair&) const = default;
};

// StartFolder joined with the file name as it stands: a root start folder gives "//name",
// which the file system takes as "/name".
std::string SavedPairPath(std::string_view startFolder, char sep = kNativeSeparator);

// The file's text: the four records, each ended by CR LF.
std::string FormatSavedPair(const SavedPair& pair);

// The first four lines of `text`, each taken whole without its line end (CR LF, LF or CR)
// and without trimming. Lines after the fourth are ignored.
SavedPair ParseSavedPair(std::string_view text);

// Records too short to name anything are skipped when the pair is applied.
inline bool IsDriveRecord(std::string_view record) { return record.size() > 1; }
inline bool IsFolderRecord(std::string_view record) { return record.size() > 2; }

// Reads the whole file before anything is applied; nullopt when it cannot be read.
std::optional<SavedPair> ReadSavedPair(FileSystem& fs, const std::string& path);

// Writes a temporary file beside `path` and renames it over `path`, so an interrupted save
// leaves either the old pair or the new one, never a cut-off file. The failure, leaving any
// old file as it was, when the file cannot be written (read-only folder or file, disk full).
std::optional<CommandError> WriteSavedPair(FileSystem& fs, const std::string& path, const SavedPair& pair);

}  // namespace shotsweep
