#include "app/preview_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/table_model.h"
#include "platform/qt/local_path.h"

namespace shotsweep {
namespace {

QString Count(int n, const char* one, const char* many) { return QString("%1 %2").arg(n).arg(n == 1 ? one : many); }

const std::vector<TableColumn<PlannedFile>>& FileColumns() {
  static const std::vector<TableColumn<PlannedFile>> columns = {
      {"RAW file", [](const PlannedFile& f) { return FromLocalPath(f.name); }},
      {"What would happen", [](const PlannedFile& f) { return PreviewDialog::Fate(f.action); }},
      {"New name", [](const PlannedFile& f) { return FromLocalPath(f.newName); }},
      {"Sidecar of", [](const PlannedFile& f) { return FromLocalPath(f.owner); }},
  };
  return columns;
}

}  // namespace

QString PreviewDialog::Fate(PlannedFile::Action action) {
  // Nothing has happened yet: the words say what would.
  switch (action) {
    case PlannedFile::Keep: return "kept";
    case PlannedFile::SetAside: return "would be set aside";
    case PlannedFile::Delete: return "would be deleted";
    case PlannedFile::Trash: return "would be moved to the trash";
    case PlannedFile::Restore: return "would be restored";
  }
  return {};
}

QString PreviewDialog::Summary(const RunPlan& p) {
  const int gone = p.Count(PlannedFile::Delete) + p.Count(PlannedFile::Trash);
  const QString goneWord = Fate(p.Count(PlannedFile::Trash) > 0 ? PlannedFile::Trash : PlannedFile::Delete);
  QString text = QString("%1 %2, %3 %4, %5 kept.")
                     .arg(Count(gone, "RAW file", "RAW files"), goneWord)
                     .arg(p.Count(PlannedFile::SetAside))
                     .arg(Fate(PlannedFile::SetAside))
                     .arg(p.Count(PlannedFile::Keep));
  // Sidecars are listed with the RAW file they belong to, but counted apart: the RAW counts
  // are what the user culled.
  const int sidecars = p.CountSidecars(PlannedFile::Delete) + p.CountSidecars(PlannedFile::Trash);
  if (sidecars > 0) text += QString(" %1 would go with them.").arg(Count(sidecars, "sidecar file", "sidecar files"));
  return text;
}

QString PreviewDialog::Warning(const RunPlan& p) {
  if (EmptiesRawFolder(p)) {
    return p.Count(PlannedFile::Trash) > 0
               ? "This cleanup would move every RAW file in the folder to the trash: not one of them has a JPG twin."
               : "This cleanup would delete every RAW file in the folder: not one of them has a JPG twin.";
  }
  if (p.rawFilesInFolder > 0 && p.Count(PlannedFile::Keep) == 0 &&
      p.Count(PlannedFile::SetAside) + p.Count(PlannedFile::Delete) + p.Count(PlannedFile::Trash) ==
          p.rawFilesInFolder) {
    return "This cleanup would keep no RAW file in the folder: not one of them has a JPG twin.";
  }
  return {};
}

PreviewDialog::PreviewDialog(QWidget* parent, const QString& title, const RunPlan& plan,
                             const QString& rawFolder)
    : QDialog(parent) {
  setObjectName("PreviewDialog");
  setWindowTitle(title);
  auto* layout = new QVBoxLayout(this);

  auto* folder = new QLabel(QString("RAW folder: %1").arg(rawFolder), this);
  folder->setObjectName("folder");
  folder->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(folder);
  auto* summary = new QLabel(Summary(plan), this);
  summary->setObjectName("summary");
  layout->addWidget(summary);

  const QString warning = Warning(plan);
  if (!warning.isEmpty() || plan.error.has_value()) {
    auto* label = new QLabel(this);
    label->setObjectName("warning");
    label->setWordWrap(true);
    label->setStyleSheet("color: rgb(192, 0, 0); font-weight: bold;");
    label->setText(plan.error.has_value()
                       ? "The cleanup would end with this error, and is not offered:\n" +
                             QString::fromStdString(plan.error->Text())
                       : warning);
    layout->addWidget(label);
  }

  auto* files = new QTreeView(this);
  files->setObjectName("files");
  files->setRootIsDecorated(false);
  files->setUniformRowHeights(true);
  files->setItemsExpandable(false);
  files->setModel(new TableModel<PlannedFile>(plan.files, FileColumns(), files));
  // Widths from the rows in sight and a sample of the rest, once; measured on every row they
  // would cost the opening of a large plan most of its time. The user can widen a column.
  files->header()->setResizeContentsPrecision(200);
  for (int column = 0; column < files->model()->columnCount(); ++column) files->resizeColumnToContents(column);
  layout->addWidget(files);

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* carryOut = buttons->addButton("Carry out this cleanup", QDialogButtonBox::AcceptRole);
  carryOut->setObjectName("carryOut");
  carryOut->setEnabled(!plan.error && plan.ran);
  QPushButton* close = buttons->addButton(QDialogButtonBox::Close);
  close->setObjectName("close");
  close->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  resize(640, 480);
}

}  // namespace shotsweep
