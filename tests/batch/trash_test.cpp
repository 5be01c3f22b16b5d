// A cleanup's deletions to the trash, checked file by file against the freedesktop.org Trash
// layout: the home trash, the trash at the top of another mount, and a mount without one.
// Mounts are made in a mount namespace of this test program's own, so none outlives it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "base/process.h"
#include "tests/batch/batch_test_run.h"
#include "tests/batch/cleanup_plan.h"
#include "tests/support/temp_folder.h"

namespace shotsweep::batch {
namespace {

namespace fs = std::filesystem;
using shotsweep::testing::ReadFile;
using shotsweep::testing::TempFolder;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;

bool Succeeds(std::vector<std::string> argv) {
  SpawnRequest request;
  request.program = argv[0];
  request.argv = std::move(argv);
  request.out = Stream::ToNull();
  request.err = Stream::ToNull();
  const Spawned child = Spawn(request);
  return !child.error && WaitForExit(child.pid) == 0;
}

class TrashTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static const bool isolated = ::unshare(CLONE_NEWNS) == 0 && ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    if (!isolated) GTEST_SKIP() << "no mount namespace of our own here";
    // A home of its own, on another file system than the mounts below. GLib reads it once per
    // program, so it is one home for every test here.
    static const TempFolder home;
    home_ = home.str();
    ::setenv("HOME", home_.c_str(), 1);
    ::setenv("XDG_DATA_HOME", (home_ + "/data").c_str(), 1);
  }
  // The interpreter deleting `pattern` with trash on, as a cleanup's delete line does.
  testing::ScriptResult DeleteToTrash(const std::string& folder, const std::string& pattern) {
    testing::RunSettings settings;
    settings.trash = true;
    return testing::RunScript("@echo off\r\ndel " + folder + "/" + pattern + "\r\n", folder, settings);
  }
  TempFolder temp_;
  std::string home_;
};

const char* kTrashInfo = "\\[Trash Info\\]\nPath=%s\nDeletionDate=[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}\n";

std::string InfoPattern(const std::string& path) {
  char buffer[1024];
  std::snprintf(buffer, sizeof buffer, kTrashInfo, path.c_str());
  return buffer;
}

TEST_F(TrashTest, OnTheHomeFileSystemTheHomeTrash) {
  temp_.Write("raw/a.nbak", "a");
  const std::string raw = (temp_.path() / "raw").string();
  const auto r = DeleteToTrash(raw, "*.nbak");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(fs::exists(raw + "/a.nbak"));
  EXPECT_EQ(ReadFile(home_ + "/data/Trash/files/a.nbak"), "a");
  EXPECT_THAT(ReadFile(home_ + "/data/Trash/info/a.nbak.trashinfo"), MatchesRegex(InfoPattern(raw + "/a.nbak")));
}

TEST_F(TrashTest, OnAnotherMountItsOwnTrashAndNeverADeleteWhereThereIsNone) {
  // A memory card: a small ext2 file system of its own.
  const std::string image = temp_.Write("card.img").string();
  fs::resize_file(image, 8 << 20);
  const std::string card = temp_.MakeDir("card").string();
  if (!Succeeds({"/sbin/mkfs.ext2", "-q", image}) || !Succeeds({"/bin/mount", "-o", "loop", image, card})) {
    GTEST_SKIP() << "no loop device to mount a card image on";
  }
  fs::create_directories(card + "/DCIM");
  std::ofstream(card + "/DCIM/b.nbak") << "b";
  EXPECT_EQ(DeleteToTrash(card + "/DCIM", "*.nbak").status, 0);
  const std::string uid = std::to_string(::getuid());
  // No $topdir/.Trash: $topdir/.Trash-$uid, with the path relative to the top.
  EXPECT_EQ(ReadFile(card + "/.Trash-" + uid + "/files/b.nbak"), "b");
  EXPECT_THAT(ReadFile(card + "/.Trash-" + uid + "/info/b.nbak.trashinfo"), MatchesRegex(InfoPattern("DCIM/b.nbak")));

  // A proper $topdir/.Trash (sticky, no link) takes its place.
  fs::create_directory(card + "/.Trash");
  ::chmod((card + "/.Trash").c_str(), 01777);
  std::ofstream(card + "/DCIM/c.nbak") << "c";
  EXPECT_EQ(DeleteToTrash(card + "/DCIM", "*.nbak").status, 0);
  EXPECT_EQ(ReadFile(card + "/.Trash/" + uid + "/files/c.nbak"), "c");
  Succeeds({"/bin/umount", card});

  // A mount with no trash to be had: the file stays, and the line fails.
  const std::string scratch = temp_.MakeDir("scratch").string();
  ASSERT_EQ(::mount("none", scratch.c_str(), "tmpfs", 0, nullptr), 0);
  std::ofstream(scratch + "/d.nbak") << "d";
  const auto refused = DeleteToTrash(scratch, "*.nbak");
  EXPECT_EQ(refused.status, 1);
  EXPECT_THAT(refused.err, HasSubstr("cannot be moved to the trash"));
  EXPECT_EQ(ReadFile(scratch + "/d.nbak"), "d");
  ::umount(scratch.c_str());
}

// A cleanup's run with its plan: what leaves for the trash goes under its own name, with its
// sidecars, unless that name was taken meanwhile.
TEST_F(TrashTest, ARawFileIsTrashedUnderItsOwnNameWithItsSidecarsOrSaysWhyNot) {
  const std::string raw = temp_.MakeDir("raw").string();
  const std::vector<std::string> names{"DSC_0005.NEF", "DSC_0006.NEF", "dsc_0007.nef"};
  for (const std::string& name : names) temp_.Write("raw/" + name, name);
  temp_.Write("raw/DSC_0005.NEF.xmp", "sidecar");
  auto files = testing::MakeCleanup(raw, names, {"DSC_0007.JPG"}, PlannedAction::Trash);
  files.plan.sidecars = {{PlannedAction::Trash, "DSC_0005.NEF.xmp", "DSC_0005.NEF"}};
  testing::RunSettings settings;
  settings.trash = settings.exactNames = settings.guardDeletes = true;
  settings.plan = files.plan;
  // A new DSC_0006.NEF arrives once the old one is set aside.
  const auto r = testing::RunScript(files.renaming + "echo new>" + raw + "/DSC_0006.NEF\r\n" + files.restoring, raw,
                                    settings);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(shotsweep::testing::Snapshot(raw), (std::map<std::string, std::string>{
                                                   {"DSC_0006.NEF", "new\n"}, {"dsc_0007.nef", "dsc_0007.nef"}}));
  const std::string trash = home_ + "/data/Trash/";
  for (const auto& [name, content] : {std::pair<std::string, std::string>{"DSC_0005.NEF", "DSC_0005.NEF"},
                                      {"DSC_0005.NEF.xmp", "sidecar"}, {"DSC_0006.nbak", "DSC_0006.NEF"}}) {
    EXPECT_EQ(ReadFile(trash + "files/" + name), content);
    EXPECT_THAT(ReadFile(trash + "info/" + name + ".trashinfo"), MatchesRegex(InfoPattern(raw + "/" + name)));
  }
  EXPECT_THAT(r.err, HasSubstr(raw + "/DSC_0006.nbak: moved to the trash under its set-aside name, since its name "
                                     "DSC_0006.NEF is taken"));
}

}  // namespace
}  // namespace shotsweep::batch
