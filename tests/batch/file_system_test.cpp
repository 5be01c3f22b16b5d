// The interpreter over a file system that refuses, in memory or on a disk that cannot refuse
// to replace: each failure is told, counted, and costs no other file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>

#include "fs/memory_file_system.h"
#include "tests/batch/batch_test_run.h"
#include "tests/support/temp_folder.h"

namespace shotsweep::batch {
namespace {

using ::testing::HasSubstr;
using Operation = MemoryFileSystem::Operation;

struct MemoryRun {
  MemoryFileSystem fs;
  int progress[2] = {-1, -1};

  testing::ScriptResult Run(const std::string& script, bool guardDeletes = false) {
    testing::RunSettings settings;
    settings.fileSystem = &fs;
    settings.guardDeletes = guardDeletes;
    EXPECT_EQ(::pipe(progress), 0);
    settings.progressFd = progress[1];
    auto result = testing::RunScript(script, "/raw", settings);
    ::close(progress[1]);
    reports = testing::ReadBack(progress[0]);
    ::close(progress[0]);
    return result;
  }
  std::string reports;
};

TEST(FileSystemSeam, ARenameRefusedHalfWayCostsOnlyThatFileAndHoldsBackTheDeletions) {
  MemoryRun run;
  for (const char* name : {"/raw/a.nef", "/raw/b.nef", "/raw/c.nef", "/raw/old.nbak"}) run.fs.AddFile(name, name);
  run.fs.Refuse(Operation::Rename, "/raw/b.nef", EACCES);
  const auto r = run.Run("ren /raw/*.nef *.nbak\r\ndel /raw/*.nbak\r\n", true);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Access is denied.\nNothing deleted: an earlier line of this script failed\n");
  EXPECT_THAT(run.reports, HasSubstr("! script.bat, line 1: /raw/b.nef: Access is denied.\n"));
  EXPECT_EQ(run.fs.Content("/raw/a.nbak"), "/raw/a.nef");
  EXPECT_EQ(run.fs.Content("/raw/b.nef"), "/raw/b.nef");
  EXPECT_EQ(run.fs.Content("/raw/c.nbak"), "/raw/c.nef");
  EXPECT_EQ(run.fs.Content("/raw/old.nbak"), "/raw/old.nbak");
}

TEST(FileSystemSeam, DeletionsCopiesListingsAndRedirectionsThatAreRefused) {
  MemoryRun run;
  for (const char* name : {"/raw/x.nbak", "/raw/y.nbak", "/raw/z.nbak", "/raw/p.jpg"}) run.fs.AddFile(name, name);
  run.fs.AddFolder("/locked");
  run.fs.Refuse(Operation::Unlink, "/raw/y.nbak", EPERM);
  run.fs.Refuse(Operation::Copy, "/raw/p.jpg", ENOSPC);
  run.fs.Refuse(Operation::List, "/locked", EACCES);
  run.fs.Refuse(Operation::Open, "/raw/out.txt", EROFS);
  const auto r = run.Run("del /raw/*.nbak\r\ncopy /raw/p.jpg /raw/q.jpg\r\nren /locked/a b\r\necho x >/raw/out.txt\r\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(run.fs.Content("/raw/y.nbak"), "/raw/y.nbak");
  EXPECT_EQ(run.fs.Content("/raw/x.nbak"), std::nullopt);
  EXPECT_EQ(run.fs.Content("/raw/z.nbak"), std::nullopt);
  EXPECT_EQ(run.fs.Content("/raw/q.jpg"), std::nullopt);
  EXPECT_THAT(run.reports, HasSubstr("line 1: /raw/y.nbak: Access is denied."));
  EXPECT_THAT(run.reports, HasSubstr("line 2: /raw/q.jpg: There is not enough space on the disk."));
  EXPECT_THAT(run.reports, HasSubstr("line 3: ren /locked/a b: Access is denied."));
  EXPECT_THAT(run.reports, HasSubstr("line 4: /raw/out.txt: Access is denied."));
  // What happened to the files that were there, for whoever asks afterwards.
  const auto touched = run.fs.Touched();
  ASSERT_EQ(touched.size(), 2u);
  EXPECT_EQ(touched[0].now, "");
}

TEST(FileSystemSeam, WithoutAnExclusiveRenameTheDiskIsLookedAtFirst) {
  shotsweep::testing::TempFolder temp;
  temp.Write("a.nef", "a");
  temp.Write("b.nef", "b");
  temp.Write("b.nbak", "taken");
  // A disk whose file system cannot refuse to replace by itself.
  const auto disk = MakeDiskFileSystem([](const std::string&, const std::string&) { return EINVAL; });
  EXPECT_EQ(disk->RenameNoReplace(temp.str() + "/a.nef", temp.str() + "/a.nbak"), std::nullopt);
  const auto refused = disk->RenameNoReplace(temp.str() + "/b.nef", temp.str() + "/b.nbak");
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->number, EEXIST);
  EXPECT_EQ(shotsweep::testing::ReadFile(temp.path() / "b.nbak"), "taken");
  EXPECT_EQ(shotsweep::testing::ReadFile(temp.path() / "a.nbak"), "a");
  // The same file under another spelling is no other file (a case-insensitive mount).
  std::filesystem::create_hard_link(temp.path() / "a.nbak", temp.path() / "A.NBAK");
  EXPECT_EQ(disk->RenameNoReplace(temp.str() + "/a.nbak", temp.str() + "/A.NBAK"), std::nullopt);
}

}  // namespace
}  // namespace shotsweep::batch
