#include "settings/saved_pair.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/disk.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace shotsweep {
namespace {

using testing::ReadFile;
using testing::TempFolder;

TEST(SavedPairText, FourRecordsEachEndedByCrLf) {
  SavedPair pair{"/ [sda1]", "/home/ann/RAW", "/media/card [NIKON D90]", "/media/card/DCIM"};
  EXPECT_EQ(FormatSavedPair(pair),
            "/ [sda1]\r\n/home/ann/RAW\r\n/media/card [NIKON D90]\r\n/media/card/DCIM\r\n");
  EXPECT_EQ(ParseSavedPair(FormatSavedPair(pair)), pair);
}

TEST(SavedPairText, RecordsAreTakenWholeWhateverTheLineEnd) {
  // Blanks are part of the record: a folder may end in a blank.
  EXPECT_EQ(ParseSavedPair(" a \n/x y \r/z\r\n"), (SavedPair{" a ", "/x y ", "/z", ""}));
  // An empty first line keeps its place, so the second line stays the left folder.
  EXPECT_EQ(ParseSavedPair("\r\n/photos\r\n"), (SavedPair{"", "/photos", "", ""}));
  EXPECT_EQ(ParseSavedPair("/ [sda1]\r\n/raw"), (SavedPair{"/ [sda1]", "/raw", "", ""}));
  EXPECT_EQ(ParseSavedPair("1\r\n2\r\n3\r\n4\r\n5\r\n"), (SavedPair{"1", "2", "3", "4"}));
  EXPECT_EQ(ParseSavedPair(""), SavedPair{});
}

TEST(SavedPairText, ShortRecordsAreNotApplied) {
  EXPECT_FALSE(IsDriveRecord(""));
  EXPECT_FALSE(IsDriveRecord("C"));
  EXPECT_TRUE(IsDriveRecord("C:"));
  EXPECT_FALSE(IsFolderRecord("C:"));
  EXPECT_TRUE(IsFolderRecord("C:\\"));
  EXPECT_TRUE(IsFolderRecord("/ab"));
}

TEST(SavedPairPath, JoinsTheStartFolderUnchanged) {
  EXPECT_EQ(SavedPairPath("/home/ann", '/'), "/home/ann/ShotsweepDirs.dat");
  EXPECT_EQ(SavedPairPath("/", '/'), "//ShotsweepDirs.dat");
  EXPECT_EQ(SavedPairPath("C:\\", '\\'), "C:\\\\ShotsweepDirs.dat");
}

TEST(SavedPairFile, WrittenPairReadsBackAndReplacesTheOldOne) {
  TempFolder folder;
  const std::string path = SavedPairPath(folder.str());
  EXPECT_EQ(ReadSavedPair(testing::TestDisk(), path), std::nullopt);

  ASSERT_EQ(WriteSavedPair(testing::TestDisk(), path, {"/ [a]", "/one", "/ [a]", "/two"}), std::nullopt);
  ASSERT_EQ(WriteSavedPair(testing::TestDisk(), path, {"/ [b]", "/three", "/ [b]", "/four"}), std::nullopt);
  EXPECT_EQ(ReadFile(path), "/ [b]\r\n/three\r\n/ [b]\r\n/four\r\n");
  EXPECT_EQ(ReadSavedPair(testing::TestDisk(), path), (SavedPair{"/ [b]", "/three", "/ [b]", "/four"}));
  // No temporary file is left beside it.
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
}

TEST(SavedPairFile, RootStartFolderPathIsUsable) {
  // "//name" must reach the same file as "/name"; check with a folder standing in for "/".
  TempFolder folder;
  const std::string doubled = folder.str() + "/" + SavedPairPath("", '/');
  ASSERT_EQ(WriteSavedPair(testing::TestDisk(), doubled, {"/ [x]", "/abc", "", ""}), std::nullopt);
  EXPECT_TRUE(fs::exists(folder.path() / "ShotsweepDirs.dat"));
}

TEST(SavedPairFile, FailedWriteKeepsTheOldPairAndLeavesNothingBehind) {
  TempFolder folder;
  EXPECT_TRUE(WriteSavedPair(testing::TestDisk(), folder.str() + "/missing/ShotsweepDirs.dat", {}));

  // A folder where the file should be: the rename fails, the temporary file goes.
  folder.Write("ShotsweepDirs.dat/keep", "x");
  EXPECT_TRUE(WriteSavedPair(testing::TestDisk(), SavedPairPath(folder.str()), {"/ [a]", "/one", "", ""}));
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
  EXPECT_EQ(ReadSavedPair(testing::TestDisk(), SavedPairPath(folder.str())), std::nullopt);
}

TEST(SavedPairFile, ReadOnlyFileOrFolderKeepsItsPair) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes through read-only permissions";
  TempFolder folder;
  const std::string path = SavedPairPath(folder.str());
  ASSERT_EQ(WriteSavedPair(testing::TestDisk(), path, {"/ [a]", "/old", "", ""}), std::nullopt);
  fs::permissions(path, fs::perms::owner_read);
  EXPECT_TRUE(WriteSavedPair(testing::TestDisk(), path, {"/ [a]", "/new", "", ""}));
  EXPECT_EQ(ReadSavedPair(testing::TestDisk(), path)->rawFolder, "/old");

  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
  fs::permissions(folder.path(), fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_TRUE(WriteSavedPair(testing::TestDisk(), path, {"/ [a]", "/new", "", ""}));
  EXPECT_EQ(ReadSavedPair(testing::TestDisk(), path)->rawFolder, "/old");
}

}  // namespace
}  // namespace shotsweep
