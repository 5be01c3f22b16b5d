// The folder pair reader (ParseSavedPair) over any "ShotsweepDirs.dat", and its writer.
//
// Input: the file's bytes. Its first four pieces (split at NUL bytes) are also taken as the
// four records of a pair to write and read back.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "settings/saved_pair.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_input.h"

namespace shotsweep {
namespace {

bool HoldsLineEnd(const std::string& record) { return record.find_first_of("\r\n") != std::string::npos; }

void CheckFile(std::string_view text) {
  const SavedPair pair = ParseSavedPair(text);
  for (const std::string* record : {&pair.rawDrive, &pair.rawFolder, &pair.jpgDrive, &pair.jpgFolder}) {
    FUZZ_CHECK(!HoldsLineEnd(*record));
    FUZZ_CHECK(record->size() <= text.size());
  }
  // What was read, written and read again is what was read.
  FUZZ_CHECK(ParseSavedPair(FormatSavedPair(pair)) == pair);
  // Lines after the fourth do not count.
  const std::string written = FormatSavedPair(pair);
  FUZZ_CHECK(ParseSavedPair(written + std::string(text)) == pair);
}

void CheckRecords(std::string_view rest) {
  SavedPair pair;
  for (std::string* record : {&pair.rawDrive, &pair.rawFolder, &pair.jpgDrive, &pair.jpgFolder}) {
    *record = std::string(fuzz::TakePiece(rest));
    if (HoldsLineEnd(*record)) return;
  }
  FUZZ_CHECK(ParseSavedPair(FormatSavedPair(pair)) == pair);
}

}  // namespace
}  // namespace shotsweep

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return shotsweep::fuzz::CheckText(data, size, shotsweep::CheckFile, shotsweep::CheckRecords);
}
