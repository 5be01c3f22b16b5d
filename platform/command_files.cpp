#include "platform/command_files.h"

#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "base/files.h"

namespace shotsweep {
namespace {

class Disk final : public CommandFiles {
 public:
  std::optional<CommandError> Write(const std::string& path, std::string_view content) override {
    return WriteWholeFile(path, content);
  }
  std::optional<CommandError> Delete(const std::string& path) override {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) return ErrnoError(errno, path);
    return std::nullopt;
  }
  std::optional<CommandError> ListFiles(const std::string& folder, std::vector<std::string>& names) override {
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error); !error && it != std::filesystem::directory_iterator();
         it.increment(error)) {
      std::error_code typeError;
      if (!it->is_directory(typeError)) names.push_back(it->path().filename().string());
    }
    if (error) return ErrnoError(error.value(), folder);
    return std::nullopt;
  }
};

}  // namespace

CommandFiles& DiskFiles() {
  static Disk disk;
  return disk;
}

}  // namespace shotsweep
