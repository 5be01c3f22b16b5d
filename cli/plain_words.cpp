#include "cli/plain_words.h"

#include <cerrno>
#include <cctype>
#include <cstring>
#include <vector>

namespace shotsweep {
namespace {

// What an errno means after "cannot be read: ".
std::string Reason(int number) {
  if (number == EACCES || number == EPERM) return "permission denied";
  std::string text = std::strerror(number);
  if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  return text;
}

std::string Named(std::string_view what, const std::string& path, std::string_view problem) {
  return std::string(what) + " " + path + " " + std::string(problem);
}

}  // namespace

std::string InWords(const CommandError& error) {
  return error.description.empty() ? std::strerror(error.number) : error.description;
}

std::optional<std::string> FolderProblem(FileSystem& fs, std::string_view what, const std::string& path) {
  // Reading one entry asks the very question the command will: a folder that cannot be
  // listed is told apart from one that is not there by why the listing failed.
  std::vector<DirEntry> entries;
  const auto error = fs.List(path, entries, ListLimits{1});
  if (!error || error->number == ECANCELED) return std::nullopt;
  if (error->number == ENOTDIR || fs.IsFile(path)) return Named(what, path, "is not a folder");
  if (error->number == ENOENT) return Named(what, path, "does not exist");
  return Named(what, path, "cannot be read: " + Reason(error->number));
}

std::optional<std::string> FileProblem(FileSystem& fs, std::string_view what, const std::string& path) {
  if (fs.IsDirectory(path)) return Named(what, path, "is a folder, not a file");
  if (!fs.Status(path)) return Named(what, path, "does not exist");
  if (!fs.IsFile(path)) return Named(what, path, "is not a regular file");
  if (const auto error = fs.CheckAccess(path, Access::Read)) {
    return Named(what, path, "cannot be read: " + Reason(error->number));
  }
  return std::nullopt;
}

}  // namespace shotsweep
