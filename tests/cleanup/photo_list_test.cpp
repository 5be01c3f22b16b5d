// Reading the photo list, and the check of the RAW folder a cleanup makes first.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cleanup/photo_list.h"
#include "cleanup/raw_folder_check.h"
#include "fs/memory_file_system.h"

namespace shotsweep {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Lines = std::vector<std::string>;

TEST(PhotoList, LinesEndAtCrLfOrCrLfAndAreKeptAsWritten) {
  EXPECT_THAT(SplitPhotoList("a.jpg\r\nb.jpg\r\n"), ElementsAre("a.jpg", "b.jpg"));
  EXPECT_THAT(SplitPhotoList("a.jpg\nb.jpg\n"), ElementsAre("a.jpg", "b.jpg"));
  EXPECT_THAT(SplitPhotoList("a.jpg\rb.jpg\r"), ElementsAre("a.jpg", "b.jpg"));
  EXPECT_THAT(SplitPhotoList("a.jpg\n\rb.jpg"), ElementsAre("a.jpg", "", "b.jpg"));
  EXPECT_THAT(SplitPhotoList("a.jpg\r\n\r\n\r\nb.jpg"), ElementsAre("a.jpg", "", "", "b.jpg"));
  // No final line end: the last line still counts; blanks and folder parts stay.
  EXPECT_THAT(SplitPhotoList(" a.jpg  \r\nC:\\jpg\\b.JPG"), ElementsAre(" a.jpg  ", "C:\\jpg\\b.JPG"));
  EXPECT_THAT(SplitPhotoList(""), IsEmpty());
  EXPECT_THAT(SplitPhotoList("\r\n"), ElementsAre(""));
}

TEST(PhotoList, OnlyALeadingByteOrderMarkIsDropped) {
  EXPECT_THAT(SplitPhotoList("\xEF\xBB\xBF" "a.jpg\r\n"), ElementsAre("a.jpg"));
  EXPECT_THAT(SplitPhotoList("\xEF\xBB\xBF"), IsEmpty());
  EXPECT_THAT(SplitPhotoList("a.jpg\r\n\xEF\xBB\xBF" "b.jpg"), ElementsAre("a.jpg", "\xEF\xBB\xBF" "b.jpg"));
}

TEST(PhotoList, ReadingAFileWholeOrReportingWhyNot) {
  MemoryFileSystem fs;
  std::string big;
  for (int i = 0; i < 40000; ++i) big += "DSC_" + std::to_string(i) + ".JPG\r\n";  // > 64 KiB
  fs.AddFile("/t/photo_file_list.txt", big);
  fs.AddFolder("/t/dir.txt");
  const PhotoListContent read = ReadPhotoList(fs, "/t/photo_file_list.txt");
  EXPECT_FALSE(read.error);
  ASSERT_EQ(read.lines.size(), 40000u);
  EXPECT_EQ(read.lines.back(), "DSC_39999.JPG");

  const PhotoListContent missing = ReadPhotoList(fs, "/t/none.txt");
  ASSERT_TRUE(missing.error);
  EXPECT_EQ(missing.error->number, ENOENT);
  EXPECT_THAT(missing.lines, IsEmpty());
  const PhotoListContent folder = ReadPhotoList(fs, "/t/dir.txt");
  ASSERT_TRUE(folder.error);
  EXPECT_EQ(folder.error->number, EISDIR);
}

TEST(SetAsideClashes, NamesThatTheRenamingScriptWouldMergeAreFound) {
  // Different case, and a RAW file beside its own set-aside name, in any case.
  EXPECT_THAT(SetAsideClashes({"DSC_1.NEF", "dsc_1.nef", "DSC_2.nef"}),
              ElementsAre(Lines{"DSC_1.NEF", "dsc_1.nef"}));
  EXPECT_THAT(SetAsideClashes({"a.cr2", "A.CBAK", "b.cr2", "b.crw"}), ElementsAre(Lines{"A.CBAK", "a.cr2"}));
  // The name is kept up to its last dot, so these stay apart or meet accordingly.
  EXPECT_THAT(SetAsideClashes({"trip.day1.nef", "trip.nef", "TRIP.DAY1.nbak"}),
              ElementsAre(Lines{"TRIP.DAY1.nbak", "trip.day1.nef"}));
  // Beyond ASCII, as the interpreter folds names.
  EXPECT_THAT(SetAsideClashes({"Žluť.orf", "žLUŤ.ORF"}), ElementsAre(Lines{"Žluť.orf", "žLUŤ.ORF"}));
}

TEST(SetAsideClashes, OtherFilesNeverClash) {
  EXPECT_THAT(SetAsideClashes({"a.cr3", "A.CR3", "notes.bak", "NOTES.BAK", "a.jpg", "A.JPG",
                               "a.nef", "a.cr2", "a.crw", "a.arw", "a.orf", "a.nef.txt", "A.NEF.TXT"}),
              IsEmpty());
  EXPECT_THAT(SetAsideClashes({}), IsEmpty());
}

TEST(RawFolderCheck, ClashesAndFoldersThatWouldBlockARenameAreRefusedUpFront) {
  MemoryFileSystem fs;
  fs.AddFile("/raw/X.nef");
  fs.AddFolder("/raw/x.NEF");  // a folder is never set aside, and this one blocks nothing
  RawFolderListing listing;
  ASSERT_FALSE(ReadRawFolder(fs, "/raw", listing));
  EXPECT_FALSE(CheckRawFolder(listing, {"other"}));
  // ...until a restore line for its name would have to give X.nbak that name back.
  auto refusal = CheckRawFolder(listing, {"x"});
  ASSERT_TRUE(refusal);
  EXPECT_THAT(refusal->Text(), ::testing::AllOf(::testing::StartsWith("17 "), ::testing::HasSubstr("x.NEF")));

  fs.AddFile("/raw/x.Nef");
  ASSERT_FALSE(ReadRawFolder(fs, "/raw", listing));
  refusal = CheckRawFolder(listing, {});
  ASSERT_TRUE(refusal);
  EXPECT_THAT(refusal->Text(), ::testing::HasSubstr("X.nef and x.Nef"));

  // A folder holding the set-aside name, whatever the JPG names say.
  const std::vector<FolderEntry> asideTaken{{"a.cr2", false}, {"A.CBAK", true}};
  EXPECT_TRUE(CheckRawFolder({asideTaken, 255}, {}));
  // A folder named like the set-aside file a restore line looks for would be renamed in its place.
  const std::vector<FolderEntry> sourceTaken{{"b.nbak", false}, {"B.NBAK", true}};
  EXPECT_TRUE(CheckRawFolder({sourceTaken, 255}, {"b"}));
  EXPECT_FALSE(CheckRawFolder({sourceTaken, 255}, {"c"}));
}

TEST(RawFolderCheck, ANameWithNoRoomForItsSetAsideExtensionIsRefused) {
  const std::string longest(251, 'x');  // 255 bytes with ".nef"
  EXPECT_FALSE(CheckRawFolder({{{longest.substr(1) + ".nef", false}}, 255}, {}));
  const auto refusal = CheckRawFolder({{{longest + ".nef", false}, {longest + ".jpg", false}}, 255}, {});
  ASSERT_TRUE(refusal);
  EXPECT_EQ(refusal->number, ENAMETOOLONG);
  EXPECT_THAT(refusal->Text(), ::testing::HasSubstr(longest + ".nef"));
  EXPECT_THAT(refusal->Text(), ::testing::Not(::testing::HasSubstr(".jpg")));
}

}  // namespace
}  // namespace shotsweep
