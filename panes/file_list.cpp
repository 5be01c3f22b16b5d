#include "panes/file_list.h"

#include <QRegularExpression>
#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <tuple>
#include <vector>

#include "platform/qt/local_path.h"

namespace shotsweep {

namespace fs = std::filesystem;

FileList::FileList(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformItemSizes(true);
}

void FileList::SetPath(std::string_view path) {
  path_ = path;
  Refresh();
}

std::string FileList::Pattern() const { return pattern_.toStdString(); }

void FileList::SetPattern(std::string_view pattern) {
  pattern_ = QString::fromUtf8(pattern.data(), static_cast<qsizetype>(pattern.size()));
  Refresh();
}

void FileList::Refresh() {
  clear();
  names_.clear();
  readError_.reset();
  if (path_.empty()) return;
  std::vector<QRegularExpression> patterns;
  for (const QString& pattern : pattern_.split(';', Qt::SkipEmptyParts))
    patterns.push_back(QRegularExpression::fromWildcard(pattern.trimmed(), Qt::CaseInsensitive));

  // The names are read and kept as the file system's bytes: Qt's own listing turns a name that
  // is not valid text into other bytes, and a cleanup given those would set aside the RAW file
  // of a JPG that is still there. Hidden files count: a RAW file named ".nef" is a file like
  // any other to the commands.
  struct Entry {
    QString shown;
    std::string name;
  };
  std::vector<Entry> entries;
  std::error_code end;
  for (fs::directory_iterator it(path_, end); !end && it != fs::directory_iterator();
       it.increment(end)) {
    std::error_code ec;
    if (!it->is_regular_file(ec)) continue;
    std::string name = it->path().filename().string();
    QString shown = FromLocalPath(name);
    if (std::any_of(patterns.begin(), patterns.end(),
                    [&](const QRegularExpression& p) { return p.match(shown).hasMatch(); }))
      entries.push_back({std::move(shown), std::move(name)});
  }
  if (end) {
    // Half a listing is no listing: show nothing, and say why to whoever asks.
    readError_ = ErrnoError(end.value(), path_);
    return;
  }
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    const int folded = QString::compare(a.shown, b.shown, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : std::tie(a.shown, a.name) < std::tie(b.shown, b.name);
  });
  QStringList shown;
  for (Entry& entry : entries) {
    shown.push_back(entry.shown);
    names_.push_back(std::move(entry.name));
  }
  addItems(shown);
}

std::string FileList::List(int index) const {
  if (index < 0 || index >= count()) throw std::out_of_range("file list index " + std::to_string(index));
  return names_[static_cast<std::size_t>(index)];
}

void FileList::SetListIndex(int index) { setCurrentRow(index); }

std::string FileList::FileName() const {
  const int selected = currentRow();
  return selected < 0 ? std::string() : names_[static_cast<std::size_t>(selected)];
}

}  // namespace shotsweep
