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

QString PreviewDialog::Summary(const Prediction& p) {
  const int gone = p.Count(PredictedFile::Delete) + p.Count(PredictedFile::Trash);
  const QString goneWord = p.Count(PredictedFile::Trash) > 0 ? "moved to the trash" : "deleted";
  return QString("%1 %2, %3 set aside, %4 kept.")
      .arg(Count(gone, "RAW file", "RAW files"), goneWord)
      .arg(p.Count(PredictedFile::SetAside))
      .arg(p.Count(PredictedFile::Keep));
}

QString PreviewDialog::Warning(const Prediction& p) {
  if (p.rawFilesInFolder == 0 || p.Count(PredictedFile::Keep) > 0) return {};
  const int gone = p.Count(PredictedFile::Delete) + p.Count(PredictedFile::Trash);
  if (gone == p.rawFilesInFolder) {
    return "This cleanup would delete every RAW file in the folder: not one of them has a JPG twin.";
  }
  if (p.Count(PredictedFile::SetAside) + gone == p.rawFilesInFolder) {
    return "This cleanup would keep no RAW file in the folder: not one of them has a JPG twin.";
  }
  return {};
}

PreviewDialog::PreviewDialog(QWidget* parent, const QString& title, const Prediction& prediction,
                             const QString& rawFolder)
    : QDialog(parent) {
  setObjectName("PreviewDialog");
  setWindowTitle(title);
  auto* layout = new QVBoxLayout(this);

  auto* folder = new QLabel(QString("RAW folder: %1").arg(rawFolder), this);
  folder->setObjectName("folder");
  folder->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(folder);
  auto* summary = new QLabel(Summary(prediction), this);
  summary->setObjectName("summary");
  layout->addWidget(summary);

  const QString warning = Warning(prediction);
  if (!warning.isEmpty() || !prediction.error.empty()) {
    auto* label = new QLabel(this);
    label->setObjectName("warning");
    label->setWordWrap(true);
    label->setStyleSheet("color: rgb(192, 0, 0); font-weight: bold;");
    label->setText(!prediction.error.empty()
                       ? "The cleanup would end with this error, and is not offered:\n" +
                             QString::fromStdString(prediction.error)
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
  for (const PredictedFile& file : prediction.files) {
    rows.append(new QTreeWidgetItem(
        QStringList{kActions[file.action], FromLocalPath(file.name), FromLocalPath(file.newName)}));
  }
  files->addTopLevelItems(rows);
  files->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  layout->addWidget(files);

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* carryOut = buttons->addButton("Carry out this cleanup", QDialogButtonBox::AcceptRole);
  carryOut->setObjectName("carryOut");
  carryOut->setEnabled(prediction.error.empty() && prediction.ran);
  QPushButton* close = buttons->addButton(QDialogButtonBox::Close);
  close->setObjectName("close");
  close->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  resize(640, 480);
}

}  // namespace shotsweep
