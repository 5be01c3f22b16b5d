// The cleanup preview's words and rows, for plans made up here.
#include "app/preview_dialog.h"

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QLabel>
#include <QTreeView>

namespace shotsweep {
namespace {

QStringList Row(const QAbstractItemModel& model, int row) {
  QStringList cells;
  for (int column = 0; column < model.columnCount(); ++column) cells << model.index(row, column).data().toString();
  return cells;
}

TEST(Preview, EachRowAndTheSummarySayWhatWouldHappenBeforeAnythingHappened) {
  RunPlan plan;
  plan.ran = true;
  plan.rawFilesInFolder = 4;
  plan.files = {{PlannedFile::Keep, "A.NEF", "A.NEF"},
                {PlannedFile::SetAside, "B.cr2", "B.cbak"},
                {PlannedFile::Trash, "C.arw", ""},
                {PlannedFile::Trash, "D.orf", ""},
                {PlannedFile::Trash, "D.orf.xmp", "", "D.orf"}};
  PreviewDialog dialog(nullptr, "Preview cleanup by JPG folder", plan, "/photos/RAW");
  const QAbstractItemModel& rows = *dialog.findChild<QTreeView*>("files")->model();
  ASSERT_EQ(rows.rowCount(), 5);
  EXPECT_EQ(Row(rows, 0), (QStringList{"A.NEF", "kept", "A.NEF", ""}));
  EXPECT_EQ(Row(rows, 1), (QStringList{"B.cr2", "would be set aside", "B.cbak", ""}));
  EXPECT_EQ(Row(rows, 2), (QStringList{"C.arw", "would be moved to the trash", "", ""}));
  EXPECT_EQ(Row(rows, 4), (QStringList{"D.orf.xmp", "would be moved to the trash", "", "D.orf"}));
  EXPECT_EQ(dialog.findChild<QLabel*>("summary")->text(),
            "2 RAW files would be moved to the trash, 1 would be set aside, 1 kept. 1 sidecar file would go with them.");
  EXPECT_EQ(dialog.findChild<QLabel*>("warning"), nullptr);

  plan.files[0] = {PlannedFile::Trash, "A.NEF", ""};
  plan.files[1] = {PlannedFile::Trash, "B.cr2", ""};
  EXPECT_EQ(PreviewDialog::Warning(plan),
            "This cleanup would move every RAW file in the folder to the trash: not one of them has a JPG twin.");
}

}  // namespace
}  // namespace shotsweep
