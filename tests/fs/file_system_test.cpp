// The whole-file calls and the checks of the seam, on the disk and in memory over the disk:
// the memory side must answer as the disk below it does until it has been changed.
#include "fs/file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <map>

#include "fs/memory_file_system.h"
#include "tests/support/temp_folder.h"

namespace shotsweep {
namespace {

using testing::TempFolder;
using Operation = MemoryFileSystem::Operation;

TEST(DiskFileSystemTest, WriteReplacesALinkInsteadOfWritingThroughIt) {
  TempFolder folder;
  const auto disk = MakeDiskFileSystem();
  const std::string target = folder.Write("target.txt", "keep").string();
  std::filesystem::create_symlink(target, folder.path() / "name.txt");
  const std::string name = folder.str() + "/name.txt";
  ASSERT_EQ(disk->WriteFile(name, "new"), std::nullopt);
  EXPECT_EQ(testing::ReadFile(target), "keep");
  std::string bytes;
  ASSERT_EQ(disk->ReadFile(name, bytes), std::nullopt);
  EXPECT_EQ(bytes, "new");
  EXPECT_EQ(disk->Status(name)->kind, EntryKind::File);
  EXPECT_EQ(disk->WriteFile(folder.str() + "/missing/x.txt", "x")->number, ENOENT);
  EXPECT_EQ(disk->ReadFile(folder.str(), bytes)->number, EISDIR);
}

TEST(DiskFileSystemTest, EntriesSayWhatTheyAreAndWhatTheyPointTo) {
  TempFolder folder;
  const auto disk = MakeDiskFileSystem();
  folder.Write("a.nef");
  folder.MakeDir("sub");
  std::filesystem::create_symlink(folder.path() / "sub", folder.path() / "to sub");
  std::filesystem::create_symlink(folder.path() / "a.nef", folder.path() / "to a.nef");
  ASSERT_EQ(::mkfifo((folder.path() / "pipe").c_str(), 0600), 0);
  std::vector<DirEntry> entries;
  ASSERT_EQ(disk->List(folder.str(), entries), std::nullopt);
  std::map<std::string, DirEntry> byName;
  for (const DirEntry& e : entries) byName[e.name] = e;
  ASSERT_EQ(byName.size(), 5u);
  EXPECT_TRUE(byName["a.nef"].isFile);
  EXPECT_TRUE(byName["sub"].isDir);
  EXPECT_EQ(byName["sub"].kind, EntryKind::Folder);
  EXPECT_TRUE(byName["to sub"].isDir);
  EXPECT_EQ(byName["to sub"].kind, EntryKind::Link);
  EXPECT_TRUE(byName["to a.nef"].isFile);
  EXPECT_EQ(byName["pipe"].kind, EntryKind::Other);
  EXPECT_FALSE(byName["pipe"].isFile || byName["pipe"].isDir);
  EXPECT_EQ(disk->Status(folder.str() + "/to sub")->kind, EntryKind::Link);
  EXPECT_EQ(disk->CheckAccess(folder.str(), Access::WriteAndEnter), std::nullopt);
  EXPECT_GT(disk->NameMax(folder.str()), 12u);
}

TEST(MemoryFileSystemTest, OverTheDiskReadsBelowUntilChangedAndNeverWritesThere) {
  TempFolder folder;
  const auto disk = MakeDiskFileSystem();
  folder.Write("raw/a.nef", "a");
  folder.Write("raw/list.txt", "one\r\ntwo\r\n");
  MemoryFileSystem memory(disk.get());
  const std::string raw = folder.str() + "/raw";
  std::string bytes;
  ASSERT_EQ(memory.ReadFile(raw + "/list.txt", bytes), std::nullopt);
  EXPECT_EQ(bytes, "one\r\ntwo\r\n");
  ASSERT_EQ(memory.RenameNoReplace(raw + "/a.nef", raw + "/a.nbak"), std::nullopt);
  EXPECT_EQ(memory.Content(raw + "/a.nbak"), "a");
  ASSERT_EQ(memory.WriteFile(raw + "/rRAW.bat", "ren"), std::nullopt);
  ASSERT_EQ(memory.MakeFolder(raw + "/sub"), std::nullopt);
  EXPECT_EQ(memory.MakeFolder(raw + "/sub")->number, EEXIST);
  EXPECT_TRUE(memory.IsDirectory(raw + "/sub"));
  EXPECT_EQ(memory.Status(raw + "/rRAW.bat")->kind, EntryKind::File);
  EXPECT_EQ(memory.Status(raw + "/list.txt")->modifiedNs, disk->Status(raw + "/list.txt")->modifiedNs);
  EXPECT_EQ(memory.CheckAccess(raw, Access::WriteAndEnter), std::nullopt);
  EXPECT_EQ(memory.NameMax(raw), disk->NameMax(raw));
  // Below, nothing changed.
  EXPECT_EQ(testing::Snapshot(folder.path()),
            (std::map<std::string, std::string>{{"raw/a.nef", "a"}, {"raw/list.txt", "one\r\ntwo\r\n"}}));
}

TEST(MemoryFileSystemTest, LinksAreEntriesOfTheirOwnAndNeverACrash) {
  TempFolder folder;
  const auto disk = MakeDiskFileSystem();
  folder.Write("raw/a.nef", "a");
  std::filesystem::create_symlink("/nonexistent/x", folder.path() / "raw" / "dangling.nef");
  std::filesystem::create_symlink("/nonexistent/y", folder.path() / "raw" / "gone");
  const std::string raw = folder.str() + "/raw";
  MemoryFileSystem memory(disk.get());
  // A scene asking for a folder where a dangling link stands gets the folder.
  memory.AddFile(raw + "/gone/inner.nef", "inner");
  EXPECT_EQ(memory.Content(raw + "/gone/inner.nef"), "inner");
  memory.AddLink(raw + "/made.nef", "/nowhere");
  memory.AddLink(raw + "/to-a.nef", raw + "/a.nef");
  std::vector<DirEntry> entries;
  ASSERT_EQ(memory.List(raw, entries), std::nullopt);
  std::map<std::string, DirEntry> byName;
  for (const DirEntry& e : entries) byName[e.name] = e;
  for (const char* link : {"dangling.nef", "made.nef", "to-a.nef"}) {
    EXPECT_EQ(byName[link].kind, EntryKind::Link) << link;
    EXPECT_EQ(memory.Status(raw + "/" + link)->kind, EntryKind::Link) << link;
  }
  EXPECT_FALSE(byName["made.nef"].isFile);
  EXPECT_TRUE(byName["to-a.nef"].isFile);
  std::string bytes;
  EXPECT_EQ(memory.ReadFile(raw + "/made.nef", bytes)->number, ENOENT);
  EXPECT_EQ(memory.ReadFile(raw + "/dangling.nef", bytes)->number, ENOENT);
  // Renamed and deleted as themselves; appending through one is refused, ">" replaces it.
  EXPECT_EQ(memory.RenameNoReplace(raw + "/dangling.nef", raw + "/dangling.nbak"), std::nullopt);
  EXPECT_EQ(memory.Unlink(raw + "/made.nef"), std::nullopt);
  UniqueFd fd;
  EXPECT_EQ(memory.OpenForOutput(raw + "/to-a.nef", true, fd)->number, ELOOP);
  EXPECT_EQ(memory.OpenForOutput(raw + "/to-a.nef", false, fd), std::nullopt);
  EXPECT_EQ(memory.Status(raw + "/to-a.nef")->kind, EntryKind::File);
  EXPECT_EQ(memory.Content(raw + "/a.nef"), "a");
  EXPECT_TRUE(std::filesystem::is_symlink(folder.path() / "raw" / "dangling.nef"));
}

TEST(MemoryFileSystemTest, RefusesAsADiskWould) {
  MemoryFileSystem memory;
  memory.AddFile("/raw/list.txt", "x");
  memory.Refuse(Operation::Read, "/raw/list.txt", EIO);
  memory.Refuse(Operation::Write, "/raw/rRAW.bat", ENOSPC);
  memory.Refuse(Operation::Access, "/raw", EROFS);
  std::string bytes;
  EXPECT_EQ(memory.ReadFile("/raw/list.txt", bytes)->number, EIO);
  EXPECT_EQ(memory.WriteFile("/raw/rRAW.bat", "x")->number, ENOSPC);
  EXPECT_EQ(memory.CheckAccess("/raw", Access::WriteAndEnter)->number, EROFS);
  EXPECT_EQ(memory.WriteFile("/none/x", "x")->number, ENOENT);
  EXPECT_EQ(memory.WriteFile("/raw", "x")->number, EISDIR);
  EXPECT_FALSE(memory.Status("/raw/none"));
}

TEST(FileSystemSeam, RemoveFolderTakesOnlyAnEmptyFolderOnTheDiskAndInMemory) {
  TempFolder t;
  t.Write("full/file", "x");
  t.MakeDir("empty");
  MemoryFileSystem memory;
  memory.AddFile("/m/full/file", "x");
  memory.AddFolder("/m/empty");
  const auto disk = MakeDiskFileSystem();
  for (auto [fs, root] : {std::pair<FileSystem*, std::string>{disk.get(), t.str()}, {&memory, "/m"}}) {
    SCOPED_TRACE(root);
    EXPECT_EQ(fs->RemoveFolder(root + "/full")->number, ENOTEMPTY);
    EXPECT_EQ(fs->RemoveFolder(root + "/full/file")->number, ENOTDIR);
    EXPECT_EQ(fs->RemoveFolder(root + "/none")->number, ENOENT);
    EXPECT_FALSE(fs->RemoveFolder(root + "/empty"));
    EXPECT_FALSE(fs->Status(root + "/empty"));
    EXPECT_TRUE(fs->IsFile(root + "/full/file"));
  }
}

}  // namespace
}  // namespace shotsweep
