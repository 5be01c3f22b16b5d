#include "panes/folder_list.h"

#include <QDir>
#include <QHeaderView>
#include <QKeyEvent>
#include <QStyle>
#include <algorithm>
#include <limits>

#include "fs/folder_listing.h"
#include "platform/qt/local_path.h"

namespace shotsweep {
namespace {

constexpr int kPathRole = Qt::UserRole;
// About a millisecond's reading: a folder this small is listed at once.
constexpr std::size_t kEntriesReadAtOnce = 4096;

// As the user sees them: without regard to case, and the same names in one order every time.
QStringList SortedNames(const std::vector<std::string>& names) {
  std::vector<std::pair<QString, QString>> keyed;
  keyed.reserve(names.size());
  for (const std::string& name : names) {
    QString shown = FromLocalPath(name);
    keyed.emplace_back(shown.toLower(), std::move(shown));
  }
  std::sort(keyed.begin(), keyed.end());
  QStringList sorted;
  sorted.reserve(static_cast<qsizetype>(keyed.size()));
  for (auto& [key, shown] : keyed) sorted.push_back(std::move(shown));
  return sorted;
}

}  // namespace

FolderList::FolderList(FileSystem& fs, QWidget* parent) : QTreeWidget(parent), fs_(fs) {
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
  if (wanted.isEmpty() || !QDir::isAbsolutePath(wanted) || !fs_.IsDirectory(ToLocalPath(wanted))) return false;
  if (wanted == path_) return true;
  path_ = wanted;
  Refresh();
  emit Change();
  return true;
}

FolderList::~FolderList() {
  if (cancelReading_) *cancelReading_ = true;
}

void FolderList::Refresh() {
  if (cancelReading_) *cancelReading_ = true;
  cancelReading_.reset();
  open_ = nullptr;
  clear();
  if (path_.isEmpty()) return;
  const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);

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

  open_ = current;

  // Hidden folders stay out of the way, as they do in a file manager; one that is open or an
  // ancestor of the open folder still shows above.
  const std::string folder = ToLocalPath(path_);
  static const std::atomic<bool> never{false};
  const SubfolderListing first = ListSubfolders(fs_, folder, kEntriesReadAtOnce, never);
  if (first.complete) {
    AddSubfolders(SortedNames(first.names));
  } else {
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    cancelReading_ = cancel;
    handover_.Run(
        [&fs = fs_, folder, cancel] {
          return SortedNames(ListSubfolders(fs, folder, std::numeric_limits<std::size_t>::max(), *cancel).names);
        },
        [this, cancel](QStringList names) {
          // A reading that was overtaken by another has nothing to add.
          if (cancel != cancelReading_) return;
          cancelReading_.reset();
          AddSubfolders(names);
        });
  }
  expandAll();
  setCurrentItem(current);
  // Ancestors first, then as far down as the open folder needs.
  scrollToTop();
  scrollToItem(current, QAbstractItemView::EnsureVisible);
}

void FolderList::AddSubfolders(const QStringList& names) {
  const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
  const QString prefix = path_ == "/" ? path_ : path_ + '/';
  QList<QTreeWidgetItem*> items;
  items.reserve(names.size());
  for (const QString& name : names) {
    auto* item = new QTreeWidgetItem(QStringList{name});
    item->setIcon(0, closed);
    item->setData(0, kPathRole, prefix + name);
    items.push_back(item);
  }
  open_->addChildren(items);
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
