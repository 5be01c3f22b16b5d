// The cleanup record reader (ParseCleanupRecord) over any "RAWnames.txt", and its writer.
//
// Input: the file's bytes. Its pieces (split at NUL bytes) are also taken, a flag byte then
// three names at a time, as the entries of a record to write and read back.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/cleanup_record.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_input.h"

namespace shotsweep {
namespace {

// A record that reads is exactly what the writer makes of it, but for LF line ends: nothing
// is skipped, trimmed or guessed on the way.
void CheckFile(std::string_view text) {
  CleanupRecord record;
  if (ParseCleanupRecord(text, record)) return;
  FUZZ_CHECK(!CleanupRecordProblem(record));
  std::string crlf;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) crlf += '\r';
    crlf += text[i];
  }
  FUZZ_CHECK(FormatCleanupRecord(record) == crlf);
}

// A record without a problem reads back as itself; one with a problem never does.
void CheckRecord(std::string_view rest) {
  CleanupRecord record;
  record.state = fuzz::TakeByte(rest) & 1 ? CleanupRecord::State::Finished : CleanupRecord::State::Running;
  while (!rest.empty()) {
    const unsigned flags = fuzz::TakeByte(rest);
    const auto action = static_cast<PlannedAction>(flags & 3);
    const std::string first(fuzz::TakePiece(rest));
    const std::string second(fuzz::TakePiece(rest));
    if (flags & 4) {
      record.sidecars.push_back({action, first, second});
    } else {
      record.raws.push_back({action, first, second});
    }
  }
  const bool problem = CleanupRecordProblem(record).has_value();
  CleanupRecord read;
  const bool same = !ParseCleanupRecord(FormatCleanupRecord(record), read) && read == record;
  FUZZ_CHECK(problem != same);
}

}  // namespace
}  // namespace shotsweep

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return shotsweep::fuzz::CheckText(data, size, shotsweep::CheckFile, shotsweep::CheckRecord);
}
