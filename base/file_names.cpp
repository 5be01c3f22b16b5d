#include "base/file_names.h"

namespace shotsweep {

std::optional<std::string> FileExtension(std::string_view name) {
  // A dot in first place marks a hidden-style name, not an extension, so the search starts
  // at the second byte. Dots are single bytes in UTF-8, so byte positions are safe here.
  const std::size_t dot = name.size() < 2 ? std::string_view::npos : name.find('.', 1);
  if (dot == std::string_view::npos) return std::nullopt;
  return std::string(name.substr(dot + 1));
}

std::string FileBaseName(std::string_view name) {
  const std::optional<std::string> extension = FileExtension(name);
  if (!extension) return {};
  return std::string(name.substr(0, name.size() - extension->size() - 1));
}

}  // namespace shotsweep
