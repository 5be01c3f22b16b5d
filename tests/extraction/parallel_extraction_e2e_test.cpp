// The extraction script run by the real shotsweep-batch with its blocks on several workers,
// against the same script run one line after another: Debian's exiv2 and exiftool, on RAW-like
// files made here and on real cameras' files (tests/data/camera-samples).

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "platform/posix_script_runner.h"
#include "extraction/extraction_script.h"
#include "tests/support/raw_like_file.h"
#include "tests/support/temp_folder.h"

namespace shotsweep {
namespace {

namespace fs = std::filesystem;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using testing::RawLikeFile;
using testing::ReadFile;
using testing::Snapshot;
using testing::TempFolder;

struct Scene {
  TempFolder t;
  const std::string raw = (t.path() / "RAW").string();
  const std::string jpg = (t.path() / "JPG").string();
  const std::string previews = (t.path() / "previews").string();
  const fs::path outside = t.Write("outside/notes.txt", "the user's own notes");
  std::vector<std::string> names;
  std::string script;

  Scene() {
    // Generated files, two of them with one base name, one without previews, one that exiv2
    // cannot read, one whose JPG exiftool will not write; then the cameras' own.
    for (int i = 0; i < 6; ++i) names.push_back("DSC_000" + std::to_string(i) + ".nef");
    for (const char* name : {"dup.nef", "dup.cr2", "bare.arw", "broken.nef", "locked.orf"}) names.push_back(name);
    for (const char* name : {"CanonRaw.cr2", "CanonRaw.crw", "DNG.dng", "FujiFilm.raf", "Nikon.nef"}) {
      names.push_back(name);
    }
    ExtractionScriptContext ctx;
    ctx.rawFolder = raw + "/";
    ctx.jpgFolder = jpg + "/";
    ctx.exiv2Path = "/usr/bin/exiv2";
    ctx.exiftoolPath = "/usr/bin/exiftool";
    ctx.previewFolder = previews + "/";
    ctx.codePage = 65001;
    ctx.exif = true;
    script = ExtractionScript(ctx, names);
  }

  // The folders as they are before each run.
  void Lay() {
    fs::remove_all(raw);
    fs::remove_all(jpg);
    fs::remove_all(previews);
    fs::create_directories(jpg);
    fs::create_directories(previews);
    fs::create_directories(raw);
    for (int i = 0; i < 6; ++i) {
      testing::WriteRawLikeFile(raw + "/" + names[i],
                                RawLikeFile{"MAKE", "MODEL " + std::to_string(i), 100 * i, {{160, 120}, {320 + 16 * i, 240}}});
    }
    testing::WriteRawLikeFile(raw + "/dup.nef", {"NIKON", "D90", 200, {{160, 120}, {640, 480}}});
    testing::WriteRawLikeFile(raw + "/dup.cr2", {"Canon", "EOS", 400, {{160, 120}, {480, 320}}});
    testing::WriteRawLikeFile(raw + "/bare.arw", {"SONY", "A7", 100, {}});
    t.Write("RAW/broken.nef", "not an image at all");
    testing::WriteRawLikeFile(raw + "/locked.orf", {"OLYMPUS", "E-M1", 800, {{160, 120}, {400, 300}}});
    t.Write("JPG/locked.jpg_exiftool_tmp", "another exiftool's work");
    for (const auto& sample : fs::directory_iterator(SHOTSWEEP_CAMERA_SAMPLES)) {
      if (sample.path().extension() != ".md") fs::copy_file(sample.path(), raw + "/" + sample.path().filename().string());
    }
    // A link planted where a metadata dump goes.
    fs::create_symlink(outside, jpg + "/dup.txt");
  }

  ScriptOutcome Run(std::size_t jobs) {
    Lay();
    const fs::path path = t.Write("Extr.bat", script);
    ScriptRequest request{path.string(), t.str(), WindowStyle::Hidden, ""};
    request.jobs = jobs;
    return PosixScriptRunner().Run(request);
  }

  const BlockReport& Block(const ScriptOutcome& outcome, const std::string& name) const {
    const std::size_t number = std::find(names.begin(), names.end(), name) - names.begin() + 1;
    for (const BlockReport& block : outcome.blocks) {
      if (block.number == number) return block;
    }
    ADD_FAILURE() << "no report for " << name;
    static const BlockReport none;
    return none;
  }
};

TEST(ParallelExtraction, OutputJpgsAndDumpsAreThoseOfOneLineAfterAnotherAndEachRawFileIsTold) {
  Scene scene;
  const ScriptOutcome sequential = scene.Run(0);
  const auto jpgs = Snapshot(scene.jpg);
  const auto raws = Snapshot(scene.raw);
  EXPECT_TRUE(sequential.blocks.empty());
  ScriptOutcome parallel;
  for (std::size_t jobs : {1, 3}) {
    SCOPED_TRACE(jobs);
    parallel = scene.Run(jobs);
    EXPECT_FALSE(parallel.error);
    EXPECT_EQ(parallel.exitStatus, sequential.exitStatus);
    EXPECT_EQ(parallel.output, sequential.output);
    EXPECT_EQ(parallel.failures, sequential.failures);
    EXPECT_EQ(Snapshot(scene.jpg), jpgs);
    EXPECT_EQ(Snapshot(scene.raw), raws);
    EXPECT_TRUE(fs::is_empty(scene.previews)) << "every preview deleted, the DNG's TIFFs too";
  }
  // The later of two RAW files with one base name wins, as one line after another has it.
  EXPECT_EQ(testing::DecodedSize(scene.jpg + "/dup.jpg").width, 480);
  EXPECT_EQ(testing::DecodedSize(scene.jpg + "/FujiFilm.jpg").width, 160);
  EXPECT_EQ(ReadFile(scene.outside), "the user's own notes");
  EXPECT_FALSE(fs::is_symlink(scene.jpg + "/dup.txt"));

  ASSERT_EQ(parallel.blocks.size(), scene.names.size());
  for (const BlockReport& block : parallel.blocks) {
    EXPECT_TRUE(block.ended);
    // exiv2 -ep, -pv and -pt always; exiftool only where a preview was extracted.
    ASSERT_GE(block.programs.size(), 3u);
    EXPECT_EQ(block.programs[0].line, block.firstLine + ExtractionBlockShape(true).extract);
  }
  // A preview made into a JPG: exiv2 names the previews the file lacks; exiftool is content.
  const BlockReport& made = scene.Block(parallel, "FujiFilm.raf");
  EXPECT_EQ(made.programs[0].exitStatus, 0);
  EXPECT_THAT(made.programs[0].firstError, EndsWith("FujiFilm.raf: Image does not have preview 3"));
  ASSERT_EQ(made.programs.size(), 4u);
  EXPECT_EQ(made.programs[3].exitStatus, 0);
  // No preview exiv2 can give: it says so and still ends with 0; exiftool is never run.
  const BlockReport& none = scene.Block(parallel, "Nikon.nef");
  EXPECT_EQ(none.programs.size(), 3u);
  EXPECT_EQ(none.programs[0].exitStatus, 0);
  EXPECT_EQ(none.programs[0].firstError, "Warning: Invalid JPEG preview image.");
  EXPECT_EQ(scene.Block(parallel, "bare.arw").programs.size(), 3u);
  // A file exiv2 cannot read: status 1, its reason on the last line.
  const BlockReport& broken = scene.Block(parallel, "broken.nef");
  EXPECT_EQ(broken.programs[0].exitStatus, 1);
  EXPECT_THAT(broken.programs[0].firstError, StartsWith("Exiv2 exception in extract action for file"));
  EXPECT_EQ(broken.programs[0].lastError, "Failed to read input data");
  // exiftool could not write the JPG: status 1 and its one-line reason.
  const BlockReport& locked = scene.Block(parallel, "locked.orf");
  ASSERT_EQ(locked.programs.size(), 4u);
  EXPECT_EQ(locked.programs[3].exitStatus, 1);
  EXPECT_THAT(locked.programs[3].firstError, StartsWith("Error: Temporary file already exists"));
}

}  // namespace
}  // namespace shotsweep
