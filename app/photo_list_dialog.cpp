#include "app/photo_list_dialog.h"

namespace shotsweep {
namespace {

// The length of a UTF-8 text in characters rather than bytes.
std::size_t CharacterCount(std::string_view text) {
  std::size_t count = 0;
  for (char c : text) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return count;
}

}  // namespace

std::optional<std::string> AskForPhotoList(Dialogs& dialogs) {
  OpenFileRequest request;
  request.DialogTitle = "Otevřít seznam souborů v .txt (photo_file_list.txt)";
  request.DefaultExt = "*.txt";
  request.FileName = "photo_file_list.txt";
  request.Filter = "File list (*.txt)|*.txt|";
  request.CancelError = true;
  std::optional<std::string> chosen = dialogs.OpenFile(request);
  if (!chosen || CharacterCount(*chosen) < 5 || chosen->front() == '*') return std::nullopt;
  return chosen;
}

}  // namespace shotsweep
