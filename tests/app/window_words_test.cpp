// What the window says is true when it is read: the panes' counts, and a restore that finds
// nothing to restore.
#include <QAction>
#include <QApplication>
#include <QTest>
#include <QLabel>
#include <QTimer>

#include <gmock/gmock.h>

#include "app/about_box.h"
#include "panes/pane.h"
#include "tests/app/window_fixture.h"

namespace shotsweep::testing {
namespace {

class WindowWords : public WindowTest {};

TEST_F(WindowWords, EachFrameCaptionCountsTheFilesItsListHolds) {
  for (const char* name : {"a.NEF", "b.cr2", "c.jpg", "d.txt"}) scratch.Write(std::string("start/") + name);
  MainWindow& frame = Open();
  Pane* raw = Control<Pane>("rawPane");
  Pane* jpg = Control<Pane>("jpgPane");
  ASSERT_EQ(frame.RawFiles().ListCount(), 2);
  ASSERT_EQ(frame.JpgFiles().ListCount(), 1);
  EXPECT_EQ(raw->Caption(), "RAW files to delete (2 files)");
  EXPECT_EQ(jpg->Caption(), "JPG files (1 file)");
  // The frame's own title stays as it is.
  EXPECT_EQ(raw->title(), "RAW files to delete");

  // While the list is read anew no number is shown, and then the new one.
  scratch.Write("start/e.arw");
  frame.RawFiles().Refresh();
  EXPECT_EQ(raw->Caption(), "RAW files to delete");
  ASSERT_EQ(frame.RawFiles().ListCount(), 3);
  EXPECT_EQ(raw->Caption(), "RAW files to delete (3 files)");
}

TEST_F(WindowWords, ARestoreWithNothingSetAsideSaysSoAndRunsNothing) {
  scratch.Write("start/a.NEF");
  scratch.Write("start/b.nbak.txt");
  Open();
  Control<QAction>("restoreAction")->trigger();
  EXPECT_TRUE(runner.calls.empty());
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, "No RAW file in " + Start() + " is set aside: there is nothing to restore.");
  EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Information);

  // With one set aside, even of a kind the settings do not name, the restore runs as before
  // (the script's rename done by hand here).
  scratch.Write("start/c.dngbak");
  runner.duringNextRun = [&] { std::filesystem::rename(scratch.path() / "start/c.dngbak", scratch.path() / "start/c.dng"); };
  Control<QAction>("restoreAction")->trigger();
  EXPECT_EQ(runner.calls.size(), 1u);
  EXPECT_EQ(dialogs.messages.back().text, "Operation done");
}

TEST_F(WindowWords, AboutTellsVersionLicenceCreditAndManualAndCtrlQQuits) {
  MainWindow& frame = Open();
  const QString about = AboutText();
  for (const QString& part : {QString("Shotsweep 1.8.1"), QString("GPL-3.0-or-later"), CreditLine().toHtmlEscaped(),
                              QString("man shotsweep"), QString("README")})
    EXPECT_TRUE(about.contains(part)) << part.toStdString();
  EXPECT_TRUE(Control<QLabel>("aboutLabel")->text().endsWith(CreditLine()));

  frame.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
  QTimer::singleShot(0, [&] { QTest::keyClick(&frame, Qt::Key_Q, Qt::ControlModifier); });
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
  watchdog.start(5000);
  EXPECT_EQ(QApplication::exec(), 0);
  EXPECT_FALSE(frame.isVisible());
}

}  // namespace
}  // namespace shotsweep::testing
