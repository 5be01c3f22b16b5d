#pragma once
// A pane's folder list: the open folder with its ancestors above it and its subfolders below.
// A folder opens on a double click or Enter; merely highlighting one changes nothing. Opening
// a folder, by the user or by setting Path, emits Change at once, inside the code that did it.

#include <QTreeWidget>
#include <string>
#include <string_view>

namespace shotsweep {

class FolderList : public QTreeWidget {
  Q_OBJECT

 public:
  explicit FolderList(QWidget* parent = nullptr);

  // The open folder, a full path ending in "/" only at the root; empty before any is opened.
  std::string Path() const;
  // Opens the folder. False, and the list stays as it was, when it is not a folder that
  // exists. Opening the folder already open changes nothing.
  bool SetPath(std::string_view path);
  // Lists the open folder's subfolders again.
  void Refresh();

 signals:
  void Change();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  // Every folder on the way is always open: no expand or collapse marks.
  void drawBranches(QPainter*, const QRect&, const QModelIndex&) const override {}

 private:
  void Open(QTreeWidgetItem* item);

  QString path_;
};

}  // namespace shotsweep
