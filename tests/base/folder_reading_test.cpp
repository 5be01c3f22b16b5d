// What the lists make of a folder, without any widget: folding, patterns, the listings.
#include "base/folder_reading.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "base/case_folding.h"
#include "tests/support/temp_folder.h"

namespace shotsweep {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

const std::atomic<bool> kGoOn{false};

TEST(FoldCaseTest, FoldsEveryValidCharacterAndKeepsOtherBytes) {
  EXPECT_EQ(FoldCase("DSC_0001.JPG"), "dsc_0001.jpg");
  EXPECT_EQ(FoldCase("\xC3\x89T\xC3\x89.NEF"), "\xC3\xA9t\xC3\xA9.nef");  // ÉTÉ -> été
  EXPECT_EQ(FoldCase("\xCE\xA3\xCE\xA3"), "\xCF\x83\xCF\x83");              // ΣΣ -> σσ
  EXPECT_EQ(FoldCase("\xF0\x90\x90\x80"), "\xF0\x90\x90\xA8");              // Deseret, beyond 16 bits
  // A Latin-1 name, a cut-off sequence, an overlong form: kept byte for byte.
  EXPECT_EQ(FoldCase("CAF\xC9.JPG"), "caf\xC9.jpg");
  EXPECT_EQ(FoldCase("A\xC3"), "a\xC3");
  EXPECT_EQ(FoldCase("\xC0\xAF"), "\xC0\xAF");
}

bool Matches(const char* patterns, const char* name) { return NamePatterns(patterns).Matches(FoldCase(name)); }

TEST(NamePatternsTest, WildcardsWithoutRegardToCase) {
  const char* raw = "*.nef;*.cr*;*.arw;*.orf";
  for (const char* name : {"a.NEF", ".nef", "trip.day1.nef", "b.cr2", "c.CRW", "x.cr2.bak", "d.Arw", "e.orf"})
    EXPECT_TRUE(Matches(raw, name)) << name;
  for (const char* name : {"a.nef.txt", "a.jpg", "nef", "a.ne", "a.orfx", ""}) EXPECT_FALSE(Matches(raw, name)) << name;

  EXPECT_TRUE(Matches("a*b*c", "aXXbYYbZc"));
  EXPECT_FALSE(Matches("a*b*c", "aXXbYYbZ"));
  EXPECT_TRUE(Matches("***", ""));
  // "?" is one character, however many bytes it takes, or one stray byte.
  EXPECT_TRUE(Matches("caf?.jpg", "caf\xC3\xA9.jpg"));
  EXPECT_TRUE(Matches("caf?.jpg", "caf\xE9.jpg"));
  EXPECT_FALSE(Matches("caf?.jpg", "caf.jpg"));
  EXPECT_TRUE(Matches("*\xC3\xA9t\xC3\xA9*", "\xC3\x89T\xC3\x89.NEF"));
}

TEST(NamePatternsTest, BlanksAroundAndEmptyPatternsDoNotCount) {
  EXPECT_TRUE(Matches(" *.jpg ; *.nef", "a.nef"));
  EXPECT_TRUE(Matches(";;*.jpg;", "a.jpg"));
  EXPECT_FALSE(Matches("", "a.jpg"));
  EXPECT_FALSE(Matches(" ; ", "a.jpg"));
}

std::vector<std::string> Listed(const TempFolder& folder, const char* patterns) {
  const FileListing listing = ListMatchingFiles(folder.str(), NamePatterns(patterns), kGoOn);
  EXPECT_EQ(listing.error, 0);
  return listing.names;
}

TEST(ListMatchingFilesTest, RegularFilesAndLinksToThemInFoldedOrderTiesByBytes) {
  TempFolder folder;
  for (const char* name : {"b.jpg", "a.jpg", "A.jpg", "\xC3\x89t\xC3\xA9.jpg", "\xC3\xA9T\xC3\xA9.JPG", "z.jpg"})
    folder.Write(name);
  folder.MakeDir("dir.jpg");
  ASSERT_EQ(::mkfifo((folder.path() / "pipe.jpg").c_str(), 0600), 0);
  fs::create_symlink(folder.path() / "b.jpg", folder.path() / "link.jpg");
  fs::create_symlink(folder.path() / "dir.jpg", folder.path() / "dirlink.jpg");
  fs::create_symlink(folder.path() / "gone", folder.path() / "dangling.jpg");

  EXPECT_EQ(Listed(folder, "*.jpg"),
            (std::vector<std::string>{"A.jpg", "a.jpg", "b.jpg", "link.jpg", "z.jpg", "\xC3\x89t\xC3\xA9.jpg",
                                      "\xC3\xA9T\xC3\xA9.JPG"}));
}

TEST(ListMatchingFilesTest, AFolderThatCannotBeReadGivesItsErrorAndNoNames) {
  TempFolder folder;
  folder.Write("file.jpg");
  const NamePatterns jpg("*.jpg");
  EXPECT_EQ(ListMatchingFiles(folder.str() + "/gone", jpg, kGoOn).error, ENOENT);
  const FileListing notAFolder = ListMatchingFiles(folder.str() + "/file.jpg", jpg, kGoOn);
  EXPECT_EQ(notAFolder.error, ENOTDIR);
  EXPECT_TRUE(notAFolder.names.empty());
}

TEST(ListMatchingFilesTest, ACancelledReadingGivesUpWithNothing) {
  TempFolder folder;
  folder.Write("a.jpg");
  const std::atomic<bool> cancelled{true};
  const FileListing listing = ListMatchingFiles(folder.str(), NamePatterns("*.jpg"), cancelled);
  EXPECT_TRUE(listing.names.empty());
  EXPECT_EQ(listing.error, 0);
}

TEST(ListSubfoldersTest, VisibleFoldersAndLinksToThemUpToTheBudget) {
  TempFolder folder;
  folder.MakeDir("RAW");
  folder.MakeDir("jpg");
  folder.MakeDir(".thumbs");
  folder.Write("file.nef");
  fs::create_directory_symlink(folder.path() / "RAW", folder.path() / "raw link");
  fs::create_symlink(folder.path() / "file.nef", folder.path() / "file link");

  SubfolderListing all = ListSubfolders(folder.str(), 1000, kGoOn);
  std::sort(all.names.begin(), all.names.end());
  EXPECT_TRUE(all.complete);
  EXPECT_EQ(all.names, (std::vector<std::string>{"RAW", "jpg", "raw link"}));

  // "." and ".." are entries too: 8 in all.
  EXPECT_FALSE(ListSubfolders(folder.str(), 7, kGoOn).complete);
  EXPECT_TRUE(ListSubfolders(folder.str(), 9, kGoOn).complete);
  EXPECT_TRUE(ListSubfolders(folder.str() + "/gone", 10, kGoOn).names.empty());
}

}  // namespace
}  // namespace shotsweep
