#pragma once
// A pane's file list: the files of its folder whose names match one of its ";"-separated
// patterns without regard to case, sorted without regard to case. Subfolders are not listed.
// Its names are the file system's own bytes.
//
// A folder of many thousand files takes a noticeable time to read, so the list reads it on a
// worker thread and shows the result when it arrives; the window stays responsive meanwhile.
// Reading the list (ListCount, List, FileName, ...) never sees a reading half done: it waits for the one under way, or does it on the spot if it has not started.

#include <QListView>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fs/file_system.h"
#include "base/errors.h"
#include "panes/handover.h"

namespace shotsweep {

class FileList : public QListView {
  Q_OBJECT

 public:
  // `fs` is read on worker threads.
  explicit FileList(FileSystem& fs, QWidget* parent = nullptr);
  ~FileList() override;

  const std::string& Path() const { return path_; }
  void SetPath(std::string_view path);  // reads the folder
  const std::string& Pattern() const { return pattern_; }
  void SetPattern(std::string_view pattern);  // reads the folder again

  // Starts reading the folder again; what is shown stays until the new listing replaces it.
  void Refresh();
  int ListCount() const;
  std::string List(int index) const;  // throws std::out_of_range outside 0..ListCount-1
  int ListIndex() const;
  void SetListIndex(int index);
  std::string FileName() const;  // the selected entry, empty when none is selected
  // Why the last reading could not read the folder; nullopt when it could. A list that could
  // not be read is empty, which must not be taken for an empty folder.
  const std::optional<CommandError>& ReadError() const;

  // Whether a reading has been asked for whose listing is not shown yet.
  bool IsReading() const { return pending_ != nullptr; }
  // How many names are shown, without waiting for a reading: nullopt while one is under way,
  // or when the folder could not be read, where no number would be true.
  std::optional<int> ShownCount() const;

 signals:
  // A new listing is shown.
  void Listed();

 protected:
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  class Model;
  struct Job;

  // Drops what is shown (it belongs to another folder or pattern) and reads anew.
  void Reread();
  void Start(const std::shared_ptr<Job>& job);
  // Waits for the pending reading, or does it here, and shows its listing.
  void Settle();
  void Show(Job& job);

  FileSystem& fs_;
  Model* model_;
  std::string path_;
  std::string pattern_;
  std::optional<CommandError> readError_;
  std::shared_ptr<Job> pending_;
  // The list took the focus while its names were still being read (at start-up, as a rule).
  bool focusedWhileReading_ = false;
  Handover handover_{this};
};

}  // namespace shotsweep
