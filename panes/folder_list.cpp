#include "panes/folder_list.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QStyle>

#include "platform/qt/local_path.h"

namespace shotsweep {
namespace {

constexpr int kPathRole = Qt::UserRole;

}  // namespace

FolderList::FolderList(QWidget* parent) : QTreeWidget(parent) {
  setHeaderHidden(true);
  setColumnCount(1);
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setExpandsOnDoubleClick(false);
  setUniformRowHeights(true);
  setIndentation(12);
  setSelectionMode(QAbstractItemView::SingleSelection);
  header()->setStretchLastSection(false);
  header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) { Open(item); });
}

std::string FolderList::Path() const { return ToLocalPath(path_); }

bool FolderList::SetPath(std::string_view path) {
  const QString wanted = QDir::cleanPath(FromLocalPath(path));
  if (wanted.isEmpty() || !QDir::isAbsolutePath(wanted) || !QFileInfo(wanted).isDir()) return false;
  if (wanted == path_) return true;
  path_ = wanted;
  Refresh();
  emit Change();
  return true;
}

void FolderList::Refresh() {
  clear();
  if (path_.isEmpty()) return;
  const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);

  auto* root = new QTreeWidgetItem(this, {"/"});
  root->setIcon(0, open);
  root->setData(0, kPathRole, QString("/"));
  QTreeWidgetItem* current = root;
  QString walked;
  for (const QString& part : path_.split('/', Qt::SkipEmptyParts)) {
    walked += '/' + part;
    current = new QTreeWidgetItem(current, {part});
    current->setIcon(0, open);
    current->setData(0, kPathRole, walked);
  }

  // Hidden folders stay out of the way, as they do in a file manager; one that is open or an
  // ancestor of the open folder still shows above.
  const QStringList subfolders =
      QDir(path_).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
  const QString prefix = path_ == "/" ? path_ : path_ + '/';
  for (const QString& name : subfolders) {
    auto* item = new QTreeWidgetItem(current, {name});
    item->setIcon(0, closed);
    item->setData(0, kPathRole, prefix + name);
  }
  expandAll();
  setCurrentItem(current);
  // Ancestors first, then as far down as the open folder needs.
  scrollToTop();
  scrollToItem(current, QAbstractItemView::EnsureVisible);
}

void FolderList::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    Open(currentItem());
    return;
  }
  QTreeWidget::keyPressEvent(event);
}

void FolderList::Open(QTreeWidgetItem* item) {
  if (item) SetPath(ToLocalPath(item->data(0, kPathRole).toString()));
}

}  // namespace shotsweep
