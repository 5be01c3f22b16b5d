#pragma once
// The exact texts of the cleanup files: the renaming script, the restoring script and the
// pairing record. Pure functions; every line ends in CR LF. The path separator is a parameter
// so the Windows form can be checked byte for byte as well as the native one.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/file_names.h"

namespace shotsweep {

inline constexpr std::string_view kRenamingScriptName = "rRAW.bat";
inline constexpr std::string_view kRestoringScriptName = "RAWreverse.bat";
inline constexpr std::string_view kPairingRecordName = "RAWjpg.txt";
inline constexpr std::string_view kRestoreAllScriptName = "RAWrestore.bat";

struct CleanupScriptContext {
  std::string quote;       // Q: "\"" or empty (DecideQuote)
  std::string rawFolder;   // R: RawFolder, ends in sep
  std::string rawPath;    // P: the RAW pane's folder as read
  std::int32_t codePage = 0;
  char sep = '/';
  std::vector<RawKind> kinds = DefaultRawKinds();  // the five, and any extra ones after them
};

// "chcp CP" and "cd QPQ".
std::string ScriptHeader(const CleanupScriptContext& ctx);
// The whole renaming script: header and one set-aside line per RAW kind.
std::string RenamingScript(const CleanupScriptContext& ctx);
// The script that gives every set-aside file its RAW extension back: header and one line per
// kind ("ren R*.nbak *.nef"). A file whose RAW name is taken stays set aside.
std::string RestoreAllScript(const CleanupScriptContext& ctx);
// The base names a listed JPG name keeps RAW files under, in the order of its restore lines:
// FileBaseName of the name without its folder part ("/" or "\"); for a name with several
// dots, also the text before its last dot; where "\" is no separator, the same for the whole
// name; and with `trimLeadingBlanks` (a photo-list line), the same again for the name without
// the blanks it begins with.
std::vector<std::string> RestoredBases(std::string_view jpgName, char sep, bool trimLeadingBlanks = false);
// The restore lines for one JPG name N: five lines for each of its RestoredBases, the first
// five being those for FileBaseName(N); names that need it get quoted targets.
std::string RestoreLines(const CleanupScriptContext& ctx, std::string_view jpgName,
                         bool trimLeadingBlanks = false);
// The five restore lines for a base name taken as it stands, for RAW files the command pairs
// by looking at the RAW folder itself.
std::string RestoreLinesForBase(const CleanupScriptContext& ctx, std::string_view base);
// The lines that delete what is still set aside: one per RAW kind, never "*.*bak".
std::string DeleteLines(const CleanupScriptContext& ctx);
// One line of the pairing record: N, J, B.
std::string PairingRecordLine(std::string_view jpgName, std::string_view jpgPath,
                              std::string_view baseName);

}  // namespace shotsweep
