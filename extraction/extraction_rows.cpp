#include "extraction/extraction_rows.h"

#include "base/text.h"
#include "extraction/extraction_script.h"

namespace shotsweep {
namespace {

using Outcome = ExtractionRow::Outcome;

const BlockReport* FindBlock(const ScriptOutcome& outcome, std::size_t number) {
  for (const BlockReport& block : outcome.blocks) {
    if (block.number == number) return &block;
  }
  return nullptr;
}

const BlockReport::Program* FindProgram(const BlockReport* block, std::size_t offset) {
  if (block == nullptr) return nullptr;
  for (const BlockReport::Program& program : block->programs) {
    if (program.line == block->firstLine + offset) return &program;
  }
  return nullptr;
}

// exiftool's reason in one line: "Error: Not a valid JPG" says no more than "Not a valid JPG".
std::string ExiftoolReason(const BlockReport::Program& exiftool) {
  std::string_view reason = exiftool.firstError;
  if (reason.starts_with("Error: ")) reason.remove_prefix(7);
  if (reason.empty()) return "exiftool ended with status " + std::to_string(exiftool.exitStatus);
  return std::string(reason);
}

ExtractionRow RowOfBlock(const std::string& rawName, const BlockReport* block, const BlockShape& shape,
                         const JpgAfterRun& jpg, bool stopped) {
  const BlockReport::Program* exiv2 = FindProgram(block, shape.extract);
  const BlockReport::Program* exiftool = FindProgram(block, shape.exiftool);
  const auto row = [&](Outcome outcome, std::string reason) { return ExtractionRow{rawName, outcome, std::move(reason)}; };
  if (jpg.there) {
    if (exiftool && exiftool->exitStatus != 0) {
      return row(Outcome::ExifNotCopied, "EXIF not copied: " + ExiftoolReason(*exiftool));
    }
    // Cut off between the copy and exiftool: the JPG is there, its EXIF may not be.
    if (block && !block->ended && !exiftool) return row(Outcome::ExifNotCopied, "EXIF not copied: the run ended first");
    return row(Outcome::JpgMade, jpg.size ? "JPG made, " + PixelSizeText(*jpg.size) : "JPG made");
  }
  if (block == nullptr) {
    return row(Outcome::NotReached, stopped ? "not done: cancelled before this file"
                                            : "not done: the run ended before this file");
  }
  if (exiv2 && exiv2->exitStatus == 127) return row(Outcome::Unreadable, "exiv2 could not be started");
  if (exiv2 && exiv2->exitStatus != 0) return row(Outcome::Unreadable, "exiv2 cannot read this file");
  if (!block->ended) return row(Outcome::NotReached, "not done: the run ended during this file");
  // exiftool runs only when a JPG preview came out, so the copy onto the JPG failed.
  if (exiftool) return row(Outcome::NotWritten, "JPG not written (see Details)");
  return row(Outcome::NoPreview, "no preview in the file");
}

}  // namespace

std::string ExtractionRow::Text() const { return EscapeControls(rawName + ": " + reason); }

std::vector<ExtractionRow> ExtractionRows(const std::vector<ExtractionTarget>& plan, const ScriptOutcome& outcome,
                                          const RunFacts& facts) {
  const BlockShape shape = ExtractionBlockShape(facts.exif);
  std::vector<ExtractionRow> rows;
  rows.reserve(plan.size());
  std::size_t block = 0;
  for (const ExtractionTarget& file : plan) {
    switch (file.kind) {
      case ExtractionTarget::Kind::HasJpg:
        rows.push_back({file.rawName, Outcome::HadJpg, "already had a JPG"});
        break;
      case ExtractionTarget::Kind::JpgNameTaken:
        rows.push_back({file.rawName, Outcome::NameTaken, file.other + " in the JPG folder is not a file"});
        break;
      case ExtractionTarget::Kind::SameNameAs:
        rows.push_back({file.rawName, Outcome::SameName, "same name as " + file.other});
        break;
      case ExtractionTarget::Kind::Extract: {
        const JpgAfterRun jpg = block < facts.jpgs.size() ? facts.jpgs[block] : JpgAfterRun{};
        ++block;
        rows.push_back(RowOfBlock(file.rawName, FindBlock(outcome, block), shape, jpg, facts.stopped));
        break;
      }
    }
  }
  return rows;
}

ExtractionCounts CountRows(const std::vector<ExtractionRow>& rows) {
  ExtractionCounts counts;
  counts.all = rows.size();
  for (const ExtractionRow& row : rows) {
    counts.made += row.outcome == Outcome::JpgMade;
    counts.had += row.outcome == Outcome::HadJpg;
  }
  return counts;
}

std::string CountsText(const ExtractionCounts& counts) {
  std::string text = std::to_string(counts.made) + " of " + std::to_string(counts.all) +
                     (counts.all == 1 ? " RAW file" : " RAW files") + " got a JPG.";
  if (counts.had > 0) text += "\n" + std::to_string(counts.had) + " already had a JPG, left as it was.";
  const std::size_t none = counts.all - counts.made - counts.had;
  if (none > 0) text += "\n" + std::to_string(none) + (none == 1 ? " has" : " have") + " no JPG.";
  return text;
}

}  // namespace shotsweep
