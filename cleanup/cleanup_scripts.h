#pragma once
// The exact texts of the cleanup files: the renaming script, the restoring script and the
// pairing record. Pure functions; every line ends in CR LF. The path separator is a parameter
// so the Windows form can be checked byte for byte as well as the native one.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace shotsweep {

inline constexpr std::string_view kRenamingScriptName = "rRAW.bat";
inline constexpr std::string_view kRestoringScriptName = "RAWreverse.bat";
inline constexpr std::string_view kPairingRecordName = "RAWjpg.txt";

struct CleanupScriptContext {
  std::string quote;       // Q: "\"" or empty (DecideQuote)
  std::string rawFolder;   // R: RawFolder, ends in sep
  std::string dir1Path;    // P: Dir1's path as read
  std::int32_t codePage = 0;
  char sep = '/';
};

// A path as a script line writes it: between `quote`, or between double quotes whenever it
// holds a blank or a character the interpreter treats specially, with "%" doubled.
// A path that needs none of this is returned as quote + path + quote.
std::string ScriptPath(std::string_view quote, std::string_view path);

// What remains of a listed JPG name once any folder part ("C:\jpg\" or "jpg/") is dropped:
// the RAW twin lies in the RAW folder whatever folder the JPG was listed from.
std::string_view LastPathComponent(std::string_view name);

// Why `text` (a name or path) cannot be written safely into a script, or nullopt when it can:
// control characters, a double quote, the wildcards "*" and "?", text that is not valid UTF-8.
std::optional<std::string> UnwritableReason(std::string_view text);

// "chcp CP" and "cd QPQ".
std::string ScriptHeader(const CleanupScriptContext& ctx);
// The whole renaming script: header and one set-aside line per RAW kind.
std::string RenamingScript(const CleanupScriptContext& ctx);
// The restore lines for one JPG name N: five lines for FileBaseName(N); names that need it get
// quoted targets, a name with several dots gets five more for the text before its last dot,
// and a folder part ("/" or "\") in N is dropped first.
std::string RestoreLines(const CleanupScriptContext& ctx, std::string_view jpgName);
// The five restore lines for a base name taken as it stands, for RAW files the command pairs
// by looking at the RAW folder itself.
std::string RestoreLinesForBase(const CleanupScriptContext& ctx, std::string_view base);
// The lines that delete what is still set aside: one per RAW kind, never "*.*bak".
std::string DeleteLines(const CleanupScriptContext& ctx);
// One line of the pairing record: N, J, B.
std::string PairingRecordLine(std::string_view jpgName, std::string_view jpgPath,
                              std::string_view baseName);

}  // namespace shotsweep
