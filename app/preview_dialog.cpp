#include "app/preview_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "platform/qt/local_path.h"

namespace shotsweep {
namespace {

QString Count(int n, const char* one, const char* many) { return QString("%1 %2").arg(n).arg(n == 1 ? one : many); }

}  // namespace

QString PreviewDialog::Summary(const RunPlan& p) {
  const int gone = p.Count(PlannedFile::Delete) + p.Count(PlannedFile::Trash);
  const QString goneWord = p.Count(PlannedFile::Trash) > 0 ? "moved to the trash" : "deleted";
  return QString("%1 %2, %3 set aside, %4 kept.")
      .arg(Count(gone, "RAW file", "RAW files"), goneWord)
      .arg(p.Count(PlannedFile::SetAside))
      .arg(p.Count(PlannedFile::Keep));
}

QString PreviewDialog::Warning(const RunPlan& p) {
  if (p.rawFilesInFolder == 0 || p.Count(PlannedFile::Keep) > 0) return {};
  const int gone = p.Count(PlannedFile::Delete) + p.Count(PlannedFile::Trash);
  if (gone == p.rawFilesInFolder) {
    return "This cleanup would delete every RAW file in the folder: not one of them has a JPG twin.";
  }
  if (p.Count(PlannedFile::SetAside) + gone == p.rawFilesInFolder) {
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

  auto* files = new QTreeWidget(this);
  files->setObjectName("files");
  files->setRootIsDecorated(false);
  files->setUniformRowHeights(true);
  files->setHeaderLabels({"Action", "RAW file", "New name"});
  static const char* kActions[] = {"keep", "set aside", "delete", "trash"};
  QList<QTreeWidgetItem*> rows;
  for (const PlannedFile& file : plan.files) {
    rows.append(new QTreeWidgetItem(
        QStringList{kActions[file.action], FromLocalPath(file.name), FromLocalPath(file.newName)}));
  }
  files->addTopLevelItems(rows);
  files->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
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
