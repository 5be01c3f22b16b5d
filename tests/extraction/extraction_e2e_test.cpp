// The extraction run for real: the command writes Extr.bat, shotsweep-batch runs it, and
// Debian's exiv2 and exiftool do the work on RAW-like files made here.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>

#include "platform/posix_script_runner.h"
#include "extraction/extraction_command.h"
#include "extraction/extraction_report.h"
#include "settings/settings.h"
#include "tests/support/disk.h"
#include "tests/support/raw_like_file.h"
#include "tests/support/temp_folder.h"

namespace shotsweep {
namespace {

namespace fs = std::filesystem;
using testing::DecodedSize;
using testing::RawLikeFile;
using testing::ReadFile;
using testing::Snapshot;
using testing::TempFolder;

std::string ShellQuoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// What a tool prints on standard output.
std::string Capture(const std::string& commandLine) {
  std::string out;
  if (std::FILE* pipe = ::popen((commandLine + " 2>/dev/null").c_str(), "r")) {
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    ::pclose(pipe);
  }
  return out;
}

// File name -> "Make|Model" of every JPG in `folder`, as exiftool reads them back.
std::map<std::string, std::string> MakeAndModel(const std::string& folder) {
  std::map<std::string, std::string> out;
  const std::string table =
      Capture("exiftool -T -ext jpg -FileName -Make -Model " + ShellQuoted(folder));
  std::size_t at = 0;
  while (at < table.size()) {
    const std::size_t end = table.find('\n', at);
    const std::string line = table.substr(at, end - at);
    at = end == std::string::npos ? table.size() : end + 1;
    const std::size_t tab1 = line.find('\t');
    const std::size_t tab2 = line.find('\t', tab1 + 1);
    if (tab2 == std::string::npos) continue;
    out[line.substr(0, tab1)] = line.substr(tab1 + 1, tab2 - tab1 - 1) + "|" + line.substr(tab2 + 1);
  }
  return out;
}

bool AnyFileMatching(const std::string& folder, const std::string& needle) {
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().filename().string().find(needle) != std::string::npos) return true;
  }
  return false;
}

struct Extraction {
  std::string startFolder;
  Settings settings;
  PosixScriptRunner runner;
  CommandResult result;
  ExtractionResult extraction;

  void Extract(const std::string& raw, const std::string& jpg, bool exif = false, std::size_t jobs = 0) {
    extraction = ExtractPreviews({raw, jpg, startFolder, exif, jobs}, settings, runner, testing::TestDisk());
    result = extraction.command;
  }
  void ExpectDone() const {
    ASSERT_TRUE(result.errors.empty()) << result.errors[0].Text();
    EXPECT_TRUE(result.done());
  }
};

TEST(ExtractionWithTheRealTools, EveryRawKindGetsItsLargestPreviewWithItsExif) {
  TempFolder t;
  const std::string raw = t.MakeDir("RAW").string();
  const std::string jpg = t.MakeDir("JPG").string();
  struct Shot {
    std::string name;
    RawLikeFile file;
    std::string jpgName;
  };
  const std::vector<Shot> shots = {
      {"A.nef", {"NIKON CORPORATION", "NIKON D90", 200, {{160, 120}, {640, 480}, {1024, 768}}}, "A.jpg"},
      {"B.NEF", {"NIKON", "D7000", 400, {{96, 64}, {320, 240}, {800, 600}, {1200, 800}}}, "B.jpg"},
      {"C.cr2", {"Canon", "Canon EOS 5D", 800, {{160, 120}, {480, 320}}}, "C.jpg"},
      {"D.arw", {"SONY", "ILCE-7M3", 100, {{640, 480}, {160, 120}, {1616, 1080}}}, "D.jpg"},
      {"E.orf", {"OLYMPUS", "E-M1", 1600, {{160, 120}, {720, 540}, {400, 300}}}, "E.jpg"},
      // exiv2 names this one's previews trip.day1-preview*.jpg; the JPG takes the base name.
      {"trip.day1.nef", {"FUJIFILM", "X-T4", 320, {{160, 120}, {300, 200}}}, "trip.jpg"},
  };
  for (const Shot& shot : shots) testing::WriteRawLikeFile(raw + "/" + shot.name, shot.file);
  const auto rawBefore = Snapshot(raw);

  Extraction run;
  run.startFolder = t.MakeDir("start").string();
  run.Extract(raw, jpg, true);
  run.ExpectDone();

  const auto tags = MakeAndModel(jpg);
  for (const Shot& shot : shots) {
    SCOPED_TRACE(shot.name);
    testing::PreviewSize largest{0, 0};
    for (auto p : shot.file.previews) {
      if (p.width * p.height > largest.width * largest.height) largest = p;
    }
    const testing::PreviewSize got = DecodedSize(jpg + "/" + shot.jpgName);
    EXPECT_EQ(got.width, largest.width);
    EXPECT_EQ(got.height, largest.height);
    EXPECT_EQ(tags.count(shot.jpgName) ? tags.at(shot.jpgName) : "(none)",
              shot.file.make + "|" + shot.file.model);
    // The dumps are exiv2's own output for the RAW file.
    const std::string base = shot.jpgName.substr(0, shot.jpgName.size() - 4);
    const std::string rawPath = ShellQuoted(raw + "/" + shot.name);
    const std::string values = ReadFile(jpg + "/" + base + ".txt");
    EXPECT_NE(values.find(shot.file.model), std::string::npos);
    EXPECT_EQ(values, Capture("exiv2 -pv " + rawPath));
    EXPECT_EQ(ReadFile(jpg + "/" + base + ".asc"), Capture("exiv2 -pt " + rawPath));
  }
  EXPECT_EQ(Snapshot(raw), rawBefore);  // no previews left, RAW files untouched
  EXPECT_FALSE(AnyFileMatching(jpg, "_original"));
}

TEST(ExtractionWithTheRealTools, QuotedPathsToolsInTheStartFolderAndFilesWithoutPreviews) {
  TempFolder t;
  const std::string raw = t.MakeDir("My Shoot/RAW 1").string();
  const std::string jpg = t.MakeDir("My Shoot/JPG").string();
  const std::string start = t.MakeDir("Start Folder").string();
  fs::create_symlink("/usr/bin/exiv2", start + "/exiv2");
  fs::create_symlink("/usr/bin/exiftool", start + "/exiftool");

  testing::WriteRawLikeFile(raw + "/sp ace 100%.nef", {"Make A", "Model A", 100, {{160, 120}, {500, 375}}});
  // One preview only (the thumbnail), which -ep2,3,4 never takes, and none at all: an
  // earlier JPG of that name must survive both, EXIF and all.
  testing::WriteRawLikeFile(raw + "/thumbonly.cr2", {"Make B", "Model B", 200, {{160, 120}}});
  testing::WriteRawLikeFile(raw + "/bare.arw", {"Make C", "Model C", 200, {}});
  const std::string keep = testing::JpegImage({50, 40}, 7);
  t.Write("My Shoot/JPG/thumbonly.jpg", keep);
  t.Write("My Shoot/JPG/bare.jpg", keep);
  t.Write("My Shoot/JPG/other.jpg_original", "the user's");

  Extraction run;
  run.startFolder = start;
  run.Extract(raw, jpg);
  run.ExpectDone();
  // An earlier JPG is left alone: those two RAW files are not worked on at all.
  EXPECT_EQ(RowTexts(run.extraction.rows),
            (std::vector<std::string>{"bare.arw: already had a JPG", "sp ace 100%.nef: JPG made, 500\u00d7375",
                                      "thumbonly.cr2: already had a JPG"}));
  EXPECT_TRUE(run.extraction.AllWell());

  const std::string script = ReadFile(start + "/Extr.bat");
  EXPECT_NE(script.find("\"" + start + "/exiv2\" -f -l \"" + start + "/Extr-previews-"), std::string::npos) << script;
  EXPECT_NE(script.find(" -ep2,3,4 \"" + raw + "/sp ace 100%%.nef\""), std::string::npos) << script;
  EXPECT_EQ(script.find("thumbonly"), std::string::npos) << script;

  EXPECT_EQ(DecodedSize(jpg + "/sp ace 100%.jpg").width, 500);
  EXPECT_EQ(MakeAndModel(jpg)["sp ace 100%.jpg"], "Make A|Model A");
  EXPECT_EQ(ReadFile(jpg + "/thumbonly.jpg"), keep);
  EXPECT_EQ(ReadFile(jpg + "/bare.jpg"), keep);
  EXPECT_FALSE(fs::exists(jpg + "/sp ace 100%.txt"));  // EXIF not ticked: no dumps
  EXPECT_FALSE(AnyFileMatching(raw, "-preview"));
  // exiftool keeps no backup, and the user's own is left alone.
  EXPECT_EQ(ReadFile(jpg + "/other.jpg_original"), "the user's");
  for (const auto& entry : fs::directory_iterator(start)) EXPECT_FALSE(entry.is_directory()) << entry.path();
}

TEST(ExtractionWithTheRealTools, CancelStopsAfterTheFilesUnderWayAndTellsWhatWasDone) {
  TempFolder t;
  const std::string raw = t.MakeDir("RAW").string();
  const std::string jpg = t.MakeDir("JPG").string();
  constexpr int kFiles = 12;
  for (int i = 0; i < kFiles; ++i) {
    testing::WriteRawLikeFile(raw + "/DSC_" + std::to_string(100 + i) + ".nef",
                              {"MAKE", "MODEL", 100, {{160, 120}, {320, 240}}});
  }
  Extraction run;
  run.startFolder = t.MakeDir("start").string();
  bool asked = false;
  // Cancel once about one file is done, as a user's click would.
  run.runner.onProgress = [&](ScriptProcess& process) {
    if (!asked && process.done() > 9) asked = process.Stop();
  };
  run.Extract(raw, jpg, false, 2);
  ASSERT_TRUE(asked);
  ASSERT_TRUE(run.result.errors.empty()) << run.result.errors[0].Text();
  EXPECT_TRUE(run.extraction.stopped);
  EXPECT_FALSE(run.extraction.AllWell());

  ASSERT_EQ(run.extraction.rows.size(), static_cast<std::size_t>(kFiles));
  std::size_t made = 0;
  bool cancelledSeen = false;
  for (const ExtractionRow& row : run.extraction.rows) {
    SCOPED_TRACE(row.Text());
    const bool there = fs::exists(jpg + "/" + row.rawName.substr(0, 7) + ".jpg");
    if (row.outcome == ExtractionRow::Outcome::JpgMade) {
      EXPECT_FALSE(cancelledSeen) << "the files done come first, in script order";
      EXPECT_EQ(row.reason, "JPG made, 320\u00d7240");
      EXPECT_TRUE(there);
      ++made;
    } else {
      EXPECT_EQ(row.reason, "not done: cancelled before this file");
      EXPECT_FALSE(there);
      cancelledSeen = true;
    }
  }
  EXPECT_GE(made, 1u);
  EXPECT_LT(made, static_cast<std::size_t>(kFiles));
  EXPECT_EQ(run.extraction.counts.made, made);
  EXPECT_EQ(Snapshot(run.startFolder).size(), 1u) << "the previews' folder is gone";
}

}  // namespace
}  // namespace shotsweep
