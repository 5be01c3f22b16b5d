// What the user kept stays as it was, end to end through shotsweep-batch and real folders: the
// exact names in every mode, sidecars that leave only with their RAW file, the trash under RAW
// names, and a run limited to the files it planned.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cleanup/cleanup_commands.h"
#include "tests/cleanup/cleanup_scene.h"

namespace shotsweep {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using testing::Files;
using testing::Scene;

std::string ReadWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// A scene whose trash is a folder of its own, on the file system of the RAW folder.
struct TrashScene : Scene {
  TrashScene() {
    trash = temp.MakeDir("data") / "Trash";
    ::setenv("XDG_DATA_HOME", (temp.path() / "data").c_str(), 1);
    settings.trash = true;
  }
  // The trashed files by name, with their content.
  Files Trashed() const { return fs::exists(trash / "files") ? testing::Snapshot((trash / "files").string()) : Files{}; }
  std::string InfoOf(const std::string& name) const { return ReadWhole(trash / "info" / (name + ".trashinfo")); }
  fs::path trash;
};

TEST(ExactNames, AKeptRawFileKeepsItsNameByteForByteInEveryMode) {
  for (const char* mode : {"delete", "keep", "trash"}) {
    SCOPED_TRACE(mode);
    TrashScene scene;
    scene.settings.trash = std::string(mode) == "trash";
    scene.keep = std::string(mode) == "keep";
    // Upper and mixed case RAW files kept by JPG names in another case, and by every JPG spelling.
    scene.Raw({"DSC_0001.NEF", "dsc_0002.NEF", "Img_3.Cr2", "P4.ORF", "P5.Arw", "GONE.NEF"});
    scene.Jpg({"dsc_0001.jpg", "DSC_0002.JPG", "img_3.jpg", "P4.jpeg", "p5.JPE"});
    scene.ByFolder();
    scene.ExpectDone();
    Files expected = Scene::Expect({{"DSC_0001.NEF", "DSC_0001.NEF"},
                                    {"dsc_0002.NEF", "dsc_0002.NEF"},
                                    {"Img_3.Cr2", "Img_3.Cr2"},
                                    {"P4.ORF", "P4.ORF"},
                                    {"P5.Arw", "P5.Arw"}});
    if (scene.keep) expected["GONE.nbak"] = "GONE.NEF";
    EXPECT_EQ(scene.RawFiles(), expected);
    if (scene.settings.trash) {
      EXPECT_EQ(scene.Trashed(), Scene::Expect({{"GONE.NEF", "GONE.NEF"}}));
    }
  }
}

TEST(ExactNames, KeepThenRestoreGivesBackTheVeryNames) {
  Scene scene;
  scene.Raw({"DSC_0001.NEF", "Mixed.Cr2", "x.orf", "Y.ARW.xmp", "Y.ARW"});
  scene.Jpg({"x.jpg"});
  scene.ByFolder();
  scene.ExpectDone();
  EXPECT_EQ(scene.RawFiles(), Scene::Expect({{"DSC_0001.nbak", "DSC_0001.NEF"},
                                             {"Mixed.cbak", "Mixed.Cr2"},
                                             {"x.orf", "x.orf"},
                                             {"Y.abak", "Y.ARW"},
                                             {"Y.ARW.xmp", "Y.ARW.xmp"}}));
  ASSERT_TRUE(scene.Record().has_value());

  // Planned first, as the dry run shows it, then carried out.
  const RunPlan plan = PlanRestore({scene.raw}, scene.settings, testing::TestDisk());
  EXPECT_THAT(FormatPlan(plan), HasSubstr("restore\tDSC_0001.nbak\tDSC_0001.NEF\n"));
  const CommandResult restored = RestoreSetAside({scene.raw}, scene.settings, scene.runner, testing::TestDisk());
  EXPECT_TRUE(restored.done());
  EXPECT_EQ(scene.RawFiles(), Scene::Expect({{"DSC_0001.NEF", "DSC_0001.NEF"},
                                             {"Mixed.Cr2", "Mixed.Cr2"},
                                             {"x.orf", "x.orf"},
                                             {"Y.ARW", "Y.ARW"},
                                             {"Y.ARW.xmp", "Y.ARW.xmp"}}));
  EXPECT_FALSE(scene.Record().has_value()) << "nothing is set aside: no record is left";

  // Without a record the restore line's spelling is all there is.
  scene.ByFolder();
  fs::remove(fs::path(scene.raw) / "RAWnames.txt");
  RestoreSetAside({scene.raw}, scene.settings, scene.runner, testing::TestDisk());
  EXPECT_TRUE(scene.RawFiles().count("DSC_0001.nef"));
}

TEST(Sidecars, LeaveWithADeletedRawFileAndStayWithAKeptOne) {
  Scene scene;
  scene.keep = false;
  scene.Raw({"DSC_0004.NEF", "DSC_0004.NEF.xmp", "DSC_0004.xmp", "DSC_0004.NEF.pp3", "DSC_0004.NEF.DOP",
             "DSC_0004.NEF.arp", "DSC_0004_01.NEF.xmp", "DSC_0004.NEF.xmp.txt", "DSC_0004.nef.xmp",
             // A shot of its own keeps its own sidecar.
             "DSC_0004_02.NEF", "DSC_0004_02.NEF.xmp",
             // Kept: none of its sidecars goes, nor one a leaving file of its stem might own.
             "DSC_0005.NEF", "DSC_0005.NEF.xmp", "DSC_0005.xmp", "DSC_0005.CR2", "DSC_0005.CR2.xmp"});
  scene.Jpg({"DSC_0005.JPG", "DSC_0004_02.jpg"});
  const CleanupPlan plan = PlanCleanup(scene.Request(), scene.settings, testing::TestDisk());
  const std::string text = FormatPlan(plan);
  EXPECT_THAT(text, HasSubstr("delete\tDSC_0004.NEF.DOP\t\tsidecar of DSC_0004.NEF\n"));
  EXPECT_THAT(text, HasSubstr("sidecars: 6 deleted, 0 left beside set-aside files"));
  scene.result = CarryOutCleanup(plan, scene.settings, scene.runner, testing::TestDisk());
  scene.ExpectDone();
  EXPECT_EQ(scene.RawFiles(), Scene::Expect({{"DSC_0004.NEF.xmp.txt", "DSC_0004.NEF.xmp.txt"},
                                             {"DSC_0004.nef.xmp", "DSC_0004.nef.xmp"},
                                             {"DSC_0004_02.NEF", "DSC_0004_02.NEF"},
                                             {"DSC_0004_02.NEF.xmp", "DSC_0004_02.NEF.xmp"},
                                             {"DSC_0005.NEF", "DSC_0005.NEF"},
                                             {"DSC_0005.NEF.xmp", "DSC_0005.NEF.xmp"},
                                             {"DSC_0005.xmp", "DSC_0005.xmp"},
                                             {"DSC_0005.CR2", "DSC_0005.CR2"},
                                             {"DSC_0005.CR2.xmp", "DSC_0005.CR2.xmp"}}));
}

TEST(Sidecars, WhereRawAndJpgFilesShareAFolderAJpgThatRemainsKeepsTheShotsXmp) {
  Scene scene("shots", "shots");
  scene.keep = false;
  // By list: S.JPG is not listed, yet it stays, and S.xmp may be its own.
  scene.Raw({"S.NEF", "S.JPG", "S.xmp", "S.NEF.xmp", "T.NEF", "T.xmp"});
  scene.ByList("other.jpg\r\n");
  scene.ExpectDone();
  EXPECT_EQ(scene.RawFiles(), Scene::Expect({{"S.JPG", "S.JPG"}, {"S.xmp", "S.xmp"}}));
}

TEST(Sidecars, StayBesideASetAsideFileAndPairAgainAfterARestore) {
  Scene scene;
  scene.Raw({"A.NEF", "A.NEF.xmp", "A.xmp", "A.NEF.pp3"});
  scene.ByFolder();
  scene.ExpectDone();
  EXPECT_EQ(scene.RawFiles(), Scene::Expect({{"A.nbak", "A.NEF"}, {"A.NEF.xmp", "A.NEF.xmp"}, {"A.xmp", "A.xmp"},
                                             {"A.NEF.pp3", "A.NEF.pp3"}}));
  RestoreSetAside({scene.raw}, scene.settings, scene.runner, testing::TestDisk());
  EXPECT_EQ(scene.RawFiles(), Scene::Expect({{"A.NEF", "A.NEF"}, {"A.NEF.xmp", "A.NEF.xmp"}, {"A.xmp", "A.xmp"},
                                             {"A.NEF.pp3", "A.NEF.pp3"}}));

  // With the feature off, a delete leaves every sidecar.
  scene.settings.sidecarKinds.clear();
  scene.keep = false;
  scene.ByFolder();
  scene.ExpectDone();
  EXPECT_EQ(scene.RawFiles(), Scene::Expect({{"A.NEF.xmp", "A.NEF.xmp"}, {"A.xmp", "A.xmp"}, {"A.NEF.pp3", "A.NEF.pp3"}}));
}

TEST(Trash, RawFilesAndSidecarsLieInTheTrashUnderTheirOwnNames) {
  TrashScene scene;
  scene.keep = false;
  scene.Raw({"DSC_0005.NEF", "DSC_0005.NEF.xmp", "DSC_0007.Cr2", "DSC_0008.nbak"});
  scene.ByFolder();
  scene.ExpectDone();
  EXPECT_EQ(scene.RawFiles(), Files{});
  // DSC_0008.nbak was set aside by an older run that left no record: its name is all there is.
  EXPECT_EQ(scene.Trashed(), Scene::Expect({{"DSC_0005.NEF", "DSC_0005.NEF"},
                                            {"DSC_0005.NEF.xmp", "DSC_0005.NEF.xmp"},
                                            {"DSC_0007.Cr2", "DSC_0007.Cr2"},
                                            {"DSC_0008.nbak", "DSC_0008.nbak"}}));
  for (const char* name : {"DSC_0005.NEF", "DSC_0005.NEF.xmp", "DSC_0007.Cr2"}) {
    EXPECT_THAT(scene.InfoOf(name), HasSubstr("\nPath=" + (fs::path(scene.raw) / name).string() + "\n"));
  }
}

TEST(OnlyWhatWasPlanned, AFileThatArrivesAfterPlanningIsLeftAloneAndNamed) {
  for (bool keep : {false, true}) {
    Scene scene;
    scene.keep = keep;
    scene.Raw({"OLD.NEF", "OLD.NEF.xmp"});
    const CleanupPlan plan = PlanCleanup(scene.Request(), scene.settings, testing::TestDisk());
    // An import still copying: its JPG lands, then its RAW file, between preview and carrying out.
    scene.Jpg({"NEW.JPG"});
    scene.Raw({"NEW.NEF", "NEW.NEF.xmp"});
    scene.result = CarryOutCleanup(plan, scene.settings, scene.runner, testing::TestDisk());
    scene.ExpectDone();
    Files expected = Scene::Expect({{"NEW.NEF", "NEW.NEF"}, {"NEW.NEF.xmp", "NEW.NEF.xmp"}});
    if (keep) expected.insert({{"OLD.nbak", "OLD.NEF"}, {"OLD.NEF.xmp", "OLD.NEF.xmp"}});
    EXPECT_EQ(scene.RawFiles(), expected);
    ASSERT_EQ(scene.result.notes.size(), 1u);
    EXPECT_THAT(scene.result.notes[0].text, HasSubstr("NEW.NEF"));
    EXPECT_THAT(scene.result.notes[0].text, HasSubstr("not in the cleanup's plan"));
  }
}

TEST(OnlyWhatWasPlanned, AFileTheRecordCannotNameIsLeftAloneAndTheRestGoesOn) {
  Scene scene;
  scene.keep = false;
  scene.Raw({"odd\x01name.NEF", "odd\x01name.NEF.xmp", "GONE.NEF", "GONE.NEF.xmp"});
  const CleanupPlan plan = PlanCleanup(scene.Request(), scene.settings, testing::TestDisk());
  EXPECT_THAT(FormatPlan(plan), HasSubstr("keep\todd\x01name.NEF\todd\x01name.NEF\n"));
  scene.result = CarryOutCleanup(plan, scene.settings, scene.runner, testing::TestDisk());
  scene.ExpectDone();
  EXPECT_EQ(scene.RawFiles(), Scene::Expect({{"odd\x01name.NEF", "odd\x01name.NEF"},
                                             {"odd\x01name.NEF.xmp", "odd\x01name.NEF.xmp"}}));
  ASSERT_EQ(scene.result.notes.size(), 1u);
  EXPECT_THAT(scene.result.notes[0].text, HasSubstr("not in the cleanup's plan"));
}

TEST(Interrupted, ARecordStillRunningOffersTheRestoreAndAFinishedOneDoesNot) {
  Scene scene;
  scene.Raw({"A.NEF"});
  scene.ByFolder();
  // Set aside, with a finished record: the cleanup got to its end.
  EXPECT_FALSE(LooksInterrupted(testing::TestDisk(), scene.raw, scene.settings));
  const fs::path record = fs::path(scene.raw) / "RAWnames.txt";
  std::string text = ReadWhole(record);
  text.replace(text.find("finished"), 8, "running");
  std::ofstream(record, std::ios::binary) << text;
  EXPECT_TRUE(LooksInterrupted(testing::TestDisk(), scene.raw, scene.settings));
  // A record that cannot be read leaves the older signs to tell: here there are none.
  std::ofstream(record, std::ios::binary) << "garbage\n";
  EXPECT_FALSE(LooksInterrupted(testing::TestDisk(), scene.raw, scene.settings));
  const CommandResult restored = RestoreSetAside({scene.raw}, scene.settings, scene.runner, testing::TestDisk());
  EXPECT_TRUE(restored.done());
  ASSERT_EQ(restored.notes.size(), 1u);
  EXPECT_THAT(restored.notes[0].text, HasSubstr("cannot be read"));
  EXPECT_EQ(scene.RawFiles(), Scene::Expect({{"A.nef", "A.NEF"}}));
}

}  // namespace
}  // namespace shotsweep
