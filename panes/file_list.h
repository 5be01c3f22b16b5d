#pragma once
// A pane's file list: the files of its folder whose names match one of its ";"-separated
// patterns without regard to case, sorted without regard to case. Subfolders are not listed.
// What the commands read of it is FileListView, whose names are the file system's own bytes.

#include <QListWidget>
#include <string>
#include <string_view>
#include <vector>

#include "port/command_port.h"

namespace shotsweep {

class FileList : public QListWidget, public FileListView {
  Q_OBJECT

 public:
  explicit FileList(QWidget* parent = nullptr);

  const std::string& Path() const { return path_; }
  void SetPath(std::string_view path);  // reads the folder
  std::string Pattern() const;
  void SetPattern(std::string_view pattern);  // reads the folder again

  void Refresh() override;
  int ListCount() const override { return count(); }
  std::string List(int index) const override;  // throws std::out_of_range outside 0..ListCount-1
  int ListIndex() const { return currentRow(); }
  void SetListIndex(int index) override;
  std::string FileName() const override;  // the selected entry, empty when none is selected
  const std::optional<CommandError>& ReadError() const override { return readError_; }

 private:
  std::string path_;
  QString pattern_;
  std::vector<std::string> names_;  // the entries' names as the file system's bytes, by row
  std::optional<CommandError> readError_;
};

}  // namespace shotsweep
