// The real dialogs, answered by a timer the way a user would answer them.
#include "platform/qt/qt_dialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>
#include <QTimer>
#include <functional>

#include "tests/support/temp_folder.h"

namespace shotsweep {
namespace {

template <typename D>
void AnswerNextDialog(std::function<void(D&)> answer) {
  QTimer::singleShot(0, [answer] {
    auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    answer(*dialog);
  });
}

TEST(QtDialogsTest, FiltersKeepTheirPatternsAndStarDotStarMeansEveryFile) {
  EXPECT_EQ(NameFiltersFrom("File list (*.txt)|*.txt|"), QStringList{"File list (*.txt)"});
  EXPECT_EQ(NameFiltersFrom("Lists|*.txt;*.lst|All files|*.*"),
            (QStringList{"Lists (*.txt *.lst)", "All files (*)"}));
  EXPECT_EQ(NameFiltersFrom("Odd (name)|*.txt"), QStringList{"Odd (name) (*.txt)"});
  EXPECT_TRUE(NameFiltersFrom("").isEmpty());
}

TEST(QtDialogsTest, ReportBoxScrollsThroughEveryRowAndFoldsTheDetailsAway) {
  QtDialogs dialogs(nullptr);
  ReportBoxRequest report{"0 of 600 RAW files got a JPG.\n600 have no JPG.", "Extracting previews",
                          MessageIcon::Warning, {}, "chcp 0\r\nthe transcript\r\n"};
  for (int i = 0; i < 600; ++i) report.rows.push_back("DSC_" + std::to_string(i) + ".nef: no preview in the file");
  AnswerNextDialog<QDialog>([](QDialog& box) {
    EXPECT_EQ(box.windowTitle(), "Extracting previews");
    EXPECT_EQ(box.findChild<QLabel*>("text")->text(), "0 of 600 RAW files got a JPG.\n600 have no JPG.");
    auto* rows = box.findChild<QListWidget*>("rows");
    ASSERT_NE(rows, nullptr);
    EXPECT_EQ(rows->count(), 600);
    EXPECT_EQ(rows->item(599)->text(), "DSC_599.nef: no preview in the file");
    box.show();
    QApplication::processEvents();
    EXPECT_GT(rows->verticalScrollBar()->maximum(), 0);
    auto* transcript = box.findChild<QPlainTextEdit*>("transcript");
    EXPECT_FALSE(transcript->isVisible());
    box.findChild<QToolButton*>("details")->click();
    EXPECT_TRUE(transcript->isVisible());
    EXPECT_EQ(transcript->toPlainText(), "chcp 0\nthe transcript\n");
    box.accept();
  });
  dialogs.ReportBox(report);
}

TEST(QtDialogsTest, InputBoxGivesTheTextOnOkAndNothingOnCancel) {
  QtDialogs dialogs(nullptr);
  AnswerNextDialog<QInputDialog>([](QInputDialog& box) {
    EXPECT_EQ(box.windowTitle(), "Create New Folder");
    EXPECT_EQ(box.labelText(), "Enter Folder Name:");
    EXPECT_EQ(box.textValue(), "JPG");
    box.setTextValue(" JPG 2 ");
    box.accept();
  });
  EXPECT_EQ(dialogs.InputBox("Enter Folder Name:", "Create New Folder", "JPG"), " JPG 2 ");
  AnswerNextDialog<QInputDialog>([](QInputDialog& box) { box.reject(); });
  EXPECT_EQ(dialogs.InputBox("Enter Folder Name:", "Create New Folder", "JPG"), "");
}

TEST(QtDialogsTest, MessageBoxShowsTextTitleAndIcon) {
  QtDialogs dialogs(nullptr);
  AnswerNextDialog<QMessageBox>([](QMessageBox& box) {
    EXPECT_EQ(box.text(), "2 No such file or directory");
    EXPECT_EQ(box.windowTitle(), "Error");
    EXPECT_EQ(box.icon(), QMessageBox::Critical);
    EXPECT_EQ(box.standardButtons(), QMessageBox::Ok);
    box.accept();
  });
  dialogs.MessageBox("2 No such file or directory", "Error", MessageIcon::Critical);

  // A short text under a long title: the box is as wide as the title needs, not the text.
  for (const char* title : {"RAW files deleted/renamed", "Set-aside RAW files restored"}) {
    int width = 0;
    AnswerNextDialog<QMessageBox>([&](QMessageBox& box) {
      width = box.width();
      box.accept();
    });
    dialogs.MessageBox("Operation done", title, MessageIcon::Information);
    EXPECT_GE(width, TitleWidth(title)) << title;
    EXPECT_GT(TitleWidth(title), QFontMetrics(QApplication::font()).horizontalAdvance(title)) << title;
  }
}

TEST(QtDialogsTest, AQuestionAnsweredWithEnterIsNo) {
  QtDialogs dialogs(nullptr);
  AnswerNextDialog<QMessageBox>([](QMessageBox& box) {
    EXPECT_EQ(box.text(), "Delete them all?");
    EXPECT_EQ(box.windowTitle(), "Delete every RAW file?");
    QTest::keyClick(&box, Qt::Key_Return);
  });
  EXPECT_FALSE(dialogs.Question("Delete them all?", "Delete every RAW file?"));
  AnswerNextDialog<QMessageBox>([](QMessageBox& box) { box.button(QMessageBox::Yes)->click(); });
  EXPECT_TRUE(dialogs.Question("Delete them all?", "Delete every RAW file?"));
}

TEST(QtDialogsTest, OpenFileOffersTheRequestAndGivesTheChosenPath) {
  testing::TempFolder folder;
  const std::string list = folder.Write("photo_file_list.txt", "a.jpg\r\n").string();
  const QString old = QDir::currentPath();
  QDir::setCurrent(QString::fromStdString(folder.str()));
  OpenFileRequest request;
  request.DialogTitle = "Photo list";
  request.DefaultExt = "*.txt";
  request.FileName = "photo_file_list.txt";
  request.Filter = "File list (*.txt)|*.txt|";
  QtDialogs dialogs(nullptr);

  AnswerNextDialog<QFileDialog>([](QFileDialog& box) {
    EXPECT_EQ(box.windowTitle(), "Photo list");
    EXPECT_EQ(box.defaultSuffix(), "txt");
    EXPECT_EQ(box.nameFilters(), QStringList{"File list (*.txt)"});
    EXPECT_FALSE(box.filter() & QDir::CaseSensitive);  // "LIST.TXT" is offered too
    box.reject();
  });
  EXPECT_EQ(dialogs.OpenFile(request), std::nullopt);

  AnswerNextDialog<QFileDialog>([](QFileDialog& box) { QMetaObject::invokeMethod(&box, "accept"); });
  EXPECT_EQ(dialogs.OpenFile(request), list);
  QDir::setCurrent(old);
}

}  // namespace
}  // namespace shotsweep
