#include "cleanup/cleanup_scripts.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <cstdint>
#include <vector>

#include "cleanup/file_names.h"

namespace shotsweep {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

// Characters that split or redirect a command line unless they stand between double quotes,
// and "%", which starts a variable even there.
constexpr std::string_view kSpecialCharacters = " &^|<>(),;=%";

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

// The five restore lines that give every RAW kind set aside under `base` its extension back.
void AppendRestoreLines(const CleanupScriptContext& ctx, std::string_view base, std::string& out) {
  for (const RawKind& kind : kRawKinds) {
    const std::string source = ctx.rawFolder + std::string(base) + std::string(kind.aside);
    const std::string target = std::string(base) + std::string(kind.extension);
    out += "ren ";
    out += ScriptPath(ctx.quote, source);
    out += ' ';
    // Bare, as the target has always been written, unless the interpreter would split or
    // expand it; the Quote setting is for paths only.
    out += ScriptPath("", target);
    out += kLineEnd;
  }
}

// The bases for one name without folder part: its base name, and the text before its last dot.
void AddBasesOfName(std::string_view name, std::vector<std::string>& bases) {
  const std::string base = FileBaseName(name);
  // The renaming script keeps a RAW name up to its last dot, while the base name ends at the
  // first: trip.day1.nef becomes trip.day1.nbak and would not be found by the base name alone.
  // (When the name has a base, its first dot stands right after it.)
  const std::size_t lastDot = name.rfind('.');
  bases.push_back(base);
  if (!base.empty() && lastDot > base.size()) bases.emplace_back(name.substr(0, lastDot));
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

std::string ScriptHeader(const CleanupScriptContext& ctx) {
  std::string out = "chcp " + std::to_string(ctx.codePage);
  out += kLineEnd;
  out += "cd " + ScriptPath(ctx.quote, ctx.dir1Path);
  out += kLineEnd;
  return out;
}

std::string RenamingScript(const CleanupScriptContext& ctx) {
  std::string out = ScriptHeader(ctx);
  for (const RawKind& kind : kRawKinds) {
    out += "ren ";
    out += ScriptPath(ctx.quote, ctx.rawFolder + "*" + std::string(kind.extension));
    out += " *";
    out += kind.aside;
    out += kLineEnd;
  }
  return out;
}

std::vector<std::string> RestoredBases(std::string_view jpgName, char sep, bool trimLeadingBlanks) {
  const std::string_view name = LastPathComponent(jpgName);
  std::vector<std::string> bases;
  AddBasesOfName(name, bases);

  // Where "\" is no separator, a name such as a\b.jpg may be a real file name whose RAW twin
  // is a\b.nef; keep that twin too. A listed folder that does not exist only adds lines that
  // find nothing.
  const bool onlyBackslashes = jpgName.find('/') == std::string_view::npos;
  if (name.size() != jpgName.size() && sep != '\\' && onlyBackslashes) AddBasesOfName(jpgName, bases);

  // A list written by hand or by another program may indent a name; no file in the RAW folder
  // is likely to begin with that blank, so its twin is kept under the name without it too.
  if (trimLeadingBlanks) {
    const std::size_t first = name.find_first_not_of(' ');
    if (first != 0 && first != std::string_view::npos) AddBasesOfName(name.substr(first), bases);
  }
  return bases;
}

std::string RestoreLines(const CleanupScriptContext& ctx, std::string_view jpgName, bool trimLeadingBlanks) {
  std::string out;
  for (const std::string& base : RestoredBases(jpgName, ctx.sep, trimLeadingBlanks)) {
    AppendRestoreLines(ctx, base, out);
  }
  return out;
}

std::string RestoreLinesForBase(const CleanupScriptContext& ctx, std::string_view base) {
  std::string out;
  AppendRestoreLines(ctx, base, out);
  return out;
}

std::string DeleteLines(const CleanupScriptContext& ctx) {
  // One line per aside extension instead of "*.*bak": files of the user's that merely end in
  // "bak" were never set aside by a cleanup and are not ours to delete.
  std::string out;
  for (const RawKind& kind : kRawKinds) {
    out += "del ";
    out += ScriptPath(ctx.quote, ctx.rawFolder + "*" + std::string(kind.aside));
    out += kLineEnd;
  }
  return out;
}

std::string PairingRecordLine(std::string_view jpgName, std::string_view jpgPath,
                              std::string_view baseName) {
  // Each value but the last is padded to the next 14-column print zone, always with at least
  // one blank so the values stay apart when one fills its zone exactly.
  constexpr std::size_t kZone = 14;
  std::string out;
  for (std::string_view value : {jpgName, jpgPath}) {
    out += value;
    do {
      out.push_back(' ');
    } while (out.size() % kZone != 0);
  }
  out += baseName;
  out += kLineEnd;
  return out;
}

}  // namespace shotsweep
