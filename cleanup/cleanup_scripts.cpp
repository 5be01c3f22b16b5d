#include "cleanup/cleanup_scripts.h"

#include <cstdint>
#include <vector>

#include "base/file_names.h"
#include "base/script_names.h"
#include "base/text.h"

namespace shotsweep {
namespace {

// The five restore lines that give every RAW kind set aside under `base` its extension back.
void AppendRestoreLines(const CleanupScriptContext& ctx, std::string_view base, std::string& out) {
  for (const RawKind& kind : ctx.kinds) {
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

std::string ScriptHeader(const CleanupScriptContext& ctx) {
  std::string out = "chcp " + std::to_string(ctx.codePage);
  out += kLineEnd;
  out += "cd " + ScriptPath(ctx.quote, ctx.rawPath);
  out += kLineEnd;
  return out;
}

namespace {

// The header, then one wildcard rename per kind, from one of its extensions to the other.
std::string RenameEveryKind(const CleanupScriptContext& ctx, bool backFromAside) {
  std::string out = ScriptHeader(ctx);
  for (const RawKind& kind : ctx.kinds) {
    out += "ren ";
    out += ScriptPath(ctx.quote, ctx.rawFolder + "*" + (backFromAside ? kind.aside : kind.extension));
    out += " *";
    out += backFromAside ? kind.extension : kind.aside;
    out += kLineEnd;
  }
  return out;
}

}  // namespace

std::string RenamingScript(const CleanupScriptContext& ctx) { return RenameEveryKind(ctx, false); }

std::string RestoreAllScript(const CleanupScriptContext& ctx) { return RenameEveryKind(ctx, true); }

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
  for (const RawKind& kind : ctx.kinds) {
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
