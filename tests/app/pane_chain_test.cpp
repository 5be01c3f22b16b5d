// The panes kept in step: drive -> folder -> files, the pair saved after each change, the
// copy-path, refresh and create-folder buttons.
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "panes/drive_list.h"
#include "panes/file_list.h"
#include "panes/folder_list.h"
#include "tests/app/window_fixture.h"

namespace shotsweep::testing {
namespace {

class Panes : public WindowTest {
 protected:
  Panes() {
    scratch.Write("start/RAW/a.nef");
    scratch.Write("start/RAW/a.jpg");
    scratch.Write("start/JPG/b.jpg");
    scratch.Write("card/DCIM/c.NEF");
    scratch.Write("card/DCIM/c.JPG");
    scratch.Write("card/top.jpg");
  }
  void Choose(const char* driveList, const std::string& text) {
    QComboBox* list = Control<QComboBox>(driveList);
    list->setCurrentIndex(list->findText(QString::fromStdString(text)));
  }
  QTreeWidgetItem* Row(const char* folderList, const char* name) {
    return Control<QTreeWidget>(folderList)->findItems(name, Qt::MatchExactly | Qt::MatchRecursive).value(0);
  }
  void Highlight(const char* folderList, const char* name) {
    Control<QTreeWidget>(folderList)->setCurrentItem(Row(folderList, name));
  }
  void OpenHighlighted(const char* folderList) { QTest::keyClick(Control<QWidget>(folderList), Qt::Key_Return); }
  void Click(const char* button) { Control<QPushButton>(button)->click(); }
  bool PairSaved() const { return std::filesystem::exists(Start() + "/ShotsweepDirs.dat"); }
  // Runs the event loop until both file lists show the listing last asked for.
  void ShowListings() {
    for (const char* name : {"rawFiles", "jpgFiles"}) {
      FileList* list = Control<FileList>(name);
      ASSERT_TRUE(QTest::qWaitFor([&] { return !list->IsReading(); }, 5000)) << name;
    }
  }
};

TEST_F(Panes, OpeningAFolderReReadsItsFilesAndSavesThePairButHighlightingDoesNot) {
  MainWindow& frame = Open();
  Highlight("rawFolders", "RAW");
  EXPECT_EQ(frame.RawFolder(), Start());
  EXPECT_TRUE(Names(frame.RawFiles()).empty());
  EXPECT_FALSE(PairSaved());

  OpenHighlighted("rawFolders");
  EXPECT_EQ(frame.RawFolder(), Start() + "/RAW");
  EXPECT_EQ(Names(frame.RawFiles()), (std::vector<std::string>{"a.nef"}));
  EXPECT_EQ(SavedPairText(), PairText("/ [sda1]", Start() + "/RAW", "/ [sda1]", Start()));

  Highlight("jpgFolders", "JPG");
  OpenHighlighted("jpgFolders");
  EXPECT_EQ(Names(frame.JpgFiles()), (std::vector<std::string>{"b.jpg"}));
  EXPECT_EQ(SavedPairText(), PairText("/ [sda1]", Start() + "/RAW", "/ [sda1]", Start() + "/JPG"));
}

TEST_F(Panes, ADriveChangeGoesToTheFolderLastShownOnThatDrive) {
  MainWindow& frame = Open();
  Choose("jpgDrives", CardDrive());
  EXPECT_EQ(frame.JpgFolder(), Card());  // not visited yet: the root
  EXPECT_EQ(Names(frame.JpgFiles()), (std::vector<std::string>{"top.jpg"}));
  EXPECT_EQ(SavedPairText(), PairText("/ [sda1]", Start(), CardDrive(), Card()));

  ASSERT_TRUE(Control<FolderList>("jpgFolders")->SetPath(Card() + "/DCIM"));
  Choose("jpgDrives", "/ [sda1]");
  EXPECT_EQ(frame.JpgFolder(), Start());
  // The other pane goes to the same drive: it finds the folder the right pane left there.
  Choose("rawDrives", CardDrive());
  EXPECT_EQ(frame.RawFolder(), Card() + "/DCIM");
  EXPECT_EQ(Names(frame.RawFiles()), (std::vector<std::string>{"c.NEF"}));
  EXPECT_EQ(SavedPairText(), PairText(CardDrive(), Card() + "/DCIM", "/ [sda1]", Start()));
}

TEST_F(Panes, ADriveThatCannotBeOpenedKeepsTheFolderAndIsSavedWithIt) {
  MainWindow& frame = Open();
  Choose("rawDrives", EmptyDrive());
  EXPECT_EQ(Control<DriveList>("rawDrives")->Drive(), EmptyDrive());
  EXPECT_EQ(frame.RawFolder(), Start());
  EXPECT_EQ(SavedPairText(), PairText(EmptyDrive(), Start(), "/ [sda1]", Start()));
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(Panes, CopyPathRightOnOneDrive) {
  MainWindow& frame = Open();
  ASSERT_TRUE(Control<FolderList>("rawFolders")->SetPath(Start() + "/RAW"));
  Click("rawCopyPathButton");
  EXPECT_EQ(frame.JpgFolder(), Start() + "/RAW");
  EXPECT_EQ(Names(frame.JpgFiles()), (std::vector<std::string>{"a.jpg"}));
  EXPECT_EQ(SavedPairText(), PairText("/ [sda1]", Start() + "/RAW", "/ [sda1]", Start() + "/RAW"));
}

TEST_F(Panes, CopyPathAcrossDrivesBothWays) {
  MainWindow& frame = Open();
  Choose("rawDrives", CardDrive());
  ASSERT_TRUE(Control<FolderList>("rawFolders")->SetPath(Card() + "/DCIM"));
  Click("rawCopyPathButton");
  EXPECT_EQ(Control<DriveList>("jpgDrives")->Drive(), CardDrive());
  EXPECT_EQ(frame.JpgFolder(), Card() + "/DCIM");
  EXPECT_EQ(SavedPairText(), PairText(CardDrive(), Card() + "/DCIM", CardDrive(), Card() + "/DCIM"));

  Choose("jpgDrives", "/ [sda1]");
  ASSERT_TRUE(Control<FolderList>("jpgFolders")->SetPath(Start() + "/RAW"));
  Click("jpgCopyPathButton");
  EXPECT_EQ(Control<DriveList>("rawDrives")->Drive(), "/ [sda1]");
  EXPECT_EQ(frame.RawFolder(), Start() + "/RAW");
  EXPECT_EQ(Names(frame.RawFiles()), (std::vector<std::string>{"a.nef"}));
  EXPECT_EQ(SavedPairText(), PairText("/ [sda1]", Start() + "/RAW", "/ [sda1]", Start() + "/RAW"));
}

TEST_F(Panes, RefreshReReadsOnlyItsFileList) {
  MainWindow& frame = Open();
  ASSERT_TRUE(Control<FolderList>("rawFolders")->SetPath(Start() + "/RAW"));
  ASSERT_TRUE(Control<FolderList>("jpgFolders")->SetPath(Start() + "/RAW"));
  // The lists read their folder in the background: the files below come after both are shown.
  ShowListings();
  const std::string saved = SavedPairText();
  scratch.Write("start/RAW/new.NEF");
  scratch.Write("start/RAW/new.jpg");
  Click("rawRefreshButton");
  EXPECT_EQ(Names(frame.RawFiles()), (std::vector<std::string>{"a.nef", "new.NEF"}));
  EXPECT_EQ(Names(frame.JpgFiles()), (std::vector<std::string>{"a.jpg"}));
  Click("jpgRefreshButton");
  EXPECT_EQ(Names(frame.JpgFiles()), (std::vector<std::string>{"a.jpg", "new.jpg"}));
  EXPECT_EQ(SavedPairText(), saved);
}

TEST_F(Panes, CreateFolderMakesOneFolderInTheRightPaneAndStaysWhereItWas) {
  MainWindow& frame = Open();
  ASSERT_TRUE(Control<FolderList>("jpgFolders")->SetPath(Card()));
  const std::string saved = SavedPairText();
  dialogs.inputAnswers = {"JPG"};
  Click("newFolderButton");
  EXPECT_EQ(dialogs.inputPrompts, (std::vector<std::string>{"Enter Folder Name:"}));
  EXPECT_EQ(dialogs.inputTitles, (std::vector<std::string>{"Create New Folder"}));
  EXPECT_EQ(dialogs.inputProposals, (std::vector<std::string>{"JPG"}));
  EXPECT_TRUE(std::filesystem::is_directory(Card() + "/JPG"));
  EXPECT_NE(Row("jpgFolders", "JPG"), nullptr);
  EXPECT_EQ(frame.JpgFolder(), Card());
  EXPECT_EQ(Names(frame.JpgFiles()), (std::vector<std::string>{"top.jpg"}));
  EXPECT_EQ(SavedPairText(), saved);

  // Not trimmed: a name of blanks is a name.
  dialogs.inputAnswers = {"  "};
  Click("newFolderButton");
  EXPECT_TRUE(std::filesystem::is_directory(Card() + "/  "));
}

TEST_F(Panes, CreateFolderFailsSilently) {
  MainWindow& frame = Open();
  ASSERT_TRUE(Control<FolderList>("jpgFolders")->SetPath(Card()));
  const auto entries = [&] {
    std::vector<std::string> all;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(scratch.path()))
      all.push_back(entry.path().string());
    return all;
  };
  const std::vector<std::string> existing = entries();
  // Cancel, an emptied text, a name that exists, names that reach into other folders.
  dialogs.inputAnswers = {"", "DCIM", "DCIM/sub", "../outside", "a/b"};
  for (int i = 0; i < 5; ++i) Click("newFolderButton");
  EXPECT_EQ(dialogs.inputPrompts.size(), 5u);
  EXPECT_EQ(entries(), existing);
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(frame.JpgFolder(), Card());
}

}  // namespace
}  // namespace shotsweep::testing
