#pragma once
// Test doubles for the window seams: a file list over a real folder, a window made of two
// such lists and two paths, and dialogs answered from a script.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "port/command_port.h"
#include "platform/dialogs.h"

namespace shotsweep::testing {

// Lists the files of `folder` that match one of the ";"-separated patterns, without regard
// to ASCII case, sorted without regard to case, the way the window's file list does.
class FolderFileList : public FileListView {
 public:
  FolderFileList(std::string folder, std::string pattern);
  void SetFolder(std::string folder) { folder_ = std::move(folder); Refresh(); }
  void Refresh() override;
  int ListCount() const override { return static_cast<int>(entries_.size()); }
  std::string List(int index) const override { return entries_.at(static_cast<size_t>(index)); }
  void SetListIndex(int index) override { index_ = index; }
  std::string FileName() const override { return index_ < 0 ? std::string() : entries_.at(static_cast<size_t>(index_)); }
  const std::optional<CommandError>& ReadError() const override { return readError_; }
  int ListIndex() const { return index_; }
  int refreshes = 0;

 private:
  std::optional<CommandError> readError_;
  std::string folder_;
  std::string pattern_;
  std::vector<std::string> entries_;
  int index_ = -1;
};

// A fixed list of names, for feeding entries a folder cannot hold.
class NameList : public FileListView {
 public:
  explicit NameList(std::vector<std::string> names) : names_(std::move(names)) {}
  void Refresh() override { ++refreshes; }
  int ListCount() const override { return static_cast<int>(names_.size()); }
  std::string List(int index) const override { return names_.at(static_cast<size_t>(index)); }
  void SetListIndex(int index) override { index_ = index; }
  std::string FileName() const override { return index_ < 0 ? std::string() : names_.at(static_cast<size_t>(index_)); }
  const std::optional<CommandError>& ReadError() const override { return noError_; }
  int refreshes = 0;

 private:
  std::optional<CommandError> noError_;
  std::vector<std::string> names_;
  int index_ = -1;
};

class FakeWindow : public CommandWindow {
 public:
  FakeWindow(std::string dir1, std::string dir2);
  std::string Dir1Path() const override { return dir1; }
  std::string Dir2Path() const override { return dir2; }
  FileListView& File1() override { return *file1; }
  FileListView& File2() override { return *file2; }
  int BakValue() const override { return bak; }
  int ExifValue() const override { return exif; }

  std::string dir1, dir2;
  FileListView* file1;
  FileListView* file2;
  FolderFileList rawList;  // File1 by default: "*.nef;*.cr*;*.arw;*.orf" of dir1
  FolderFileList jpgList;  // File2 by default: "*.jpg" of dir2
  int bak = 1;
  int exif = 0;
};

struct ShownMessage {
  std::string text;
  std::string title;
  MessageIcon icon;
};

// Records every box and answers input boxes and file dialogs from queues
// (an empty queue answers Cancel).
class ScriptedDialogs : public Dialogs {
 public:
  void MessageBox(const std::string& text, const std::string& title, MessageIcon icon) override {
    messages.push_back({text, title, icon});
  }
  std::string InputBox(const std::string& prompt, const std::string& title,
                       const std::string& proposed) override;
  std::optional<std::string> OpenFile(const OpenFileRequest& request) override;
  bool Question(const std::string& text, const std::string& title) override {
    questions.push_back({text, title, MessageIcon::Information});
    if (questionAnswers.empty()) return false;
    const bool answer = questionAnswers.front();
    questionAnswers.pop_front();
    return answer;
  }

  std::vector<ShownMessage> messages;
  std::vector<ShownMessage> questions;
  std::deque<bool> questionAnswers;  // an empty queue answers No
  std::deque<std::string> inputAnswers;
  std::deque<std::optional<std::string>> openAnswers;
  std::vector<OpenFileRequest> openRequests;
  std::vector<std::string> inputPrompts;
  std::vector<std::string> inputTitles;
  std::vector<std::string> inputProposals;
};

}  // namespace shotsweep::testing
