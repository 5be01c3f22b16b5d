#pragma once
// Where the commands and whoever starts them meet: what a command reads from the window (its
// folders, file lists and check boxes) and the services it is given. The window implements it
// over its controls; tests implement it over plain folders, so every command runs without a
// window.

#include <optional>
#include <string>
#include <vector>

#include "base/errors.h"
#include "fs/file_system.h"

namespace shotsweep {

struct Module1;
class Dialogs;
class ScriptRunner;

// A file list control (File1, File2): its folder's files that match its pattern.
class FileListView {
 public:
  virtual ~FileListView() = default;
  virtual void Refresh() = 0;
  virtual int ListCount() const = 0;
  virtual std::string List(int index) const = 0;  // bare file name
  virtual void SetListIndex(int index) = 0;
  virtual std::string FileName() const = 0;       // the selected entry's name
  // Why the last Refresh could not read the folder; nullopt when it could. A list that could
  // not be read is empty, which must not be taken for an empty folder.
  virtual const std::optional<CommandError>& ReadError() const = 0;
};

// Every entry's file name, taken the way the commands take them: the selection walks down the
// list and stays on the last entry.
inline std::vector<std::string> SelectEachEntry(FileListView& list) {
  std::vector<std::string> names;
  for (int i = 0, count = list.ListCount(); i < count; ++i) {
    list.SetListIndex(i);
    names.push_back(list.FileName());
  }
  return names;
}

class CommandWindow {
 public:
  virtual ~CommandWindow() = default;
  virtual std::string Dir1Path() const = 0;  // left folder list's path
  virtual std::string Dir2Path() const = 0;  // right folder list's path
  virtual FileListView& File1() = 0;
  virtual FileListView& File2() = 0;
  virtual int BakValue() const = 0;   // 0 cleared, 1 ticked, 2 grayed
  virtual int ExifValue() const = 0;  // 0 cleared, 1 ticked
};

// Everything a command needs: the shared values, the window, the dialogs, the script runner,
// and the file system every file it reads or writes goes through.
struct CommandContext {
  Module1& module;
  CommandWindow& window;
  Dialogs& dialogs;
  ScriptRunner& runner;
  FileSystem& fs;
};

}  // namespace shotsweep
