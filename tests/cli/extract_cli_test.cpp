// shotsweep-cli extract for real: the cameras' own files (tests/data/camera-samples), Debian's
// exiv2 and exiftool, and files of the user's that the run must leave as they were.

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/unique_fd.h"
#include "cli/cli.h"
#include "extraction/jpeg_size.h"
#include "tests/cli/cli_ran.h"
#include "tests/support/disk.h"
#include "tests/support/raw_like_file.h"
#include "tests/support/temp_folder.h"

namespace shotsweep {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::Snapshot;
using testing::TempFolder;

using testing::ReadBack;
using testing::Ran;

// A shoot whose start folder lets the RAW list take DNG and RAF files too.
struct Shoot {
  TempFolder t;
  const std::string start = t.MakeDir("start").string();
  const std::string raw = t.MakeDir("RAW").string();
  const std::string jpg = t.MakeDir("JPG").string();

  Shoot() { t.Write("start/Shotsweep.ini", "ExtraRAW=dng,raf\r\n"); }
  void CopySamples() const {
    for (const auto& sample : fs::directory_iterator(SHOTSWEEP_CAMERA_SAMPLES)) {
      if (sample.path().extension() != ".md") fs::copy_file(sample.path(), raw + "/" + sample.path().filename().string());
    }
  }
  // shotsweep-cli ARGUMENTS with the start folder current, as it is run from a terminal.
  Ran Cli(std::vector<std::string> args) const {
    const UniqueFd out(::memfd_create("out", MFD_CLOEXEC)), err(::memfd_create("err", MFD_CLOEXEC));
    const fs::path before = fs::current_path();
    fs::current_path(start);
    Ran ran;
    ran.status = RunCli(args, testing::TestDisk(), out.get(), err.get(), false);
    fs::current_path(before);
    ran.out = ReadBack(out.get());
    ran.err = ReadBack(err.get());
    return ran;
  }
  std::vector<std::string> Jpgs() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(jpg)) {
      if (entry.path().extension() == ".jpg") names.push_back(entry.path().filename().string());
    }
    return names;
  }
};

TEST(ExtractCli, FiveCameraFilesOneJpgEachOtherWithItsReasonAndNothingOfTheUsersTouched) {
  Shoot s;
  s.CopySamples();
  // The user's own files where the old script deleted, hung or wrote through.
  s.t.Write("RAW/FujiFilm.txt", "the user's notes");
  s.t.Write("RAW/Nikon.asc", "the user's notes");
  s.t.Write("JPG/older.jpg_original", "the user's backup");
  const fs::path outside = s.t.Write("outside/notes.txt", "outside the shoot");
  fs::create_symlink(outside, s.jpg + "/Nikon.txt");
  testing::Fifo fifo(s.raw + "/FujiFilm-preview2.jpg");
  const auto rawBefore = Snapshot(s.raw);

  const Ran ran = s.Cli({"extract", s.raw, s.jpg, "--exif"});
  EXPECT_EQ(ran.status, 1) << ran.err;
  const std::string rows =
      "CanonRaw.cr2: no preview in the file\n"
      "CanonRaw.crw: same name as CanonRaw.cr2\n"
      "DNG.dng: no preview in the file\n"
      "FujiFilm.raf: JPG made, 160\u00d7120\n"
      "Nikon.nef: no preview in the file\n";
  EXPECT_EQ(ran.out, rows + "1 of 5 RAW files got a JPG.\n4 have no JPG.\n");

  EXPECT_EQ(s.Jpgs(), std::vector<std::string>{"FujiFilm.jpg"});
  std::string bytes = ReadFile(s.jpg + "/FujiFilm.jpg");
  EXPECT_EQ(JpegPixelSize(bytes), (PixelSize{160, 120}));
  EXPECT_NE(bytes.find("FUJIFILM"), std::string::npos) << "the RAW file's EXIF";
  EXPECT_EQ(Snapshot(s.raw), rawBefore);  // no preview left, the user's files as they were
  EXPECT_TRUE(fs::is_fifo(s.raw + "/FujiFilm-preview2.jpg"));
  EXPECT_EQ(ReadFile(s.jpg + "/older.jpg_original"), "the user's backup");
  EXPECT_EQ(ReadFile(outside), "outside the shoot");
  EXPECT_FALSE(fs::is_symlink(s.jpg + "/Nikon.txt"));
  for (const auto& entry : fs::directory_iterator(s.start)) EXPECT_FALSE(entry.is_directory()) << entry.path();

  // One worker after another tells the same, in the same order.
  fs::remove(s.jpg + "/FujiFilm.jpg");
  const Ran sequential = s.Cli({"extract", s.raw, s.jpg, "--exif", "--jobs", "1"});
  EXPECT_EQ(sequential.status, 1);
  EXPECT_EQ(sequential.out, ran.out);
}

TEST(ExtractCli, AJpgThatWasThereIsKeptAndCountsAsTheRawFilesJpg) {
  Shoot s;
  fs::copy_file(std::string(SHOTSWEEP_CAMERA_SAMPLES) + "/FujiFilm.raf", s.raw + "/FujiFilm.raf");
  testing::WriteRawLikeFile(s.raw + "/DSC_0001.nef", {"NIKON", "D90", 200, {{160, 120}, {640, 480}}});
  const std::string camera = testing::JpegImage({400, 300}, 3);
  s.t.Write("JPG/FujiFilm.JPG", camera);

  const Ran ran = s.Cli({"extract", s.raw, s.jpg, "--jobs=2"});
  EXPECT_EQ(ran.status, 0) << ran.err;
  EXPECT_EQ(ran.out,
            "DSC_0001.nef: JPG made, 640\u00d7480\n"
            "FujiFilm.raf: already had a JPG\n"
            "1 of 2 RAW files got a JPG.\n1 already had a JPG, left as it was.\n");
  EXPECT_EQ(ReadFile(s.jpg + "/FujiFilm.JPG"), camera);
  EXPECT_FALSE(fs::exists(s.jpg + "/FujiFilm.jpg"));

  const Ran bad = s.Cli({"extract", s.raw, s.jpg, "--jobs", "0"});
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.err.find("--jobs takes a number from 1 to 256"), std::string::npos) << bad.err;
}

}  // namespace
}  // namespace shotsweep
