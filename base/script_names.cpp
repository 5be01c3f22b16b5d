#include "base/script_names.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <cerrno>
#include <cstdint>

#include "base/text.h"

namespace shotsweep {
namespace {

bool NeedsQuotes(std::string_view text) {
  return text.find_first_of(kSpecialCharacters) != std::string_view::npos;
}

// The interpreter expands %NAME% inside quotes too; "%%" is its only way to write one "%".
std::string DoublePercent(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    out.push_back(c);
    if (c == '%') out.push_back('%');
  }
  return out;
}

}  // namespace

std::string_view LastPathComponent(std::string_view name) {
  const std::size_t slash = name.find_last_of("/\\");
  return slash == std::string_view::npos ? name : name.substr(slash + 1);
}

std::string ScriptPath(std::string_view quote, std::string_view path) {
  if (!NeedsQuotes(path)) return std::string(quote) + std::string(path) + std::string(quote);
  return "\"" + DoublePercent(path) + "\"";
}

std::optional<std::string> UnwritableReason(std::string_view text) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  const auto length = static_cast<std::int32_t>(text.size());
  if (static_cast<std::size_t>(length) != text.size()) return "it is too long";
  for (std::int32_t i = 0; i < length;) {
    UChar32 c;
    U8_NEXT(bytes, i, length, c);  // negative for any ill-formed sequence
    if (c < 0) return "it is not valid UTF-8 text";
    // A line end would cut the script line in two; other control characters (C1 included)
    // cannot be shown or typed back by the user and are refused alike.
    if (u_charType(c) == U_CONTROL_CHAR) return "it holds a control character";
    // A double quote would close the quotes the name is written in.
    if (c == '"') return "it holds a double quote";
    // The interpreter takes these as wildcards even inside quotes: one restore line would
    // then act on other files than the one named.
    if (c == '*' || c == '?') return "it holds a wildcard character (* or ?)";
  }
  return std::nullopt;
}

std::optional<CommandError> RefuseUnwritable(const std::vector<std::string>& texts,
                                             const std::function<std::string(std::size_t)>& what,
                                             std::string_view script) {
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (auto reason = UnwritableReason(texts[i])) {
      return CommandError{EINVAL, what(i) + " \"" + EscapeControls(texts[i]) + "\" cannot be written into " +
                                      std::string(script) + ": " + *reason};
    }
  }
  return std::nullopt;
}

}  // namespace shotsweep
