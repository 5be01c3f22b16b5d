#include "settings/settings.h"

namespace shotsweep {

std::string WithTrailingSeparator(std::string_view path, char sep) {
  std::string out(path);
  if (out.empty() || out.back() != sep) out.push_back(sep);
  return out;
}

std::string JoinUnchanged(std::string_view folder, std::string_view name, char sep) {
  std::string out(folder);
  out.push_back(sep);
  out += name;
  return out;
}

std::string DecideQuote(std::string_view rawPath, bool quoteEveryPath) {
  if (quoteEveryPath || rawPath.find(' ') != std::string_view::npos) return "\"";
  return {};
}

CommandFolders FoldersOfRun(std::string_view rawPath, std::string_view jpgPath, const Settings& settings) {
  return {WithTrailingSeparator(rawPath), WithTrailingSeparator(jpgPath), DecideQuote(rawPath, settings.quoteEveryPath)};
}

}  // namespace shotsweep
