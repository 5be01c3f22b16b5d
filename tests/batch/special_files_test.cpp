// Names a script writes to or copies that turn out to be a link, a pipe or a device: the line
// fails or replaces the name, at once, and nothing outside the name is read or written.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "tests/batch/batch_test_run.h"
#include "tests/support/temp_folder.h"

namespace shotsweep::batch {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using shotsweep::testing::Fifo;
using shotsweep::testing::ReadFile;
using shotsweep::testing::TempFolder;
using Clock = std::chrono::steady_clock;

constexpr const char* kNotRegular = "The file is not a regular file: a pipe, device or socket is never opened.\n";

TEST(SpecialFiles, ACopyFromOrOntoAPipeOrADeviceFailsAtOnceAndTheScriptGoesOn) {
  TempFolder t;
  t.Write("RAW/a-preview3.jpg", "third");
  t.MakeDir("JPG");
  const Fifo source(t.path() / "RAW/a-preview2.jpg");
  const Fifo target(t.path() / "JPG/b.jpg");
  const std::string raw = t.str() + "/RAW/", jpg = t.str() + "/JPG/";
  const auto start = Clock::now();
  const auto r = testing::RunScript("@copy " + raw + "a-preview2.jpg " + jpg + "a.jpg /Y\r\n" +
                                        "@copy " + raw + "a-preview3.jpg " + jpg + "b.jpg /Y\r\n" +
                                        "@copy /dev/zero " + jpg + "zero.jpg\r\n" +
                                        "@copy " + raw + "a-preview3.jpg " + jpg + "a.jpg /Y\r\n",
                                    t.str());
  // The pipes' rescuer would only let a waiting open go on after five seconds.
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, std::string(kNotRegular) + kNotRegular + kNotRegular);
  EXPECT_EQ(r.out, "        0 file(s) copied.\n        0 file(s) copied.\n        0 file(s) copied.\n"
                   "        1 file(s) copied.\n");
  EXPECT_TRUE(fs::is_fifo(t.path() / "JPG/b.jpg"));
  EXPECT_FALSE(fs::exists(t.path() / "JPG/zero.jpg"));
  EXPECT_EQ(ReadFile(t.path() / "JPG/a.jpg"), "third");
}

TEST(SpecialFiles, ARedirectionReplacesALinkOrAPipeAndNeverAppendsThroughOne) {
  TempFolder t;
  const fs::path outside = t.Write("outside/victim.txt", "the user's own");
  const fs::path jpg = t.MakeDir("JPG");
  fs::create_symlink(outside, jpg / "DSC_0001.txt");
  fs::create_symlink(outside, jpg / "DSC_0001.asc");
  const Fifo pipe(jpg / "DSC_0002.txt");
  t.Write("JPG/kept.txt", "old ");
  const auto start = Clock::now();
  const auto r = testing::RunScript("@echo values >" + jpg.string() + "/DSC_0001.txt\r\n" +
                                        "@echo more >>" + jpg.string() + "/DSC_0001.asc\r\n" +
                                        "@echo piped >" + jpg.string() + "/DSC_0002.txt\r\n" +
                                        "@echo new >>" + jpg.string() + "/kept.txt\r\n",
                                    t.str());
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(ReadFile(outside), "the user's own");
  EXPECT_FALSE(fs::is_symlink(jpg / "DSC_0001.txt"));
  EXPECT_EQ(ReadFile(jpg / "DSC_0001.txt"), "values \n");
  // Appending would have to keep what the link leads to: the line fails, the link stays.
  EXPECT_TRUE(fs::is_symlink(jpg / "DSC_0001.asc"));
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr("symbolic links"));
  EXPECT_TRUE(fs::is_regular_file(jpg / "DSC_0002.txt"));
  EXPECT_EQ(ReadFile(jpg / "DSC_0002.txt"), "piped \n");
  EXPECT_EQ(ReadFile(jpg / "kept.txt"), "old new \n");
  for (const auto& e : fs::directory_iterator(jpg)) {
    EXPECT_THAT(e.path().filename().string(), ::testing::Not(HasSubstr("shotsweep")));
  }
}

}  // namespace
}  // namespace shotsweep::batch
