// The rows an extraction reports, from the interpreter's reports on its blocks, and the JPEG
// header they read the size from.

#include "extraction/extraction_rows.h"

#include <gtest/gtest.h>

#include <string>

#include "extraction/extraction_report.h"
#include "extraction/extraction_script.h"
#include "extraction/jpeg_size.h"
#include "tests/support/scripted_dialogs.h"

namespace shotsweep {
namespace {

using Outcome = ExtractionRow::Outcome;
using Kind = ExtractionTarget::Kind;

std::string Segment(unsigned marker, const std::string& payload) {
  const std::size_t length = payload.size() + 2;
  return std::string{'\xFF', static_cast<char>(marker), static_cast<char>(length >> 8), static_cast<char>(length & 0xFF)} +
         payload;
}
// A frame header payload: precision, height, width, one component.
std::string Frame(unsigned width, unsigned height) {
  return std::string{8, static_cast<char>(height >> 8), static_cast<char>(height & 0xFF), static_cast<char>(width >> 8),
                     static_cast<char>(width & 0xFF), 1, 1, 0x11, 0};
}
const std::string kSoi = "\xFF\xD8";

TEST(JpegPixelSize, ReadsTheFrameHeaderPastOtherSegments) {
  const std::string app = Segment(0xE1, "Exif\0\0 a long metadata block");
  const std::string dht = Segment(0xC4, std::string(20, '\x01'));  // shares the SOF range, is no frame
  EXPECT_EQ(JpegPixelSize(kSoi + app + dht + Segment(0xC0, Frame(160, 120)) + "\xFF\xDA"), (PixelSize{160, 120}));
  EXPECT_EQ(JpegPixelSize(kSoi + Segment(0xC2, Frame(6000, 4000))), (PixelSize{6000, 4000}));  // progressive
  // Fill bytes before a marker, and a restart marker, which has no length.
  EXPECT_EQ(JpegPixelSize(kSoi + "\xFF\xFF\xFF\xD0" + Segment(0xC1, Frame(1, 65535))), (PixelSize{1, 65535}));
  EXPECT_EQ(PixelSizeText({160, 120}), "160\u00d7120");
}

TEST(JpegPixelSize, NothingForWhatIsNoJpegOrIsCutShort) {
  const std::string whole = kSoi + Segment(0xE0, "JFIF") + Segment(0xC0, Frame(640, 480));
  for (std::size_t cut = 0; cut < whole.size(); ++cut) {
    EXPECT_EQ(JpegPixelSize(whole.substr(0, cut)), std::nullopt) << cut;
  }
  EXPECT_EQ(JpegPixelSize("II*\0" + whole), std::nullopt);                                   // a TIFF
  EXPECT_EQ(JpegPixelSize(kSoi + Segment(0xDA, "scan") + Segment(0xC0, Frame(9, 9))), std::nullopt);
  EXPECT_EQ(JpegPixelSize(kSoi + Segment(0xC0, Frame(640, 0))), std::nullopt);              // height after the scan
  EXPECT_EQ(JpegPixelSize(kSoi + "\xFF\xE0\x00\x01" + Segment(0xC0, Frame(9, 9))), std::nullopt);  // length < 2
  EXPECT_EQ(JpegPixelSize(kSoi + "junk" + Segment(0xC0, Frame(9, 9))), std::nullopt);
}

// A block's report as the interpreter gives it for the plain (no EXIF) shape.
BlockReport Block(std::size_t number, int exiv2Status, std::optional<int> exiftoolStatus = std::nullopt,
                  std::string exiftoolError = {}) {
  const BlockShape shape = ExtractionBlockShape(false);
  BlockReport block;
  block.number = number;
  block.firstLine = 2 + (number - 1) * shape.lines;
  block.ended = true;
  block.programs.push_back({block.firstLine + shape.extract, exiv2Status, "Warning: something", ""});
  if (exiftoolStatus) block.programs.push_back({block.firstLine + shape.exiftool, *exiftoolStatus, exiftoolError, ""});
  return block;
}

TEST(ExtractionRows, EachRawFileIsToldInListOrderWithItsReason) {
  const std::vector<ExtractionTarget> plan = {
      {"a.nef", Kind::Extract, ""},    {"had.nef", Kind::HasJpg, "had.JPG"}, {"b.nef", Kind::Extract, ""},
      {"a.cr2", Kind::SameNameAs, "a.nef"}, {"c.nef", Kind::Extract, ""},    {"d.nef", Kind::Extract, ""},
      {"e.nef", Kind::Extract, ""},    {"f.nef", Kind::Extract, ""},
  };
  ScriptOutcome outcome;
  // Reports come in script order; the rows must take each by its number, not its place.
  outcome.blocks = {Block(1, 0, 0), Block(2, 0), Block(3, 1), Block(4, 0, 1, "Error: Not a valid JPG"),
                    Block(5, 0, 0)};
  outcome.blocks[4].ended = false;
  RunFacts facts;
  facts.jpgs = {{true, PixelSize{160, 120}}, {}, {}, {true, PixelSize{9, 9}}, {true, std::nullopt}, {}};
  const std::vector<ExtractionRow> rows = ExtractionRows(plan, outcome, facts);
  const std::vector<std::string> want = {
      "a.nef: JPG made, 160\u00d7120",
      "had.nef: already had a JPG",
      "b.nef: no preview in the file",
      "a.cr2: same name as a.nef",
      "c.nef: exiv2 cannot read this file",
      "d.nef: EXIF not copied: Not a valid JPG",
      "e.nef: JPG made",  // exiftool did its part; the run ended after it
      "f.nef: not done: the run ended before this file",
  };
  EXPECT_EQ(RowTexts(rows), want);

  const ExtractionCounts counts = CountRows(rows);
  EXPECT_EQ(counts.made, 2u);
  EXPECT_EQ(counts.had, 1u);
  EXPECT_FALSE(counts.EveryRawFileHasJpg());
  EXPECT_EQ(CountsText(counts), "2 of 8 RAW files got a JPG.\n1 already had a JPG, left as it was.\n5 have no JPG.");
}

TEST(ExtractionRows, ACutOrStoppedRunSaysSo) {
  const std::vector<ExtractionTarget> plan = {{"a.nef", Kind::Extract, ""}, {"b.nef", Kind::Extract, ""},
                                              {"c.nef", Kind::Extract, ""}, {"d\n.nef", Kind::SameNameAs, "d\r.nef"}};
  ScriptOutcome outcome;
  outcome.blocks = {Block(1, 0), Block(2, 0)};
  outcome.blocks[1].ended = false;  // ended between exiv2 and the copies
  RunFacts facts;
  facts.stopped = true;
  facts.jpgs = {{true, PixelSize{1, 1}}, {}, {}};
  // A JPG copied but cut off before exiftool: there, but not what was asked.
  outcome.blocks[0].ended = false;
  const auto rows = ExtractionRows(plan, outcome, facts);
  EXPECT_EQ(rows[0].Text(), "a.nef: EXIF not copied: the run ended first");
  EXPECT_EQ(rows[1].Text(), "b.nef: not done: the run ended during this file");
  EXPECT_EQ(rows[2].Text(), "c.nef: not done: cancelled before this file");
  // A row stays one line, whatever a name holds.
  EXPECT_EQ(rows[3].Text().find_first_of("\r\n"), std::string::npos) << rows[3].Text();
}

TEST(ShowExtractionResult, OperationDoneOnlyWhenEveryRawFileHasItsJpg) {
  ExtractionResult result;
  result.command.MarkDone();
  result.rows = {{"a.nef", Outcome::JpgMade, "JPG made"}, {"b.nef", Outcome::HadJpg, "already had a JPG"}};
  result.counts = CountRows(result.rows);
  result.transcript = "the script's output";
  testing::ScriptedDialogs well;
  ShowExtractionResult(well, result);
  ASSERT_EQ(well.reports.size(), 1u);
  EXPECT_EQ(well.reports[0].text, "Operation done");
  EXPECT_EQ(well.reports[0].title, "RAW Preview Images generated");
  EXPECT_EQ(well.reports[0].icon, MessageIcon::Information);
  EXPECT_EQ(well.reports[0].rows, RowTexts(result.rows));
  EXPECT_EQ(well.reports[0].details, "the script's output");

  // Cancelled with every file done so far made: still no "done".
  result.stopped = true;
  testing::ScriptedDialogs stopped;
  ShowExtractionResult(stopped, result);
  ASSERT_EQ(stopped.reports.size(), 1u);
  EXPECT_EQ(stopped.reports[0].icon, MessageIcon::Warning);
  EXPECT_NE(stopped.reports[0].text.find("Cancelled"), std::string::npos);

  result.stopped = false;
  result.rows.push_back({"c.nef", Outcome::NoPreview, "no preview in the file"});
  result.counts = CountRows(result.rows);
  testing::ScriptedDialogs some;
  ShowExtractionResult(some, result);
  ASSERT_EQ(some.messages.size(), 1u);
  EXPECT_EQ(some.messages[0].text, "1 of 3 RAW files got a JPG.\n1 already had a JPG, left as it was.\n1 has no JPG.");
  EXPECT_EQ(some.messages[0].icon, MessageIcon::Warning);

  // Failed before any script ran: the error box alone.
  ExtractionResult failed;
  failed.command = CommandResult::Failed(CommandError{2, "exiv2 was found neither in /x nor on PATH"});
  testing::ScriptedDialogs error;
  ShowExtractionResult(error, failed);
  ASSERT_EQ(error.messages.size(), 1u);
  EXPECT_EQ(error.messages[0].title, "Error");
}

}  // namespace
}  // namespace shotsweep
