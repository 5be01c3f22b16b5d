// Folders and lists that are out of the ordinary, end to end through the real interpreter:
// whatever they hold, every RAW file whose JPG survived is still there, and what could not be
// done is named instead of passed over.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "base/cleanup_record.h"
#include "base/text.h"
#include "tests/cleanup/cleanup_scene.h"

namespace shotsweep {
namespace {

namespace fs = std::filesystem;
using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::Not;
using namespace shotsweep::testing;

TEST(OddLists, AListThatNamesNoJpgIsRefusedAndTouchesNothing) {
  for (const std::string list : {"DSC_0001\r\nDSC_0002\r\n", "DSC_0001.NEF\n", "", "\r\n\r\n"}) {
    SCOPED_TRACE(list);
    Scene scene;
    scene.Raw({"DSC_0001.NEF", "DSC_0002.nef"});
    scene.keep = false;
    const Files before = scene.RawFiles();
    scene.ByList(list);
    EXPECT_THAT(scene.OnlyError(), HasSubstr("names no JPG file"));
    EXPECT_EQ(scene.RawFiles(), before);
  }
  // One line of a JPG kind, in any spelling, is enough; the others pair as they always did.
  Scene scene;
  scene.Raw({"a.nef", "b.nef", "c.cr2"});
  scene.keep = false;
  scene.ByList("notes\r\nA.JPEG \r\nc.jpe\r\n");
  scene.ExpectDone();
  EXPECT_EQ(scene.RawFiles(), Scene::Expect({{"a.nef", "a.nef"}, {"c.cr2", "c.cr2"}}));
}

TEST(OddLists, ARawFileNoListCanNameIsLeftAloneAndNamed) {
  for (const std::string odd : {"line\nfeed.nef", "carriage\rreturn.NEF", "set\naside.nbak"}) {
    SCOPED_TRACE(odd);
    Scene scene;
    scene.Raw({"keep.nef", "go.nef", odd});
    scene.keep = false;
    const Files before = scene.RawFiles();
    scene.ByList("keep.jpg\r\n");
    EXPECT_THAT(scene.OnlyError(), AllOf(HasSubstr("line break"), HasSubstr(EscapeControls(odd))));
    EXPECT_EQ(scene.RawFiles(), before);
  }
  // By folder such a file pairs by the JPG folder's own names, as before.
  Scene scene;
  scene.Raw({"line\nfeed.nef", "go.nef"});
  scene.Jpg({"line\nfeed.jpg"});
  scene.keep = false;
  scene.ByFolder();
  EXPECT_EQ(scene.RawFiles().count("line\nfeed.nef"), 1u);
}

TEST(Restore, EveryCameraKindComesBackAndWhatIsLeftIsNamed) {
  Scene scene;
  // The settings know only the five; the folder was set aside where ExtraRAW=dng,rw2 was set.
  scene.Raw({"A.nbak", "B.dngbak", "C.RW2BAK", "D.xyzbak", "E.nbak", "E.nef", "notes.bak"});
  const RestoreRequest request{scene.raw};
  const RunPlan plan = PlanRestore(request, scene.settings, TestDisk());
  EXPECT_THAT(FormatPlan(plan), AllOf(HasSubstr("keep\tB.dngbak\tB.dng"), HasSubstr("keep\tC.RW2BAK\tC.rw2")));
  scene.result = RestoreSetAside(request, scene.settings, scene.runner, TestDisk());
  const std::string error = scene.OnlyError();
  // E.nef is taken, so E.nbak stays; D.xyzbak is of no kind anyone knows: both are named.
  EXPECT_THAT(error, AllOf(HasSubstr("D.xyzbak"), HasSubstr("E.nbak"), Not(HasSubstr("notes.bak"))));
  const Files after = scene.RawFiles();
  for (const char* name : {"A.nef", "B.dng", "C.rw2", "D.xyzbak", "E.nbak", "E.nef", "notes.bak"}) {
    EXPECT_EQ(after.count(name), 1u) << name;
  }

  // Nothing left that looks set aside: done.
  Scene clean;
  clean.Raw({"A.NBAK", "B.x3fbak", "notes.bak"});
  clean.result = RestoreSetAside({clean.raw}, clean.settings, clean.runner, TestDisk());
  clean.ExpectDone();
  EXPECT_EQ(clean.RawFiles().count("B.x3f"), 1u);
}

// The real interpreter killed while it runs the restoring script: the message names that
// script, not the renaming one that had ended.
TEST(Interrupted, TheScriptCutShortIsTheOneNamed) {
  Scene scene;
  const fs::path killer = scene.temp.WriteProgram("killer", "#!/bin/sh\nkill -9 $PPID\nsleep 5\n");
  const std::string renaming = scene.temp.Write("raw/rRAW.bat", "ren *.nef *.nbak\r\n").string();
  const std::string restoring = scene.temp.Write("raw/RAWreverse.bat", killer.string() + "\r\n").string();
  scene.Raw({"a.nef"});
  const ScriptOutcome outcome =
      scene.runner.Run({renaming, scene.raw, WindowStyle::Hidden, "t", restoring, false});
  ASSERT_TRUE(outcome.error);
  EXPECT_THAT(outcome.error->description, AllOf(HasSubstr("RAWreverse.bat"), Not(HasSubstr("rRAW.bat"))));

  // Killed in the first script: that one is named.
  const std::string slow = scene.temp.Write("raw/rRAW.bat", killer.string() + "\r\n").string();
  const ScriptOutcome early = scene.runner.Run({slow, scene.raw, WindowStyle::Hidden, "t", restoring, false});
  ASSERT_TRUE(early.error);
  EXPECT_THAT(early.error->description, AllOf(HasSubstr("rRAW.bat"), Not(HasSubstr("RAWreverse.bat"))));
}

TEST(Interrupted, ARestoreIsOfferedOnlyWhenTheRecordSaysTheCleanupDidNotFinish) {
  Scene scene;
  scene.Raw({"a.nbak", "rRAW.bat", "RAWreverse.bat"});
  CleanupRecord plan;
  plan.raws.push_back({PlannedAction::SetAside, "a.nef", "a.nbak"});
  plan.state = CleanupRecord::State::Finished;
  scene.temp.Write("raw/" + std::string(kCleanupRecordName), FormatCleanupRecord(plan));
  // The scripts are still there (the window died before it deleted them), but the run finished.
  EXPECT_FALSE(LooksInterrupted(TestDisk(), scene.raw, scene.settings));
  plan.state = CleanupRecord::State::Running;
  scene.temp.Write("raw/" + std::string(kCleanupRecordName), FormatCleanupRecord(plan));
  EXPECT_TRUE(LooksInterrupted(TestDisk(), scene.raw, scene.settings));
  // Running, but nothing is set aside (killed before its first rename): nothing to restore.
  fs::rename(scene.raw + "/a.nbak", scene.raw + "/a.nef");
  EXPECT_FALSE(LooksInterrupted(TestDisk(), scene.raw, scene.settings));
}

}  // namespace
}  // namespace shotsweep
