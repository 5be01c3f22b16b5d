// The three list controls of a pane, each on its own.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <cerrno>
#include <stdexcept>

#include "panes/drive_list.h"
#include "panes/file_list.h"
#include "panes/folder_list.h"
#include "tests/app/window_fixture.h"

namespace shotsweep {
namespace {

using testing::FakeDrives;
using testing::Names;
using testing::TempFolder;

std::vector<std::string> Shown(const QTreeWidget& tree) {
  std::vector<std::string> rows;
  for (QTreeWidgetItemIterator it(const_cast<QTreeWidget*>(&tree)); *it; ++it)
    rows.push_back((*it)->text(0).toStdString());
  return rows;
}

// A file list of the JPG files in `folder`.
struct JpgFileList : FileList {
  explicit JpgFileList(const std::string& folder) : FileList(testing::TestDisk()) {
    SetPattern("*.jpg");
    SetPath(folder);
  }
};

TEST(FileListTest, MatchesEveryPatternWithoutRegardToCaseAndSortsTheSameWay) {
  TempFolder folder;
  for (const char* name : {"b.NEF", "a.nef", "C.Cr2", "d.crw", "e.ARW", "f.orf", "g.jpg", "h.nef.txt",
                           ".nef", "A.nef"})
    folder.Write(name);
  folder.MakeDir("sub.nef");  // folders are not listed, whatever their name

  FileList list(testing::TestDisk());
  list.SetPattern("*.nef;*.cr*;*.arw;*.orf");
  list.SetPath(folder.str());
  EXPECT_EQ(Names(list), (std::vector<std::string>{".nef", "A.nef", "a.nef", "b.NEF", "C.Cr2", "d.crw",
                                                     "e.ARW", "f.orf"}));
  list.SetPattern("*.jpg");
  EXPECT_EQ(Names(list), (std::vector<std::string>{"g.jpg"}));
}

TEST(FileListTest, SelectionAndRefresh) {
  TempFolder folder;
  folder.Write("x.jpg");
  folder.Write("y.jpg");
  JpgFileList list(folder.str());
  EXPECT_EQ(list.ListIndex(), -1);
  EXPECT_EQ(list.FileName(), "");
  list.SetListIndex(1);
  EXPECT_EQ(list.ListIndex(), 1);
  EXPECT_EQ(list.FileName(), "y.jpg");
  EXPECT_THROW(list.List(2), std::out_of_range);
  EXPECT_THROW(list.List(-1), std::out_of_range);

  folder.Write("w.jpg");
  std::filesystem::remove(folder.path() / "y.jpg");
  EXPECT_EQ(list.ListCount(), 2);  // not read again until asked
  list.Refresh();
  EXPECT_EQ(Names(list), (std::vector<std::string>{"w.jpg", "x.jpg"}));
  EXPECT_EQ(list.ListIndex(), -1);
}

TEST(FileListTest, ANameThatIsNotValidTextComesBackAsTheSameBytes) {
  // A Latin-1 name on a UTF-8 system: a cleanup given other bytes would lose the RAW file.
  TempFolder folder;
  folder.Write("caf\xe9.jpg");
  folder.Write("b.jpg");
  JpgFileList list(folder.str());
  EXPECT_EQ(Names(list), (std::vector<std::string>{"b.jpg", "caf\xe9.jpg"}));
  list.SetListIndex(1);
  EXPECT_EQ(list.FileName(), "caf\xe9.jpg");
  // The view selects what SetListIndex selects, and shows the name as text.
  const QModelIndexList selected = list.selectionModel()->selectedIndexes();
  ASSERT_EQ(selected.size(), 1);
  EXPECT_EQ(selected[0].row(), 1);
  EXPECT_EQ(selected[0].data().toString(), QString("caf") + QChar(0xFFFD) + ".jpg");
  list.SetListIndex(-1);
  EXPECT_TRUE(list.selectionModel()->selectedIndexes().isEmpty());
  EXPECT_EQ(list.FileName(), "");
}

// Photos p0.jpg, p1.jpg, ... enough to make a listing take a while.
void WritePhotos(TempFolder& folder, int count) {
  for (int i = 0; i < count; ++i) folder.Write("p" + std::to_string(i) + ".jpg");
}

TEST(FileListTest, HoldsMoreThan32767Entries) {
  TempFolder folder;
  WritePhotos(folder, 33000);
  JpgFileList list(folder.str());
  ASSERT_EQ(list.ListCount(), 33000);
  list.SetListIndex(32999);
  EXPECT_EQ(list.FileName(), list.List(32999));
}

// Runs the event loop until the list shows the listing last asked for.
bool WaitForListing(const FileList& list) {
  return QTest::qWaitFor([&] { return !list.IsReading(); }, 10000);
}

TEST(FileListTest, ReadsInTheBackgroundAndShowsTheListingWhenItArrives) {
  TempFolder folder;
  for (const char* name : {"b.jpg", "a.jpg", "c.nef"}) folder.Write(name);
  JpgFileList list(folder.str());
  QSignalSpy listed(&list, &FileList::Listed);
  EXPECT_TRUE(list.IsReading());
  EXPECT_EQ(list.model()->rowCount(), 0);
  ASSERT_TRUE(WaitForListing(list));
  // One reading for the pattern and the folder set one after the other.
  EXPECT_EQ(listed.count(), 1);
  ASSERT_EQ(list.model()->rowCount(), 2);
  EXPECT_EQ(list.model()->index(0, 0).data().toString(), "a.jpg");
  EXPECT_EQ(list.model()->index(1, 0).data().toString(), "b.jpg");

  // A refresh keeps showing the names until the new listing replaces them; another folder
  // does not show the old folder's names meanwhile.
  folder.Write("d.jpg");
  list.Refresh();
  EXPECT_EQ(list.model()->rowCount(), 2);
  ASSERT_TRUE(WaitForListing(list));
  EXPECT_EQ(list.model()->rowCount(), 3);
  list.SetPath(folder.str() + "/elsewhere");
  EXPECT_EQ(list.model()->rowCount(), 0);
}

TEST(FileListTest, WhatIsReadThroughTheCommandsViewIsTheWholeFreshListing) {
  TempFolder folder;
  WritePhotos(folder, 3000);
  JpgFileList list(folder.str());
  // The reading may be waiting, under way or done; any of them is waited for.
  QCoreApplication::processEvents();
  EXPECT_EQ(list.ListCount(), 3000);

  folder.Write("new.jpg");
  list.Refresh();
  QCoreApplication::processEvents();
  EXPECT_EQ(list.ListCount(), 3001);
  // The listing asked for before arrives late, if at all, and changes nothing.
  QTest::qWait(50);
  EXPECT_EQ(list.ListCount(), 3001);
  EXPECT_FALSE(list.IsReading());
}

TEST(FileListTest, AFolderThatCannotBeReadIsEmptyAndSaysWhy) {
  TempFolder folder;
  folder.Write("JPG/a.jpg");
  JpgFileList list(folder.str() + "/JPG");
  EXPECT_EQ(list.ListCount(), 1);
  EXPECT_FALSE(list.ReadError());

  std::filesystem::remove_all(folder.path() / "JPG");
  list.Refresh();
  ASSERT_TRUE(list.ReadError());
  EXPECT_EQ(list.ReadError()->number, ENOENT);
  EXPECT_NE(list.ReadError()->description.find(folder.str() + "/JPG"), std::string::npos);
  EXPECT_EQ(list.ListCount(), 0);

  folder.Write("JPG", "a file now");
  list.Refresh();
  ASSERT_TRUE(list.ReadError());
  EXPECT_EQ(list.ReadError()->number, ENOTDIR);

  std::filesystem::remove(folder.path() / "JPG");
  folder.Write("JPG/b.jpg");
  list.Refresh();
  EXPECT_FALSE(list.ReadError());
  EXPECT_EQ(Names(list), (std::vector<std::string>{"b.jpg"}));
}

TEST(FileListTest, FocusTakenWhileReadingMakesTheFirstEntryCurrentOnceItIsThere) {
  // As when the window opens: the list has the focus before its names arrive.
  TempFolder folder;
  folder.Write("a.jpg");
  folder.Write("b.jpg");
  FileList list(testing::TestDisk());
  list.SetPattern("*.jpg");
  list.show();
  list.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&list));
  list.SetPath(folder.str());
  list.clearFocus();
  list.setFocus(Qt::OtherFocusReason);
  ASSERT_TRUE(list.hasFocus());
  ASSERT_TRUE(WaitForListing(list));
  EXPECT_EQ(list.ListIndex(), 0);
  EXPECT_TRUE(list.selectionModel()->selectedIndexes().isEmpty());
  EXPECT_EQ(list.FileName(), "a.jpg");
  // Not after a refresh, which leaves nothing current, as it always has.
  list.Refresh();
  ASSERT_TRUE(WaitForListing(list));
  EXPECT_EQ(list.ListIndex(), -1);
}

TEST(FileListTest, AListClosedWhileItsFolderIsReadGoesQuietly) {
  TempFolder folder;
  WritePhotos(folder, 3000);
  for (int round = 0; round < 3; ++round) {
    auto list = std::make_unique<FileList>(testing::TestDisk());
    list->SetPattern("*.jpg");
    list->SetPath(folder.str());
    QCoreApplication::processEvents();  // the reading starts
    list.reset();
    QTest::qWait(20);  // its listing, if it arrives, has no list to go to
  }
}

TEST(FolderListTest, ShowsAncestorsThenSubfoldersWithoutHiddenOnes) {
  TempFolder folder;
  folder.MakeDir("shoot/b raw");
  folder.MakeDir("shoot/A jpg");
  folder.MakeDir("shoot/.thumbs");
  folder.Write("shoot/file.nef");
  FolderList list(testing::TestDisk());
  ASSERT_TRUE(list.SetPath(folder.str() + "/shoot/"));
  EXPECT_EQ(list.Path(), folder.str() + "/shoot");

  std::vector<std::string> expected = {"/"};
  for (const auto& part : folder.path() / "shoot") {
    if (part != "/") expected.push_back(part.string());
  }
  expected.push_back("A jpg");
  expected.push_back("b raw");
  EXPECT_EQ(Shown(list), expected);
  EXPECT_EQ(list.currentItem()->text(0), "shoot");

  ASSERT_TRUE(list.SetPath("/"));
  EXPECT_EQ(list.Path(), "/");
}

TEST(FolderListTest, OpensOnDoubleClickOrEnterButNotOnHighlight) {
  TempFolder folder;
  folder.MakeDir("RAW");
  folder.MakeDir("JPG");
  FolderList list(testing::TestDisk());
  list.resize(300, 400);
  list.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
  ASSERT_TRUE(list.SetPath(folder.str()));
  QSignalSpy changes(&list, &FolderList::Change);

  auto itemNamed = [&](const char* name) { return list.findItems(name, Qt::MatchExactly | Qt::MatchRecursive).value(0); };
  list.setCurrentItem(itemNamed("RAW"));  // highlighted by the arrow keys or one click
  EXPECT_EQ(changes.count(), 0);
  EXPECT_EQ(list.Path(), folder.str());

  QTest::keyClick(&list, Qt::Key_Return);
  EXPECT_EQ(changes.count(), 1);
  EXPECT_EQ(list.Path(), folder.str() + "/RAW");

  // The parent, one row up, opens on a double click.
  QTreeWidgetItem* parent = itemNamed(folder.path().filename().c_str());
  list.scrollToItem(parent);
  const QRect row = list.visualItemRect(parent);
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, row.center());
  EXPECT_EQ(changes.count(), 1);  // one click only highlights
  QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, row.center());
  EXPECT_EQ(changes.count(), 2);
  EXPECT_EQ(list.Path(), folder.str());
}

TEST(FolderListTest, AMissingFolderLeavesTheListAsItWas) {
  TempFolder folder;
  folder.Write("file");
  FolderList list(testing::TestDisk());
  ASSERT_TRUE(list.SetPath(folder.str()));
  QSignalSpy changes(&list, &FolderList::Change);
  EXPECT_FALSE(list.SetPath(folder.str() + "/gone"));
  EXPECT_FALSE(list.SetPath(folder.str() + "/file"));
  EXPECT_FALSE(list.SetPath("relative/path"));
  EXPECT_FALSE(list.SetPath(""));
  EXPECT_TRUE(list.SetPath(folder.str()));  // already open: no change
  EXPECT_EQ(changes.count(), 0);
  EXPECT_EQ(list.Path(), folder.str());
}

TEST(FolderListTest, RefreshShowsAFolderMadeSince) {
  TempFolder folder;
  FolderList list(testing::TestDisk());
  ASSERT_TRUE(list.SetPath(folder.str()));
  const std::size_t before = Shown(list).size();
  folder.MakeDir("new");
  EXPECT_EQ(Shown(list).size(), before);
  list.Refresh();
  EXPECT_EQ(Shown(list).back(), "new");
}

TEST(FolderListTest, ALargeFolderShowsItsSubfoldersOnceTheyAreRead) {
  TempFolder folder;
  for (int i = 0; i < 5000; ++i) folder.Write("DSC_" + std::to_string(i) + ".JPG");
  folder.MakeDir("b raw");
  folder.MakeDir("A jpg");
  FolderList list(testing::TestDisk());
  ASSERT_TRUE(list.SetPath(folder.str()));
  // The way there shows at once, the open folder highlighted.
  EXPECT_EQ(list.currentItem()->text(0).toStdString(), folder.path().filename().string());
  EXPECT_EQ(list.currentItem()->childCount(), 0);
  list.Refresh();  // the first reading is overtaken and adds nothing
  ASSERT_TRUE(QTest::qWaitFor([&] { return !list.IsReading(); }, 10000));
  QTest::qWait(20);
  QTreeWidgetItem* open = list.currentItem();
  ASSERT_EQ(open->childCount(), 2);
  EXPECT_EQ(open->child(0)->text(0), "A jpg");
  EXPECT_EQ(open->child(1)->text(0), "b raw");

  // Opening one of them works as for any folder.
  list.setCurrentItem(open->child(1));
  QTest::keyClick(&list, Qt::Key_Return);
  EXPECT_EQ(list.Path(), folder.str() + "/b raw");
}

FakeDrives TwoDrives() {
  FakeDrives source;
  source.drives = {{"/", "/ [sda1]"}, {"/media/card", "/media/card [CARD]"}};
  return source;
}

TEST(DriveListTest, SelectingADriveByCodeOrByTheUserReportsOneChange) {
  FakeDrives source = TwoDrives();
  DriveTable table(source, testing::TestDisk());
  DriveList list(table);
  QSignalSpy changes(&list, &DriveList::Change);

  EXPECT_TRUE(list.SetDrive("/media/card [CARD]"));
  EXPECT_EQ(list.Drive(), "/media/card [CARD]");
  EXPECT_EQ(changes.count(), 1);
  EXPECT_TRUE(list.SetDrive("/media/card [RELABELLED]"));  // the same drive: no change
  EXPECT_EQ(changes.count(), 1);
  EXPECT_FALSE(list.SetDrive("D:"));
  EXPECT_EQ(list.Drive(), "/media/card [CARD]");
  EXPECT_EQ(changes.count(), 1);

  list.setCurrentIndex(list.findText("/ [sda1]"));  // what choosing in the list does
  EXPECT_EQ(changes.count(), 2);
  EXPECT_EQ(list.Drive(), "/ [sda1]");
}

TEST(DriveListTest, ADriveThatGoesAwayStaysSelectedAndANewOneShowsWhenOpened) {
  FakeDrives source = TwoDrives();
  DriveTable table(source, testing::TestDisk());
  DriveList list(table);
  ASSERT_TRUE(list.SetDrive("/media/card [CARD]"));
  QSignalSpy changes(&list, &DriveList::Change);

  source.drives = {{"/", "/ [sda1]"}, {"/media/other", "/media/other [OTHER]"}};
  list.showPopup();
  list.hidePopup();
  EXPECT_EQ(list.Drive(), "/media/card [CARD]");
  EXPECT_GE(list.findText("/media/other [OTHER]"), 0);
  EXPECT_EQ(changes.count(), 0);
  EXPECT_TRUE(list.SetDrive("/media/other [OTHER]"));
  EXPECT_EQ(changes.count(), 1);
}

}  // namespace
}  // namespace shotsweep
