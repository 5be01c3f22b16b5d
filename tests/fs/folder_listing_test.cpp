// What the lists and the commands read of a folder through the file system: the matching
// files in the list's order, the subfolders, on the disk and in memory alike.
#include "fs/folder_listing.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "fs/memory_file_system.h"
#include "tests/support/temp_folder.h"

namespace shotsweep {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

const std::atomic<bool> kGoOn{false};
const std::unique_ptr<FileSystem> disk = MakeDiskFileSystem();

std::vector<std::string> Listed(const TempFolder& folder, const char* patterns) {
  const FileListing listing = ListMatchingFiles(*disk, folder.str(), NamePatterns(patterns), kGoOn);
  EXPECT_EQ(listing.error, std::nullopt);
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
  EXPECT_EQ(ListMatchingFiles(*disk, folder.str() + "/gone", jpg, kGoOn).error->number, ENOENT);
  const FileListing notAFolder = ListMatchingFiles(*disk, folder.str() + "/file.jpg", jpg, kGoOn);
  EXPECT_EQ(notAFolder.error->number, ENOTDIR);
  EXPECT_TRUE(notAFolder.names.empty());
}

TEST(ListMatchingFilesTest, ACancelledReadingGivesUpWithNothing) {
  TempFolder folder;
  folder.Write("a.jpg");
  const std::atomic<bool> cancelled{true};
  const FileListing listing = ListMatchingFiles(*disk, folder.str(), NamePatterns("*.jpg"), cancelled);
  EXPECT_TRUE(listing.names.empty());
  EXPECT_EQ(listing.error, std::nullopt);
}

TEST(ListSubfoldersTest, VisibleFoldersAndLinksToThemUpToTheBudget) {
  TempFolder folder;
  folder.MakeDir("RAW");
  folder.MakeDir("jpg");
  folder.MakeDir(".thumbs");
  folder.Write("file.nef");
  fs::create_directory_symlink(folder.path() / "RAW", folder.path() / "raw link");
  fs::create_symlink(folder.path() / "file.nef", folder.path() / "file link");

  SubfolderListing all = ListSubfolders(*disk, folder.str(), 1000, kGoOn);
  std::sort(all.names.begin(), all.names.end());
  EXPECT_TRUE(all.complete);
  EXPECT_EQ(all.names, (std::vector<std::string>{"RAW", "jpg", "raw link"}));

  // "." and ".." are entries too: 8 in all.
  EXPECT_FALSE(ListSubfolders(*disk, folder.str(), 7, kGoOn).complete);
  EXPECT_TRUE(ListSubfolders(*disk, folder.str(), 9, kGoOn).complete);
  EXPECT_TRUE(ListSubfolders(*disk, folder.str() + "/gone", 10, kGoOn).names.empty());
}

TEST(ListMatchingFilesTest, InMemoryAsOnTheDisk) {
  MemoryFileSystem memory;
  for (const char* name : {"/jpg/b.JPG", "/jpg/a.jpg", "/jpg/c.nef"}) memory.AddFile(name);
  memory.AddFolder("/jpg/d.jpg");
  EXPECT_EQ(ListMatchingFiles(memory, "/jpg", NamePatterns("*.jpg")).names,
            (std::vector<std::string>{"a.jpg", "b.JPG"}));
  memory.Refuse(MemoryFileSystem::Operation::List, "/jpg", EIO);
  EXPECT_EQ(ListMatchingFiles(memory, "/jpg", NamePatterns("*.jpg")).error->number, EIO);
}

}  // namespace
}  // namespace shotsweep
