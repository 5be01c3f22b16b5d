// The cleanup preview's words and rows, for plans made up here.
#include "app/preview_dialog.h"

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>

namespace shotsweep {
namespace {

RunPlan Plan(std::vector<PlannedFile> files, int inFolder) {
  RunPlan plan;
  plan.ran = true;
  plan.rawFilesInFolder = inFolder;
  plan.files = std::move(files);
  return plan;
}

QStringList Row(const QAbstractItemModel& model, int row) {
  QStringList cells;
  for (int column = 0; column < model.columnCount(); ++column) cells << model.index(row, column).data().toString();
  return cells;
}

TEST(Preview, EachRowSaysWhatWouldHappenBeforeAnythingHappened) {
  const RunPlan plan = Plan({{PlannedFile::Keep, "A.NEF", "A.NEF"},
                             {PlannedFile::SetAside, "B.cr2", "B.cbak"},
                             {PlannedFile::Delete, "C.arw", ""},
                             {PlannedFile::Trash, "D.orf", ""}},
                            4);
  PreviewDialog dialog(nullptr, "Preview cleanup by JPG folder", plan, "/photos/RAW");
  const QAbstractItemModel& rows = *dialog.findChild<QTreeView*>("files")->model();
  ASSERT_EQ(rows.rowCount(), 4);
  EXPECT_EQ(rows.headerData(1, Qt::Horizontal).toString(), "What would happen");
  EXPECT_EQ(Row(rows, 0), (QStringList{"A.NEF", "kept", "A.NEF"}));
  EXPECT_EQ(Row(rows, 1), (QStringList{"B.cr2", "would be set aside", "B.cbak"}));
  EXPECT_EQ(Row(rows, 2), (QStringList{"C.arw", "would be deleted", ""}));
  EXPECT_EQ(Row(rows, 3), (QStringList{"D.orf", "would be moved to the trash", ""}));
  EXPECT_FALSE(rows.index(4, 0).data().isValid());
  EXPECT_TRUE(dialog.findChild<QPushButton*>("carryOut")->isEnabled());
  EXPECT_EQ(dialog.findChild<QLabel*>("warning"), nullptr);
}

TEST(Preview, SummaryAndWarningForAFolderThatWouldBeLeftEmpty) {
  std::vector<PlannedFile> files;
  for (int i = 0; i < 20000; ++i) files.push_back({PlannedFile::Trash, "DSC_" + std::to_string(i) + ".NEF", ""});
  const RunPlan trashed = Plan(files, 20000);
  EXPECT_EQ(PreviewDialog::Summary(trashed), "20000 RAW files would be moved to the trash, 0 would be set aside, 0 kept.");
  EXPECT_EQ(PreviewDialog::Warning(trashed),
            "This cleanup would move every RAW file in the folder to the trash: not one of them has a JPG twin.");
  PreviewDialog dialog(nullptr, "Preview cleanup by JPG folder", trashed, "/photos/RAW");
  EXPECT_EQ(dialog.findChild<QTreeView*>("files")->model()->rowCount(), 20000);
  EXPECT_EQ(dialog.findChild<QLabel*>("warning")->text(), PreviewDialog::Warning(trashed));

  const RunPlan one = Plan({{PlannedFile::Delete, "A.NEF", ""}}, 1);
  EXPECT_EQ(PreviewDialog::Summary(one), "1 RAW file would be deleted, 0 would be set aside, 0 kept.");
  EXPECT_EQ(PreviewDialog::Warning(one), "This cleanup would delete every RAW file in the folder: not one of them has a JPG twin.");
  // All set aside: nothing is lost, but nothing stays either.
  const RunPlan aside = Plan({{PlannedFile::SetAside, "A.NEF", "A.nbak"}}, 1);
  EXPECT_EQ(PreviewDialog::Warning(aside), "This cleanup would keep no RAW file in the folder: not one of them has a JPG twin.");
}

}  // namespace
}  // namespace shotsweep
