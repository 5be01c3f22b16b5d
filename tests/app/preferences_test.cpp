// The settings as the window shows and changes them: the Preferences dialog and the trash
// switch write Shotsweep.ini back, and what start-up did not take as written is told.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include <gmock/gmock.h>

#include "settings/settings_reader.h"
#include "tests/app/window_fixture.h"

namespace shotsweep::testing {
namespace {

using ::testing::HasSubstr;

class Preferences : public WindowTest {
 protected:
  std::string Ini() const { return ReadFile(Start() + "/Shotsweep.ini"); }
  // What the next start would read.
  Settings ReadBack() const {
    Settings s;
    ReadSettingsIn(TestDisk(), Start(), s);
    return s;
  }
};

void OnPreferences(std::function<void(QDialog&)> act) {
  QTimer::singleShot(0, [act] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(dialog->objectName(), "PreferencesDialog");
    act(*dialog);
  });
}

template <typename W>
W& In(QDialog& dialog, const char* name) {
  W* widget = dialog.findChild<W*>(name);
  if (!widget) throw std::runtime_error(std::string("no ") + name);
  return *widget;
}

TEST_F(Preferences, SavedValuesTakeEffectAtOnceAndReadBackWithTheRestOfTheFileKept) {
  const std::string before = "; shared with another tool\nFoo=bar, KillBat=1\n\"QMark=0\"\nExtraRAW=cr3, dng\nTimer=4";
  scratch.Write("start/Shotsweep.ini", before);
  scratch.Write("start/a.NEF");
  scratch.Write("start/b.raf");
  MainWindow& frame = Open();
  ASSERT_TRUE(dialogs.messages.empty());

  bool refusedStayedOpen = false;
  QString refusal;
  OnPreferences([&](QDialog& dialog) {
    EXPECT_EQ(In<QLineEdit>(dialog, "extraRawEdit").text(), "cr3,dng");
    EXPECT_EQ(In<QLineEdit>(dialog, "sidecarsEdit").text(), "xmp,pp3,dop,arp");
    In<QCheckBox>(dialog, "trashBox").setChecked(true);
    In<QCheckBox>(dialog, "qmarkBox").setChecked(true);
    In<QLineEdit>(dialog, "codePageEdit").setText("852");
    In<QLineEdit>(dialog, "extraRawEdit").setText("cr3, raf, jpg");
    In<QPushButton>(dialog, "save").click();
    refusedStayedOpen = dialog.isVisible();
    refusal = In<QLabel>(dialog, "problems").text();
    In<QLineEdit>(dialog, "extraRawEdit").setText("cr3, RAF");
    In<QLineEdit>(dialog, "sidecarsEdit").setText("");
    In<QPushButton>(dialog, "save").click();
  });
  Control<QAction>("preferencesAction")->trigger();

  EXPECT_TRUE(refusedStayedOpen);
  EXPECT_THAT(refusal.toStdString(), HasSubstr("\"jpg\" is ignored: JPG files are never touched"));
  // Each value in place of its old one, the new keys after the rest, lines ended as the file's.
  EXPECT_EQ(Ini(), "; shared with another tool\nFoo=bar, KillBat=1\n\"QMark=1\"\nExtraRAW=cr3,raf\nTimer=4\n"
                   "Trash=1\nRAWCodePage=852\nSidecars=\n");
  const Settings read = ReadBack();
  for (const Settings* s : {&read, &frame.settings()}) {
    EXPECT_TRUE(s->trash);
    EXPECT_TRUE(s->quoteEveryPath);
    EXPECT_EQ(s->codePage, 852);
    EXPECT_EQ(s->extraRawKinds, (std::vector<std::string>{"cr3", "raf"}));
    EXPECT_TRUE(s->sidecarKinds.empty());
  }
  // In force at once: the RAW list shows the new kind, and the trash mode shows.
  EXPECT_EQ(Names(frame.RawFiles()), (std::vector<std::string>{"a.NEF", "b.raf"}));
  EXPECT_TRUE(Control<QLabel>("trashNote")->isVisibleTo(&frame));
  EXPECT_TRUE(Control<QAction>("trashAction")->isChecked());
  EXPECT_TRUE(dialogs.messages.empty());

  // Cancel changes nothing.
  OnPreferences([&](QDialog& dialog) {
    In<QCheckBox>(dialog, "trashBox").setChecked(false);
    In<QPushButton>(dialog, "cancel").click();
  });
  Control<QAction>("preferencesAction")->trigger();
  EXPECT_TRUE(frame.settings().trash);
  EXPECT_THAT(Ini(), HasSubstr("Trash=1\n"));
}

TEST_F(Preferences, TheTrashSwitchWritesTrashAndAFileThatCannotBeWrittenLeavesItAsItWas) {
  scratch.Write("start/Shotsweep.ini", "KillBat=0\r\n");
  MainWindow& frame = Open();
  QAction* trash = Control<QAction>("trashAction");
  trash->trigger();
  EXPECT_TRUE(frame.settings().trash);
  EXPECT_EQ(Ini(), "KillBat=0\r\nTrash=1\r\n");
  trash->trigger();
  EXPECT_FALSE(frame.settings().trash);
  EXPECT_FALSE(Control<QLabel>("trashNote")->isVisibleTo(&frame));
  EXPECT_EQ(Ini(), "KillBat=0\r\nTrash=0\r\n");

  // A settings file that cannot be read is not written anew from what the program knows.
  std::filesystem::remove(Start() + "/Shotsweep.ini");
  std::filesystem::create_directory(Start() + "/Shotsweep.ini");
  trash->trigger();
  EXPECT_FALSE(frame.settings().trash);
  EXPECT_FALSE(trash->isChecked());
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_THAT(dialogs.messages[0].text, HasSubstr("could not be saved"));
  EXPECT_TRUE(std::filesystem::is_directory(Start() + "/Shotsweep.ini"));
}

TEST_F(Preferences, EntriesStartUpDidNotTakeAsWrittenAreToldOnceAndKeepTheirValues) {
  scratch.Write("start/Shotsweep.ini", "Confirm=yes\r\nQMark = 1\r\nTrash=2\r\nFoo=1\r\nTimer=x\r\nKillBat=0\r\n");
  MainWindow& frame = Open();
  EXPECT_FALSE(frame.settings().confirm);
  EXPECT_FALSE(frame.settings().quoteEveryPath);
  EXPECT_FALSE(frame.settings().trash);
  EXPECT_FALSE(frame.settings().deleteScripts);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Warning);
  EXPECT_EQ(dialogs.messages[0].title, "Shotsweep.ini");
  const std::string& text = dialogs.messages[0].text;
  EXPECT_THAT(text, HasSubstr("Confirm: \"yes\" is ignored"));
  EXPECT_THAT(text, HasSubstr("\"QMark = 1\" is ignored"));
  EXPECT_THAT(text, HasSubstr("Trash: \"2\" counts as 0 (off)"));
  EXPECT_THAT(text, ::testing::Not(HasSubstr("Foo")));
  EXPECT_THAT(text, ::testing::Not(HasSubstr("Timer")));
}

}  // namespace
}  // namespace shotsweep::testing
