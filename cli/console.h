#pragma once
// The command port without a window: folders and check boxes from the command line, file lists
// read from the folders, dialogs answered from the command line, boxes written to a stream.

#include <optional>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "port/command_port.h"

namespace shotsweep {

// A file list over a folder, listed as the window's file list lists it.
class FolderFileList final : public FileListView {
 public:
  FolderFileList(FileSystem& fs, std::string folder, std::string patterns);
  void Refresh() override;
  int ListCount() const override { return static_cast<int>(names_.size()); }
  std::string List(int index) const override { return names_.at(static_cast<std::size_t>(index)); }
  void SetListIndex(int index) override { index_ = index; }
  std::string FileName() const override;
  const std::optional<CommandError>& ReadError() const override { return error_; }

 private:
  FileSystem& fs_;
  std::string folder_;
  std::string patterns_;
  std::vector<std::string> names_;
  std::optional<CommandError> error_;
  int index_ = -1;
};

class ConsoleWindow final : public CommandWindow {
 public:
  ConsoleWindow(FileSystem& fs, std::string dir1, std::string dir2, int bak, int exif, const std::string& rawPattern);
  std::string Dir1Path() const override { return dir1_; }
  std::string Dir2Path() const override { return dir2_; }
  FileListView& File1() override { return file1_; }
  FileListView& File2() override { return file2_; }
  int BakValue() const override { return bak_; }
  int ExifValue() const override { return exif_; }

 private:
  std::string dir1_, dir2_;
  int bak_, exif_;
  FolderFileList file1_, file2_;
};

// The photo list comes from the command line; the boxes are kept for whoever ran the command.
class ConsoleDialogs final : public Dialogs {
 public:
  explicit ConsoleDialogs(std::string listFile = {}) : listFile_(std::move(listFile)) {}
  void MessageBox(const std::string& text, const std::string& title, MessageIcon icon) override;
  std::string InputBox(const std::string&, const std::string&, const std::string&) override { return {}; }
  std::optional<std::string> OpenFile(const OpenFileRequest&) override;
  bool Question(const std::string&, const std::string&) override { return false; }

  std::vector<std::string> errors;  // the "Error" boxes' texts, in order
  bool done = false;                // "Operation done" was shown

 private:
  std::string listFile_;
};

}  // namespace shotsweep
