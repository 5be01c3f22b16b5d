#include "platform/command_files.h"

#include <unistd.h>

#include <cerrno>

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
};

}  // namespace

CommandFiles& DiskFiles() {
  static Disk disk;
  return disk;
}

}  // namespace shotsweep
