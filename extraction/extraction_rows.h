#pragma once
// What became of each RAW file of an extraction, one row each, built from the plan, the
// interpreter's report on each block and the JPG folder afterwards. Pure: the command reads
// the folder, the window and the CLI show the rows.

#include <optional>
#include <string>
#include <vector>

#include "extraction/extraction_plan.h"
#include "extraction/jpeg_size.h"
#include "platform/script_runner.h"

namespace shotsweep {

struct ExtractionRow {
  enum class Outcome {
    JpgMade,
    HadJpg,
    SameName,
    NameTaken,
    NoPreview,
    Unreadable,
    ExifNotCopied,
    NotWritten,
    NotReached,
  };
  std::string rawName;
  Outcome outcome = Outcome::NotReached;
  std::string reason;  // as shown after the name

  // The RAW file has its JPG now: made by this run, or there before it.
  bool HasJpg() const { return outcome == Outcome::JpgMade || outcome == Outcome::HadJpg; }
  // "FujiFilm.raf: JPG made, 160×120", on one line whatever the names hold.
  std::string Text() const;
};

// How a RAW file's JPG looks once the run has ended.
struct JpgAfterRun {
  bool there = false;                // a regular file under the name the block wrote
  std::optional<PixelSize> size;     // what its header declares
};

struct RunFacts {
  bool exif = false;       // the shape of the blocks
  bool stopped = false;    // the run was asked to stop and did
  // One per RAW file that got a block, in block order.
  std::vector<JpgAfterRun> jpgs;
};

std::vector<ExtractionRow> ExtractionRows(const std::vector<ExtractionTarget>& plan, const ScriptOutcome& outcome,
                                          const RunFacts& facts);

struct ExtractionCounts {
  std::size_t all = 0;
  std::size_t made = 0;
  std::size_t had = 0;
  bool EveryRawFileHasJpg() const { return made + had == all; }
};
ExtractionCounts CountRows(const std::vector<ExtractionRow>& rows);

// "1 of 5 RAW files got a JPG." and, when some are not, how many already had one and how many
// have none.
std::string CountsText(const ExtractionCounts& counts);

}  // namespace shotsweep
