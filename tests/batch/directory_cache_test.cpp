// Which folder readings survive an external program: only those the folder's stamp vouches for.
#include <gtest/gtest.h>

#include <map>

#include "batch/directory_index.h"
#include "fs/memory_file_system.h"

namespace shotsweep::batch {
namespace {

// Memory folders with stamps set by the test, counting how often each folder is read.
class StampedFileSystem : public MemoryFileSystem {
 public:
  std::map<std::string, FolderStamp> stamps;
  std::map<std::string, int> readings;

  std::optional<FolderStamp> Stamp(const std::string& dir) override {
    const auto it = stamps.find(dir);
    return it == stamps.end() ? std::nullopt : std::optional(it->second);
  }
  using MemoryFileSystem::List;
  std::optional<CommandError> List(const std::string& dir, std::vector<DirEntry>& entries,
                                   const ListLimits& limits) override {
    ++readings[dir];
    return MemoryFileSystem::List(dir, entries, limits);
  }
};

FolderStamp Settled(long long changedNs) { return {1, 2, changedNs, changedNs, false}; }

TEST(DirectoryCache, KeepsAfterAProgramOnlyTheFoldersWhoseStampVouchesForThem) {
  StampedFileSystem fs;
  fs.AddFile("/usr/bin/exiv2");
  fs.AddFile("/raw/a.nef");
  fs.AddFile("/jpg/a.jpg");
  fs.AddFile("/new/x");
  fs.stamps["/usr/bin"] = Settled(100);
  fs.stamps["/raw"] = Settled(100);
  fs.stamps["/jpg"] = Settled(100);
  fs.stamps["/jpg"].tooRecent = true;  // read in the tick of its last change
  // "/new" has no stamp at all.
  DirectoryCache cache(fs);
  for (const char* dir : {"/usr/bin", "/raw", "/jpg", "/new"}) ASSERT_NE(cache.Get(dir), nullptr) << dir;

  // The program writes a preview beside the RAW file, and its stamp moves on; the other folders
  // are left as they were.
  fs.AddFile("/raw/a-preview2.jpg");
  fs.stamps["/raw"] = Settled(200);
  fs.AddFile("/jpg/b.jpg");  // without a visible change of stamp
  fs.AddFile("/new/y");
  cache.KeepUnchanged();

  EXPECT_NE(cache.Get("/raw")->Find("a-preview2.jpg"), nullptr);
  EXPECT_NE(cache.Get("/jpg")->Find("b.jpg"), nullptr);
  EXPECT_NE(cache.Get("/new")->Find("y"), nullptr);
  EXPECT_EQ(fs.readings["/raw"], 2);
  EXPECT_EQ(fs.readings["/jpg"], 2);
  EXPECT_EQ(fs.readings["/new"], 2);
  EXPECT_NE(cache.Get("/usr/bin")->Find("exiv2"), nullptr);
  EXPECT_EQ(fs.readings["/usr/bin"], 1);

  // A folder replaced by another of the same name: same times, another inode.
  fs.stamps["/usr/bin"].inode = 3;
  cache.KeepUnchanged();
  cache.Get("/usr/bin");
  EXPECT_EQ(fs.readings["/usr/bin"], 2);
}

}  // namespace
}  // namespace shotsweep::batch
