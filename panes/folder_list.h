#pragma once
// A pane's folder list: the open folder with its ancestors above it and its subfolders below.
// A folder opens on a double click or Enter; merely highlighting one changes nothing. Opening
// a folder, by the user or by setting Path, emits Change at once, inside the code that did it.
//
// Finding the subfolders means reading every entry of the folder. A folder of a few thousand
// entries is read on the spot; a larger one is read on a worker thread, and its subfolders
// appear below the open folder when the reading is done, so that the window never waits for
// a folder of a hundred thousand photos.

#include <QTreeWidget>
#include <atomic>
#include <memory>
#include <string>
#include <string_view>

#include "fs/file_system.h"
#include "panes/handover.h"

namespace shotsweep {

class FolderList : public QTreeWidget {
  Q_OBJECT

 public:
  // `fs` is read on worker threads.
  explicit FolderList(FileSystem& fs, QWidget* parent = nullptr);
  ~FolderList() override;

  // The open folder, a full path ending in "/" only at the root; empty before any is opened.
  std::string Path() const;
  // Opens the folder. False, and the list stays as it was, when it is not a folder that
  // exists. Opening the folder already open changes nothing.
  bool SetPath(std::string_view path);
  // Lists the open folder's subfolders again.
  void Refresh();
  // Whether the subfolders of a large folder are still being read.
  bool IsReading() const { return cancelReading_ != nullptr; }

 signals:
  void Change();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  // Every folder on the way is always open: no expand or collapse marks.
  void drawBranches(QPainter*, const QRect&, const QModelIndex&) const override {}

 private:
  void Open(QTreeWidgetItem* item);
  void AddSubfolders(const QStringList& names);

  FileSystem& fs_;
  QString path_;
  QTreeWidgetItem* open_ = nullptr;  // the open folder's row
  // Set to stop the reading under way; null when none is.
  std::shared_ptr<std::atomic<bool>> cancelReading_;
  Handover handover_{this};
};

}  // namespace shotsweep
