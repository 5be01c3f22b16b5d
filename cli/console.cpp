#include "cli/console.h"

#include "base/file_names.h"
#include "base/folder_reading.h"

namespace shotsweep {

FolderFileList::FolderFileList(std::string folder, std::string patterns)
    : folder_(std::move(folder)), patterns_(std::move(patterns)) {}

void FolderFileList::Refresh() {
  static const std::atomic<bool> kNeverCancelled{false};
  FileListing files = ListMatchingFiles(folder_, NamePatterns(patterns_), kNeverCancelled);
  names_ = std::move(files.names);
  error_.reset();
  if (files.error != 0) error_ = ErrnoError(files.error, folder_);
  index_ = -1;
}

std::string FolderFileList::FileName() const {
  return index_ < 0 ? std::string() : names_.at(static_cast<std::size_t>(index_));
}

ConsoleWindow::ConsoleWindow(std::string dir1, std::string dir2, int bak, int exif, const std::string& rawPattern)
    : dir1_(std::move(dir1)), dir2_(std::move(dir2)), bak_(bak), exif_(exif), file1_(dir1_, rawPattern),
      file2_(dir2_, std::string(kJpgListPattern)) {}

void ConsoleDialogs::MessageBox(const std::string& text, const std::string&, MessageIcon icon) {
  if (icon == MessageIcon::Critical) {
    errors.push_back(text);
  } else if (text == "Operation done") {
    done = true;
  }
}

std::optional<std::string> ConsoleDialogs::OpenFile(const OpenFileRequest&) {
  if (listFile_.empty()) return std::nullopt;
  return listFile_;
}

}  // namespace shotsweep
