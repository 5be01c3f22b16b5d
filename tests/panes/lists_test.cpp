// The three list controls of a pane, each on its own.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
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

TEST(FileListTest, MatchesEveryPatternWithoutRegardToCaseAndSortsTheSameWay) {
  TempFolder folder;
  for (const char* name : {"b.NEF", "a.nef", "C.Cr2", "d.crw", "e.ARW", "f.orf", "g.jpg", "h.nef.txt",
                           ".nef", "A.nef"})
    folder.Write(name);
  folder.MakeDir("sub.nef");  // folders are not listed, whatever their name

  FileList list;
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
  FileList list;
  list.SetPattern("*.jpg");
  list.SetPath(folder.str());
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
  FileList list;
  list.SetPattern("*.jpg");
  list.SetPath(folder.str());
  EXPECT_EQ(Names(list), (std::vector<std::string>{"b.jpg", "caf\xe9.jpg"}));
  list.SetListIndex(1);
  EXPECT_EQ(list.FileName(), "caf\xe9.jpg");
}

TEST(FileListTest, HoldsMoreThan32767Entries) {
  TempFolder folder;
  for (int i = 0; i < 33000; ++i) folder.Write("p" + std::to_string(i) + ".jpg");
  FileList list;
  list.SetPattern("*.jpg");
  list.SetPath(folder.str());
  ASSERT_EQ(list.ListCount(), 33000);
  list.SetListIndex(32999);
  EXPECT_EQ(list.FileName(), list.List(32999));
}

TEST(FolderListTest, ShowsAncestorsThenSubfoldersWithoutHiddenOnes) {
  TempFolder folder;
  folder.MakeDir("shoot/b raw");
  folder.MakeDir("shoot/A jpg");
  folder.MakeDir("shoot/.thumbs");
  folder.Write("shoot/file.nef");
  FolderList list;
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
  FolderList list;
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
  FolderList list;
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
  FolderList list;
  ASSERT_TRUE(list.SetPath(folder.str()));
  const std::size_t before = Shown(list).size();
  folder.MakeDir("new");
  EXPECT_EQ(Shown(list).size(), before);
  list.Refresh();
  EXPECT_EQ(Shown(list).back(), "new");
}

FakeDrives TwoDrives() {
  FakeDrives source;
  source.drives = {{"/", "/ [sda1]"}, {"/media/card", "/media/card [CARD]"}};
  return source;
}

TEST(DriveListTest, SelectingADriveByCodeOrByTheUserReportsOneChange) {
  FakeDrives source = TwoDrives();
  DriveTable table(source);
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
  DriveTable table(source);
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
