#include "extraction/tool_lookup.h"

#include <filesystem>


#include "extraction/extraction_script.h"

namespace shotsweep {
namespace {

std::optional<std::string> FindIn(FileSystem& fs, std::string_view folder, std::string_view tool, char sep) {
  for (const std::string& name : {std::string(tool), std::string(tool) + ".exe"}) {
    std::string path = JoinUnchanged(folder, name, sep);
    if (fs.IsFile(path) && !fs.CheckAccess(path, Access::Run)) return path;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> FindTool(FileSystem& fs, std::string_view startFolder, std::string_view tool,
                                    std::string_view searchPath, char sep, char listSep) {
  if (auto found = FindIn(fs, startFolder, tool, sep)) return found;
  while (true) {
    const std::size_t end = searchPath.find(listSep);
    std::string_view folder = searchPath.substr(0, end);
    // An empty or relative entry would name the tool relative to whatever folder the script
    // runs in; the script names every tool by an absolute path.
    if (std::filesystem::path(folder).is_absolute()) {
      // "/usr/bin/" is as good as "/usr/bin": do not double its separator.
      if (folder.size() > 1 && folder.back() == sep) folder.remove_suffix(1);
      if (auto found = FindIn(fs, folder, tool, sep)) return found;
    }
    if (end == std::string_view::npos) return std::nullopt;
    searchPath.remove_prefix(end + 1);
  }
}

}  // namespace shotsweep
