#include "cli/console.h"

#include "base/file_names.h"
#include "fs/folder_listing.h"

namespace shotsweep {

FolderFileList::FolderFileList(FileSystem& fs, std::string folder, std::string patterns)
    : fs_(fs), folder_(std::move(folder)), patterns_(std::move(patterns)) {}

void FolderFileList::Refresh() {
  FileListing files = ListMatchingFiles(fs_, folder_, NamePatterns(patterns_));
  names_ = std::move(files.names);
  error_ = std::move(files.error);
  index_ = -1;
}

std::string FolderFileList::FileName() const {
  return index_ < 0 ? std::string() : names_.at(static_cast<std::size_t>(index_));
}

ConsoleWindow::ConsoleWindow(FileSystem& fs, std::string dir1, std::string dir2, int bak, int exif,
                             const std::string& rawPattern)
    : dir1_(std::move(dir1)), dir2_(std::move(dir2)), bak_(bak), exif_(exif), file1_(fs, dir1_, rawPattern),
      file2_(fs, dir2_, std::string(kJpgListPattern)) {}

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
