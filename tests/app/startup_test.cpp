// Start-up: the start folder, the settings file and the saved folder pair.
#include <QComboBox>
#include <QPushButton>

#include <gmock/gmock.h>

#include "panes/drive_list.h"
#include "panes/file_list.h"
#include "panes/folder_list.h"
#include "tests/app/window_fixture.h"

namespace shotsweep::testing {
namespace {

using ::testing::HasSubstr;

class StartUp : public WindowTest {
 protected:
  std::string Drive(const char* name) { return Control<DriveList>(name)->Drive(); }
  std::string Dir(const char* name) { return Control<FolderList>(name)->Path(); }
  void SavePair(const std::string& text) { scratch.Write("start/ShotsweepDirs.dat", text); }
};

TEST_F(StartUp, WithoutSettingsOrSavedPairBothPanesShowTheStartFolder) {
  for (const char* name : {"a.NEF", "b.cr2", "c.CRW", "d.arw", "e.ORF", "f.jpg", "G.JPG", "h.tif", "i.nbak"})
    scratch.Write(std::string("start/") + name);
  MainWindow& frame = Open();

  EXPECT_EQ(frame.startFolder(), Start());
  EXPECT_EQ(frame.settings().deleteScripts, true);
  EXPECT_EQ(frame.settings().quoteEveryPath, false);
  EXPECT_EQ(frame.settings().codePage, 0);
  for (const char* name : {"rawDrives", "jpgDrives"}) EXPECT_EQ(Drive(name), "/ [sda1]");
  EXPECT_EQ(frame.RawFolder(), Start());
  EXPECT_EQ(frame.JpgFolder(), Start());
  EXPECT_EQ(Control<FileList>("rawFiles")->Pattern(), "*.nef;*.cr*;*.arw;*.orf");
  EXPECT_EQ(Names(frame.RawFiles()), (std::vector<std::string>{"a.NEF", "b.cr2", "c.CRW", "d.arw", "e.ORF"}));
  EXPECT_EQ(Names(frame.JpgFiles()), (std::vector<std::string>{"f.jpg", "G.JPG"}));
  // Nothing changed yet, so nothing was saved.
  EXPECT_FALSE(std::filesystem::exists(Start() + "/ShotsweepDirs.dat"));
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(StartUp, AFifoUnderTheSettingsOrFolderPairNameLeavesTheDefaults) {
  scratch.MakeDir("start/JPG");
  const Fifo settings(Start() + "/Shotsweep.ini");
  const Fifo pair(Start() + "/ShotsweepDirs.dat");
  MainWindow& frame = Open();
  EXPECT_EQ(frame.settings().deleteScripts, true);
  EXPECT_EQ(frame.RawFolder(), Start());
  EXPECT_TRUE(dialogs.messages.empty());
  // Saving replaces the FIFO with a file instead of writing into it.
  Control<QPushButton>("jpgCopyPathButton")->click();
  EXPECT_TRUE(std::filesystem::is_regular_file(Start() + "/ShotsweepDirs.dat"));
  EXPECT_EQ(SavedPairText(), PairText("/ [sda1]", Start(), "/ [sda1]", Start()));
}

TEST_F(StartUp, StartedFromTheMenuTheConfigurationFolderIsTheStartFolder) {
  const std::string config = scratch.MakeDir("config/shotsweep").string();
  scratch.Write("config/shotsweep/Shotsweep.ini", "KillBat=0\r\nExtraRAW=cr3,jpg\r\n");
  scratch.Write("start/Shotsweep.ini", "QMark=1\r\n");
  MainWindow& frame = Open(nullptr, config);
  EXPECT_EQ(frame.startFolder(), config);
  EXPECT_EQ(frame.settings().deleteScripts, false);
  EXPECT_EQ(frame.settings().quoteEveryPath, false);
  EXPECT_EQ(frame.settings().extraRawKinds, std::vector<std::string>{"cr3"});
  // The one setting left out is told, in one box.
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Warning);
  EXPECT_NE(dialogs.messages[0].text.find("\"jpg\" is ignored"), std::string::npos);
  EXPECT_EQ(Control<FileList>("rawFiles")->Pattern(), "*.nef;*.cr*;*.arw;*.orf;*.cr3");
  // The panes open where the program was started; the folder pair goes to the start folder.
  EXPECT_EQ(frame.RawFolder(), Start());
  Control<QPushButton>("jpgCopyPathButton")->click();
  EXPECT_TRUE(std::filesystem::exists(config + "/ShotsweepDirs.dat"));
  EXPECT_FALSE(std::filesystem::exists(Start() + "/ShotsweepDirs.dat"));
}

TEST_F(StartUp, RestoreIsOfferedOnlyWhereACleanupWasCutShort) {
  // Set-aside files alone may be the user's choice, and scripts alone a finished cleanup.
  scratch.Write("start/a.nbak");
  Open();
  scratch.Write("start/keep/rRAW.bat");
  scratch.Write("start/keep/b.nef");
  SavePair(PairText("/ [sda1]", Start() + "/keep", "/ [sda1]", Start()));
  Open();
  EXPECT_TRUE(dialogs.questions.empty());

  // Both together: the scripts of a cleanup that never got to its end.
  scratch.Write("start/keep/a.nbak");
  Open();
  ASSERT_EQ(dialogs.questions.size(), 1u);
  EXPECT_EQ(dialogs.questions[0].title, "Restore set-aside RAW files");
  EXPECT_TRUE(std::filesystem::exists(Start() + "/keep/a.nbak"));  // answered No

  // With KillBat=0 the scripts stay after every cleanup, so they tell nothing.
  scratch.Write("start/Shotsweep.ini", "KillBat=0\r\n");
  Open();
  EXPECT_EQ(dialogs.questions.size(), 1u);
}

TEST_F(StartUp, SettingsAreReadFromTheStartFolderAfterKillBatIsSet) {
  scratch.Write("start/Shotsweep.ini", "KillBat=0\r\nQMark=1\r\nRAWCodePage=852\r\n");
  MainWindow& frame = Open();
  EXPECT_EQ(frame.settings().deleteScripts, false);
  EXPECT_EQ(frame.settings().quoteEveryPath, true);
  EXPECT_EQ(frame.settings().codePage, 852);
}

TEST_F(StartUp, ASavedPairPointsBothPanesAndIsSavedAgainAsApplied) {
  scratch.Write("card/DCIM/DSC_0001.NEF");
  scratch.Write("start/JPG/DSC_0001.JPG");
  const std::string pair = PairText(CardDrive(), Card() + "/DCIM", "/ [sda1]", Start() + "/JPG");
  SavePair(pair);
  MainWindow& frame = Open();
  EXPECT_EQ(Drive("rawDrives"), CardDrive());
  EXPECT_EQ(frame.RawFolder(), Card() + "/DCIM");
  EXPECT_EQ(Names(frame.RawFiles()), (std::vector<std::string>{"DSC_0001.NEF"}));
  EXPECT_EQ(Drive("jpgDrives"), "/ [sda1]");
  EXPECT_EQ(frame.JpgFolder(), Start() + "/JPG");
  EXPECT_EQ(Names(frame.JpgFiles()), (std::vector<std::string>{"DSC_0001.JPG"}));
  EXPECT_EQ(SavedPairText(), pair);
}

TEST_F(StartUp, ASavedFolderThatIsNotThereIsToldAndStaysSavedUntilAFolderIsPicked) {
  scratch.MakeDir("start/JPG");
  const std::string pair = PairText(CardDrive(), Card() + "/gone", "/ [sda1]", Start() + "/JPG");
  SavePair(pair);
  MainWindow& frame = Open();
  EXPECT_EQ(Drive("rawDrives"), CardDrive());
  EXPECT_EQ(frame.RawFolder(), Card());  // never visited: the drive's root
  EXPECT_EQ(frame.JpgFolder(), Start() + "/JPG");
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].title, "Saved folder not found");
  EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Warning);
  EXPECT_THAT(dialogs.messages[0].text, HasSubstr("\nRAW folder: " + Card() + "/gone\n"));
  // Both panes changed while the pair was applied; the file still names the missing folder.
  EXPECT_EQ(SavedPairText(), pair);

  // Mounted by the next start, the folder is back.
  scratch.MakeDir("card/gone");
  Open();
  EXPECT_EQ(window->RawFolder(), Card() + "/gone");
  EXPECT_EQ(dialogs.messages.size(), 1u);

  // Both gone: one box names both. The user's first pick saves what the panes show.
  std::filesystem::remove(Card() + "/gone");
  std::filesystem::remove(Start() + "/JPG");
  Open();
  ASSERT_EQ(dialogs.messages.size(), 2u);
  EXPECT_EQ(dialogs.messages[1].title, "Saved folders not found");
  EXPECT_THAT(dialogs.messages[1].text, HasSubstr("RAW folder: " + Card() + "/gone\nJPG folder: " + Start() + "/JPG\n"));
  EXPECT_EQ(SavedPairText(), pair);
  Control<QPushButton>("jpgCopyPathButton")->click();
  EXPECT_EQ(SavedPairText(), PairText(Drive("rawDrives"), window->RawFolder(), Drive("rawDrives"), window->RawFolder()));
}

TEST_F(StartUp, TwoLinesRestoreOnlyTheLeftPane) {
  scratch.MakeDir("start/RAW");
  SavePair("/ [sda1]\r\n" + Start() + "/RAW\r\n");
  MainWindow& frame = Open();
  EXPECT_EQ(frame.RawFolder(), Start() + "/RAW");
  EXPECT_EQ(frame.JpgFolder(), Start());
  EXPECT_EQ(SavedPairText(), PairText("/ [sda1]", Start() + "/RAW", "/ [sda1]", Start()));
}

TEST_F(StartUp, AnEmptyDriveLineMovesTheFolderButNotTheDrive) {
  scratch.MakeDir("card/DCIM");
  SavePair("\r\n" + Card() + "/DCIM\r\n");
  MainWindow& frame = Open();
  EXPECT_EQ(frame.RawFolder(), Card() + "/DCIM");  // on another drive than the one shown
  EXPECT_EQ(Drive("rawDrives"), "/ [sda1]");
}

TEST_F(StartUp, RecordsTooShortOrNamingNothingAreSkippedOneByOne) {
  scratch.MakeDir("start/JPG");
  // A one-letter drive, a two-character folder, an unknown drive, then a good folder.
  SavePair("C\r\n/a\r\nD: [DATA]\r\n" + Start() + "/JPG\r\n");
  MainWindow& frame = Open();
  EXPECT_EQ(Drive("rawDrives"), "/ [sda1]");
  EXPECT_EQ(frame.RawFolder(), Start());
  EXPECT_EQ(Drive("jpgDrives"), "/ [sda1]");
  EXPECT_EQ(frame.JpgFolder(), Start() + "/JPG");
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(StartUp, ADriveThatCannotBeOpenedIsSelectedButTheFolderStays) {
  SavePair(EmptyDrive() + "\r\n\r\n");
  MainWindow& frame = Open();
  EXPECT_EQ(Drive("rawDrives"), EmptyDrive());
  EXPECT_EQ(frame.RawFolder(), Start());
  EXPECT_EQ(SavedPairText(), PairText(EmptyDrive(), Start(), "/ [sda1]", Start()));
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(StartUp, FoldersComeBackAfterARestart) {
  scratch.MakeDir("card/DCIM/100NIKON");
  scratch.MakeDir("start/JPG");
  {
    Open();
    QComboBox* rawDrive = Control<QComboBox>("rawDrives");
    rawDrive->setCurrentIndex(rawDrive->findText(QString::fromStdString(CardDrive())));
    ASSERT_TRUE(Control<FolderList>("rawFolders")->SetPath(Card() + "/DCIM/100NIKON"));
    ASSERT_TRUE(Control<FolderList>("jpgFolders")->SetPath(Start() + "/JPG"));
    window.reset();
  }
  MainWindow& frame = Open();
  EXPECT_EQ(Drive("rawDrives"), CardDrive());
  EXPECT_EQ(frame.RawFolder(), Card() + "/DCIM/100NIKON");
  EXPECT_EQ(Drive("jpgDrives"), "/ [sda1]");
  EXPECT_EQ(frame.JpgFolder(), Start() + "/JPG");
}

}  // namespace
}  // namespace shotsweep::testing
