#include "panes/file_list.h"

#include <QDir>
#include <algorithm>
#include <stdexcept>

#include "platform/local_path.h"

namespace shotsweep {

FileList::FileList(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformItemSizes(true);
}

std::string FileList::Path() const { return ToLocalPath(path_); }

void FileList::SetPath(std::string_view path) {
  path_ = FromLocalPath(path);
  Refresh();
}

std::string FileList::Pattern() const { return pattern_.toStdString(); }

void FileList::SetPattern(std::string_view pattern) {
  pattern_ = QString::fromUtf8(pattern.data(), static_cast<qsizetype>(pattern.size()));
  Refresh();
}

void FileList::Refresh() {
  clear();
  if (path_.isEmpty()) return;
  QStringList patterns = pattern_.split(';', Qt::SkipEmptyParts);
  for (QString& p : patterns) p = p.trimmed();
  // Hidden files count: a RAW file named ".nef" is a file like any other to the commands.
  // Without QDir::CaseSensitive the patterns match without regard to case.
  QStringList names = QDir(path_).entryList(patterns, QDir::Files | QDir::Hidden, QDir::Unsorted);
  std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
    const int folded = QString::compare(a, b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : QString::compare(a, b, Qt::CaseSensitive) < 0;
  });
  addItems(names);
}

std::string FileList::List(int index) {
  if (index < 0 || index >= count()) throw std::out_of_range("file list index " + std::to_string(index));
  return ToLocalPath(item(index)->text());
}

void FileList::SetListIndex(int index) { setCurrentRow(index); }

std::string FileList::FileName() {
  const QListWidgetItem* selected = currentItem();
  return selected ? ToLocalPath(selected->text()) : std::string();
}

}  // namespace shotsweep
