// The window's buttons and menu run the real commands; a command runs to its end before the
// next one, and Exit or closing the window ends the program.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QTreeView>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <stdexcept>

#include <gmock/gmock.h>

#include "panes/folder_list.h"
#include "platform/posix_script_runner.h"
#include "tests/app/window_fixture.h"

namespace shotsweep::testing {
namespace {

namespace fs = std::filesystem;

class Commands : public WindowTest {
 protected:
  Commands() {
    for (const char* name : {"RAW/a.NEF", "RAW/b.NEF", "RAW/c.cr2", "RAW/notes.txt", "JPG/a.JPG", "JPG/c.jpg"})
      scratch.Write(std::string("start/") + name, name);
    scratch.Write("start/ShotsweepDirs.dat", PairText("/ [sda1]", Start() + "/RAW", "/ [sda1]", Start() + "/JPG"));
  }
  void Click(const char* button) { Control<QPushButton>(button)->click(); }
  // The window over the real interpreter, with the set-aside box cleared: unmatched RAW files
  // are deleted.
  MainWindow& OpenDeleting() {
    MainWindow& frame = Open(&interpreter);
    Control<QCheckBox>("setAsideBox")->setChecked(false);
    return frame;
  }
  std::set<std::string> RawFolder() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(Start() + "/RAW")) names.insert(entry.path().filename().string());
    return names;
  }

  PosixScriptRunner interpreter;
};

TEST_F(Commands, CleanupByJpgFolderDeletesTheUnmatchedRawFile) {
  MainWindow& frame = OpenDeleting();
  Click("deleteByFolderButton");
  // A kept file has its own name back, whatever the case of its JPG.
  EXPECT_EQ(RawFolder(), (std::set<std::string>{"a.NEF", "c.cr2", "notes.txt"}));
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, "Operation done");
  EXPECT_EQ(dialogs.messages[0].title, "RAW files deleted/renamed");
  EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Information);
  EXPECT_EQ(Names(frame.RawFiles()), (std::vector<std::string>{"a.NEF", "c.cr2"}));
  EXPECT_TRUE(dialogs.questions.empty());
  // The RAW folder is left the program's current folder.
  EXPECT_EQ(fs::current_path(), fs::path(Start()) / "RAW");
}

TEST_F(Commands, ACleanupThatWouldDeleteEveryRawFileAsksFirstAndNoKeepsThem) {
  for (const char* jpg : {"a.JPG", "c.jpg"}) fs::remove(Start() + "/JPG/" + jpg);
  const std::set<std::string> before = RawFolder();
  OpenDeleting();
  Click("deleteByFolderButton");  // Confirm=0, and no JPG left in the JPG folder
  ASSERT_EQ(dialogs.questions.size(), 1u);
  EXPECT_EQ(dialogs.questions[0].title, "Delete every RAW file?");
  EXPECT_EQ(dialogs.questions[0].text, "This cleanup would delete every RAW file in the folder " + Start() +
                                           "/RAW (3 files): not one has a JPG twin in the JPG folder " + Start() +
                                           "/JPG.\n\nDelete them all?");
  EXPECT_EQ(RawFolder(), before);  // No, the default
  EXPECT_TRUE(dialogs.messages.empty());

  // Yes: the empty JPG folder's outcome, as it always was.
  dialogs.questionAnswers = {true};
  Click("deleteByFolderButton");
  EXPECT_EQ(dialogs.questions.size(), 2u);
  EXPECT_EQ(RawFolder(), (std::set<std::string>{"notes.txt"}));
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, "Operation done");
}

TEST_F(Commands, AJpgFolderGoneSinceTheWindowOpenedCostsNoRawFile) {
  OpenDeleting();
  const std::set<std::string> before = RawFolder();
  // The card is pulled, or the share goes: no folder, or something else in its place.
  fs::remove_all(Start() + "/JPG");
  Click("deleteByFolderButton");
  scratch.Write("start/JPG", "not a folder now");
  Click("deleteByFolderButton");
  EXPECT_EQ(RawFolder(), before);
  ASSERT_EQ(dialogs.messages.size(), 2u);
  for (const ShownMessage& message : dialogs.messages) {
    EXPECT_EQ(message.title, "Error");
    EXPECT_NE(message.text.find("JPG folder cannot be read"), std::string::npos) << message.text;
  }
}

TEST_F(Commands, CleanupByPhotoListSetsTheUnmatchedRawFilesAside) {
  scratch.Write("start/list.txt", "a.JPG\r\n");
  dialogs.openAnswers = {Start() + "/list.txt"};
  MainWindow& frame = Open(&interpreter);
  Click("deleteByListButton");
  EXPECT_EQ(dialogs.openRequests.size(), 1u);
  // The record keeps the names the set-aside files had, for a restore.
  EXPECT_EQ(RawFolder(), (std::set<std::string>{"RAWnames.txt", "a.NEF", "b.nbak", "c.cbak", "notes.txt"}));
  EXPECT_EQ(Names(frame.RawFiles()), (std::vector<std::string>{"a.NEF"}));
}

TEST_F(Commands, AJpgNameThatIsNotValidTextNeverCostsItsRawFile) {
  scratch.Write("start/RAW/caf\xe9.nef");
  scratch.Write("start/JPG/caf\xe9.jpg");
  OpenDeleting();
  Click("deleteByFolderButton");
  EXPECT_TRUE(RawFolder().count("caf\xe9.nef"));
  for (const ShownMessage& message : dialogs.messages) EXPECT_NE(message.text, "Operation done");
}

TEST_F(Commands, ExportMenuRunsTheExtractionFromTheStartFolder) {
  Open();
  Control<QAction>("extractAction")->trigger();
  ASSERT_EQ(runner.calls.size(), 1u) << (dialogs.messages.empty() ? "" : dialogs.messages[0].text);
  EXPECT_EQ(runner.calls[0].request.scriptPath, Start() + "/Extr.bat");
  EXPECT_EQ(runner.calls[0].request.style, WindowStyle::NormalWithFocus);
  EXPECT_EQ(runner.calls[0].request.title, "Extracting previews");
  // The panes' folders, each with its separator; a.NEF's JPG is there, so it is left alone.
  const std::string& script = runner.calls[0].files.at("Extr.bat");
  EXPECT_NE(script.find(Start() + "/RAW/b.NEF"), std::string::npos) << script;
  EXPECT_NE(script.find(Start() + "/JPG/b.jpg"), std::string::npos) << script;
  EXPECT_EQ(script.find("a.NEF"), std::string::npos) << script;
  EXPECT_EQ(fs::current_path(), fs::path(Start()));
  // The recording runner ran nothing, so b.NEF got no JPG: a warning, not "Operation done".
  ASSERT_EQ(dialogs.reports.size(), 1u);
  EXPECT_EQ(dialogs.reports[0].icon, MessageIcon::Warning);
  EXPECT_EQ(dialogs.reports[0].rows,
            (std::vector<std::string>{"a.NEF: already had a JPG", "b.NEF: not done: the run ended before this file",
                                      "c.cr2: already had a JPG"}));
}

TEST_F(Commands, AClickWhileACommandWaitsForItsScriptStartsNothing) {
  Open();
  runner.duringNextRun = [&] {
    Click("deleteByFolderButton");
    Click("deleteByListButton");
    Control<QAction>("extractAction")->trigger();
  };
  Click("deleteByFolderButton");
  // The one cleanup's run of its two scripts, nothing else.
  EXPECT_EQ(runner.calls.size(), 1u);
  EXPECT_TRUE(dialogs.openRequests.empty());
}

TEST_F(Commands, NoSecondExtractionWhileOneWaitsForItsScript) {
  Open();
  runner.duringNextRun = [&] { Control<QAction>("extractAction")->trigger(); };
  Control<QAction>("extractAction")->trigger();
  EXPECT_EQ(runner.calls.size(), 1u);
  EXPECT_EQ(dialogs.messages.size(), 1u);

  // Once that run has ended, the next one starts as usual.
  Control<QAction>("extractAction")->trigger();
  EXPECT_EQ(runner.calls.size(), 2u);
}

TEST_F(Commands, AFailureThatEscapesACommandIsShownAsAnError) {
  runner.duringNextRun = [] { throw std::runtime_error("the interpreter vanished"); };
  Open();
  Click("deleteByFolderButton");
  ASSERT_FALSE(dialogs.messages.empty());
  EXPECT_EQ(dialogs.messages.back().title, "Error");
  EXPECT_NE(dialogs.messages.back().text.find("the interpreter vanished"), std::string::npos);
  for (const ShownMessage& message : dialogs.messages) EXPECT_NE(message.text, "Operation done");
  // The window takes commands again afterwards.
  Click("deleteByFolderButton");
  EXPECT_EQ(runner.calls.size(), 2u);
}

// Runs the application's event loop until the program ends, or fails after a few seconds.
int RunUntilTheProgramEnds(const std::function<void()>& action) {
  QTimer::singleShot(0, action);
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
  watchdog.start(5000);
  return QApplication::exec();
}

TEST_F(Commands, ExitAndClosingTheWindowEndTheProgramAtOnce) {
  MainWindow& frame = Open();
  frame.show();
  EXPECT_EQ(RunUntilTheProgramEnds([&] { Click("exitButton"); }), 0);
  EXPECT_FALSE(frame.isVisible());
  EXPECT_FALSE(fs::exists(Start() + "/RAW/rRAW.bat"));

  frame.show();
  EXPECT_EQ(RunUntilTheProgramEnds([&] { frame.close(); }), 0);
  EXPECT_FALSE(frame.isVisible());
}

TEST_F(Commands, ClosingWhileACleanupWaitsLetsItFinishThenEnds) {
  MainWindow& frame = Open();
  frame.show();
  bool hiddenAtOnce = false;
  runner.duringNextRun = [&] {
    Click("exitButton");
    hiddenAtOnce = !frame.isVisible();
  };
  EXPECT_EQ(RunUntilTheProgramEnds([&] { Click("deleteByFolderButton"); }), 0);
  EXPECT_TRUE(hiddenAtOnce);
  // The run went on to its end, restoring script and all: the RAW files were not left set aside.
  ASSERT_EQ(runner.calls.size(), 1u);
  EXPECT_EQ(runner.calls[0].request.thenScriptPath, Start() + "/RAW/RAWreverse.bat");
}

// Acts on the preview dialog once it shows.
void OnPreview(std::function<void(QDialog&)> act) {
  QTimer::singleShot(0, [act] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(dialog->objectName(), "PreviewDialog");
    act(*dialog);
  });
}

void Press(QDialog& dialog, const char* button) { dialog.findChild<QPushButton*>(button)->click(); }

TEST_F(Commands, ThePreviewShowsWhatTheCleanupWouldDoAndCarriesOutExactlyThat) {
  OpenDeleting();
  const std::set<std::string> before = RawFolder();
  QString summary;
  OnPreview([&](QDialog& dialog) {
    summary = dialog.findChild<QLabel*>("summary")->text();
    const QAbstractItemModel* rows = dialog.findChild<QTreeView*>("files")->model();
    ASSERT_EQ(rows->rowCount(), 3);
    EXPECT_EQ(rows->index(1, 0).data().toString(), "b.NEF");
    EXPECT_EQ(rows->index(1, 1).data().toString(), "would be deleted");
    EXPECT_EQ(rows->index(2, 1).data().toString(), "kept");
    EXPECT_EQ(dialog.findChild<QLabel*>("warning"), nullptr);
    Press(dialog, "close");
  });
  Control<QAction>("previewByFolderAction")->trigger();
  EXPECT_EQ(summary, "1 RAW file would be deleted, 0 would be set aside, 2 kept.");
  EXPECT_EQ(RawFolder(), before);
  EXPECT_TRUE(dialogs.messages.empty());

  // A JPG that arrives between the preview and the click changes nothing: what was shown is done.
  OnPreview([&](QDialog& dialog) {
    scratch.Write("start/JPG/b.jpg");
    Press(dialog, "carryOut");
  });
  Control<QAction>("previewByFolderAction")->trigger();
  EXPECT_EQ(RawFolder(), (std::set<std::string>{"a.NEF", "c.cr2", "notes.txt"}));
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, "Operation done");
}

TEST_F(Commands, WithConfirmTheButtonsPreviewFirstAndAPreviewOfLosingEverythingSaysSo) {
  scratch.Write("start/Shotsweep.ini", "Confirm=1\r\n");
  scratch.Write("start/list.txt", "nothing.jpg\r\n");
  dialogs.openAnswers = {Start() + "/list.txt"};
  OpenDeleting();
  const std::set<std::string> before = RawFolder();
  QString warning;
  OnPreview([&](QDialog& dialog) {
    warning = dialog.findChild<QLabel*>("warning")->text();
    Press(dialog, "close");
  });
  Click("deleteByListButton");
  EXPECT_THAT(warning.toStdString(), ::testing::HasSubstr("delete every RAW file in the folder"));
  EXPECT_EQ(RawFolder(), before);
}

TEST_F(Commands, RestoreGivesSetAsideFilesTheirNamesBackAndIsOfferedAfterAnUnfinishedCleanup) {
  scratch.Write("start/RAW/d.nbak", "d");
  scratch.Write("start/RAW/RAWjpg.txt", "left by a cleanup that did not end");
  dialogs.questionAnswers = {true};
  Open(&interpreter);
  ASSERT_EQ(dialogs.questions.size(), 1u);
  EXPECT_TRUE(RawFolder().count("d.nef"));

  scratch.Write("start/RAW/e.cbak", "e");
  Control<QAction>("restoreAction")->trigger();
  EXPECT_TRUE(RawFolder().count("e.cr2"));
  EXPECT_EQ(dialogs.messages.back().title, "Set-aside RAW files restored");
}

TEST_F(Commands, TrashModeShowsBeforeTheClick) {
  scratch.Write("start/Shotsweep.ini", "Trash=1\r\n");
  MainWindow& frame = Open();
  EXPECT_TRUE(Control<QLabel>("trashNote")->isVisibleTo(&frame));
  EXPECT_TRUE(Control<QAction>("trashAction")->isVisible());
}

}  // namespace
}  // namespace shotsweep::testing
