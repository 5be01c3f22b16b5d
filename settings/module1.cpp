#include "settings/module1.h"

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

std::string DecideQuote(std::string_view dir1Path, std::int16_t qmark) {
  if (qmark == 1 || dir1Path.find(' ') != std::string_view::npos) return "\"";
  return {};
}

std::string SetCommandFolders(Module1& module, std::string_view dir1Path, std::string_view dir2Path) {
  module.RawFolder = WithTrailingSeparator(dir1Path);
  module.JpgFolder = WithTrailingSeparator(dir2Path);
  return DecideQuote(dir1Path, module.settings.QMark);
}

}  // namespace shotsweep
