// Both cleanup commands on real folders through the real shotsweep-batch.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "settings/settings_reader.h"
#include "tests/cleanup/cleanup_scene.h"

namespace shotsweep {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using Files = std::map<std::string, std::string>;
using testing::ReadFile;
using testing::Scene;
using testing::Snapshot;

TEST(CleanupEndToEnd, LifeOfAFileWithBakClearTickedAndGrayed) {
  for (int bak : {0, 1, 2}) {
    SCOPED_TRACE(bak);
    Scene scene;
    scene.Raw({"X.nef", "Y.cr2", "Z.NEF", "W.obak", "V.abak", "notes.bak", "T.cr3"});
    scene.Jpg({"X.jpg", "z.jpg", "W.jpg"});
    scene.keep = bak != 0;
    scene.ByFolder();
    scene.ExpectDone();
    // Z.NEF keeps its name, whatever the case of its JPG; W.obak, set aside by an earlier run
    // that left no record of its name, takes the one its restore line writes.
    Files expected = Scene::Expect({{"X.nef", "X.nef"}, {"Z.NEF", "Z.NEF"}, {"W.orf", "W.obak"},
                                    {"notes.bak", "notes.bak"}, {"T.cr3", "T.cr3"}});
    if (bak != 0) {
      expected["Y.cbak"] = "Y.cr2";
      expected["V.abak"] = "V.abak";
    }
    // The scripts (KillBat 1) and the pairing record are gone; notes.bak was never set aside.
    EXPECT_EQ(scene.RawFiles(), expected);
    EXPECT_EQ(scene.RawListed(), 4u);  // the RAW pane shows the kept RAW files and T.cr3
  }
}

TEST(CleanupEndToEnd, NoJpgNamesLeaveNoRawFile) {
  Scene byFolder;
  byFolder.Raw({"a.nef", "b.ORF", "c.cr3"});
  byFolder.keep = false;
  byFolder.ByFolder();
  byFolder.ExpectDone();
  EXPECT_EQ(byFolder.RawFiles(), Scene::Expect({{"c.cr3", "c.cr3"}}));

  // An empty photo list is no list of survivors but a mistake: it is refused, not obeyed.
  Scene byList;
  byList.Raw({"a.nef", "b.ORF"});
  byList.Jpg({"a.jpg"});  // the JPG folder plays no part in a cleanup by list
  byList.ByList("");
  EXPECT_THAT(byList.OnlyError(), HasSubstr("names no JPG file"));
  EXPECT_EQ(byList.RawFiles(), Scene::Expect({{"a.nef", "a.nef"}, {"b.ORF", "b.ORF"}}));
}

TEST(CleanupEndToEnd, RawAndJpgInTheSameFolder) {
  Scene scene("shoot", "shoot");
  scene.Raw({"a.nef", "a.jpg", "b.nef"});
  scene.keep = false;
  scene.ByFolder();
  scene.ExpectDone();
  EXPECT_EQ(scene.RawFiles(), Scene::Expect({{"a.nef", "a.nef"}, {"a.jpg", "a.jpg"}}));
}

TEST(CleanupEndToEnd, QuotesFollowTheBlankInTheRawFolderAndQMarkExactlyOne) {
  struct Case {
    std::string folder;
    std::int16_t qmark;
    bool quoted;
  };
  for (const Case& c : {Case{"my raw", 0, true}, Case{"raw", 1, true}, Case{"raw", 2, false},
                        Case{"raw", -1, false}, Case{"raw", 0, false}}) {
    SCOPED_TRACE(c.folder + " " + std::to_string(c.qmark));
    Scene scene(c.folder, "my jpg");
    scene.Raw({"a.nef", "b.nef"});
    scene.Jpg({"a.jpg"});
    // As the settings file gives it.
    ReadSettingsFile(testing::TestDisk(),
                     scene.temp.Write("Shotsweep.ini", "QMark=" + std::to_string(c.qmark) + "\r\nKillBat=0\r\n").string(),
                     scene.settings);
    scene.keep = false;
    scene.ByFolder();
    scene.ExpectDone();
    const std::string renaming = ReadFile(scene.raw + "/rRAW.bat");
    const std::string q = c.quoted ? "\"" : "";
    EXPECT_THAT(renaming, HasSubstr("\r\nren " + q + scene.raw + "/*.nef" + q + " *.nbak\r\n"));
    Files expected = Scene::Expect({{"a.nef", "a.nef"}});
    expected["rRAW.bat"] = renaming;
    expected["RAWreverse.bat"] = ReadFile(scene.raw + "/RAWreverse.bat");
    EXPECT_EQ(scene.RawFiles(), expected);
  }
}

TEST(CleanupEndToEnd, CodePageAndKillBatComeFromTheSettingsFile) {
  Scene scene;
  scene.Raw({"a.nef", "other.bat"});
  scene.Jpg({"a.jpg"});
  ReadSettingsFile(testing::TestDisk(), scene.temp.Write("Shotsweep.ini", "RAWCodePage=852\r\nKillBat=0\r\n"), scene.settings);
  scene.ByFolder();
  scene.ExpectDone();
  EXPECT_THAT(ReadFile(scene.raw + "/RAWreverse.bat"), StartsWith("chcp 852\r\ncd " + scene.raw + "\r\n"));

  ReadSettingsFile(testing::TestDisk(), scene.temp.Write("Shotsweep.ini", "KillBat=1\r\n").string(), scene.settings);
  scene.ByFolder();
  scene.ExpectDone();
  // Only the cleanup's own scripts go; the user's other.bat stays.
  EXPECT_EQ(scene.RawFiles(), Scene::Expect({{"a.nef", "a.nef"}, {"other.bat", "other.bat"}}));
}

TEST(CleanupEndToEnd, NamesOfEveryShape) {
  Scene scene;
  scene.Raw({"A.NEF", "b.Cr2", "C.ARW", "d.nef", "trip.day1.nef", "trip.day2.nef", "x.nef", "x.y.nef",
             "100% sure.nef", "rock&roll.orf", "a;b.nef", "x=y.crw", "  lead.nef", "Žluťoučký kůň.nef",
             "50% off.nef", "(1).nef", "^caret.nef"});
  scene.Jpg({"a.jpg", "B.JPG", "c.jpg", "d.jpg", "D.JPG", "trip.day1.jpg", "x.y.jpg", "100% sure.jpg",
             "rock&roll.JPG", "a;b.jpg", "x=y.jpg", "  lead.jpg", "žluťoučký kůň.jpg", "(1).jpg",
             "^caret.jpg"});
  scene.keep = false;
  scene.ByFolder();
  scene.ExpectDone();
  Files kept = scene.RawFiles();
  // Every kept file has its own name, also d.nef with its two listed spellings.
  EXPECT_EQ(kept, Scene::Expect({{"A.NEF", "A.NEF"}, {"b.Cr2", "b.Cr2"}, {"C.ARW", "C.ARW"}, {"d.nef", "d.nef"},
                                 {"trip.day1.nef", "trip.day1.nef"}, {"x.nef", "x.nef"},
                                 {"x.y.nef", "x.y.nef"}, {"100% sure.nef", "100% sure.nef"},
                                 {"rock&roll.orf", "rock&roll.orf"}, {"a;b.nef", "a;b.nef"},
                                 {"x=y.crw", "x=y.crw"}, {"  lead.nef", "  lead.nef"},
                                 {"Žluťoučký kůň.nef", "Žluťoučký kůň.nef"}, {"(1).nef", "(1).nef"},
                                 {"^caret.nef", "^caret.nef"}}));
}

TEST(CleanupEndToEnd, JpgNamedByThePreviewExtractionKeepsItsMultiDotRawFile) {
  // The preview extraction writes trip.jpg for trip.day1.nef; culling such JPGs must not cost
  // the RAW files of the ones kept. A JPG with the longer name keeps only its own twin.
  Scene scene;
  scene.Raw({"trip.day1.nef", "Trip.Day2.CR2", "gone.day1.nef", "solo.nef", "walk.am.nef", "walk.pm.nef"});
  scene.Jpg({"trip.jpg", "walk.am.jpg"});
  scene.keep = false;
  scene.ByFolder();
  scene.ExpectDone();
  EXPECT_EQ(scene.RawFiles(), Scene::Expect({{"trip.day1.nef", "trip.day1.nef"},
                                             {"Trip.Day2.CR2", "Trip.Day2.CR2"},
                                             {"walk.am.nef", "walk.am.nef"}}));

  // A stem such pairing would have to write but cannot stops the cleanup before anything runs.
  Scene odd;
  odd.Raw({"trip.say \"cheese\".nef", "other.nef"});
  odd.Jpg({"trip.jpg"});
  odd.keep = false;
  const Files before = odd.RawFiles();
  odd.ByFolder();
  EXPECT_THAT(odd.OnlyError(), HasSubstr("double quote"));
  EXPECT_EQ(odd.RawFiles(), before);
}

TEST(CleanupEndToEnd, PhotoListInEveryLineEndStyle) {
  Scene scene;
  scene.Raw({"a.nef", "b.nef", "c.nef", "d.nef", "e.nef", "f.nef", "g.nef", "h.nef", ".nef"});
  scene.keep = false;
  // A BOM; LF, CR and CR LF ends; trailing blanks; an empty line; folder parts in both
  // spellings; a repeated name; no final line end.
  scene.ByList("\xEF\xBB\xBF" "a.jpg\nb.JPG\rc.jpg  \r\n\r\n/photos/d.jpg\r\nC:\\jpg\\e.JPG\nE.jpg\nf.jpg");
  scene.ExpectDone();
  // The empty line's empty base name keeps ".nef", as its restore lines name exactly that.
  EXPECT_EQ(scene.RawFiles(), Scene::Expect({{"a.nef", "a.nef"}, {"b.nef", "b.nef"}, {"c.nef", "c.nef"},
                                             {"d.nef", "d.nef"}, {"e.nef", "e.nef"}, {"f.nef", "f.nef"},
                                             {".nef", ".nef"}}));
}

TEST(CleanupEndToEnd, FailuresTouchNoRawFileAndAreNeverReportedAsDone) {
  {  // A list that cannot be read.
    Scene scene;
    scene.Raw({"a.nef"});
    scene.temp.MakeDir("list.txt");
    const Files before = Snapshot(scene.temp.path());
    scene.Run(scene.Request(CleanupRequest::Source::PhotoList, scene.temp.str() + "/list.txt"), scene.runner);
    EXPECT_THAT(scene.OnlyError(), StartsWith("21 Is a directory"));
    EXPECT_EQ(Snapshot(scene.temp.path()), before);
  }
  {  // A RAW folder nothing can be written to: its place is below a regular file.
    Scene scene;
    scene.temp.Write("card", "not a folder");
    scene.raw = scene.temp.str() + "/card/DCIM";
    const Files before = Snapshot(scene.temp.path());
    scene.ByFolder();
    scene.OnlyError();
    EXPECT_EQ(Snapshot(scene.temp.path()), before);
  }
  {  // No interpreter: the renaming script never ran, so nothing may be called done.
    Scene scene;
    scene.Raw({"a.nef", "b.nef"});
    PosixScriptRunner missing(scene.temp.str() + "/no/shotsweep-batch");
    scene.keep = false;
    scene.Run(scene.Request(), missing);
    EXPECT_THAT(scene.OnlyError(), StartsWith("2 No such file or directory"));
    Files left = scene.RawFiles();
    EXPECT_EQ(left.count("a.nef") + left.count("b.nef"), 2u);
  }
}

TEST(CleanupEndToEnd, ExtraRawKindsAreSetAsideRestoredAndDeletedLikeTheFive) {
  for (int bak : {0, 1}) {
    SCOPED_TRACE(bak);
    Scene scene;
    scene.settings.extraRawKinds = {"cr3", "dng"};
    scene.Raw({"A.CR3", "B.cr3", "C.dng", "D.nef", "E.jpg", "F.cr3bak"});
    scene.Jpg({"a.jpg", "c.JPG", "f.jpg"});
    scene.keep = bak != 0;
    scene.ByFolder();
    scene.ExpectDone();
    Files expected = Scene::Expect({{"A.CR3", "A.CR3"}, {"C.dng", "C.dng"}, {"f.cr3", "F.cr3bak"}, {"E.jpg", "E.jpg"}});
    if (bak) expected.insert({{"B.cr3bak", "B.cr3"}, {"D.nbak", "D.nef"}});
    EXPECT_EQ(scene.RawFiles(), expected);
  }
}

}  // namespace
}  // namespace shotsweep
