#pragma once
// Splitting a file name into base name and extension, and the table of RAW kinds.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace shotsweep {

// The text after the leftmost dot that is not the name's first character; nullopt when there
// is no such dot.
std::optional<std::string> FileExtension(std::string_view name);

// The text before that same dot; the empty text when there is none.
std::string FileBaseName(std::string_view name);

struct RawKind {
  std::string extension;  // ".nef"
  std::string aside;      // ".nbak": the extension a RAW file carries while set aside
};

// The five kinds every cleanup knows, always in this order.
const std::vector<RawKind>& DefaultRawKinds();

// The five, then one kind for each extra extension ("cr3", lower case, no dot), set aside as
// that extension followed by "bak" (".cr3bak").
std::vector<RawKind> RawKindsWith(const std::vector<std::string>& extra);

// The kinds a restore gives back: those of the settings, then every RAW extension of today's
// cameras that is not among them, each set aside as that extension followed by "bak". A
// folder set aside under settings that have changed since (ExtraRAW=dng dropped, another
// computer) still gets its files back.
std::vector<RawKind> RestoreRawKinds(const std::vector<std::string>& extra);

// Whether `name` looks like a file a cleanup set aside, of any kind: its last extension is a
// RAW extension of 1 to 8 letters or digits followed by "bak" (".nbak", ".dngbak"), compared
// without regard to case. "notes.bak" does not.
bool LooksSetAside(std::string_view name);

// Why `extension` (as written in the settings) cannot be an extra RAW kind beside the five and
// the kinds in `accepted`: not 1 to 8 letters or digits; JPG; one of the five or of `accepted`;
// an aside extension of any of them, or one that would give it theirs; a file Shotsweep writes
// itself. nullopt when it can.
std::optional<std::string> ExtraKindProblem(std::string_view extension, const std::vector<std::string>& accepted);

// What the RAW file list shows, the five kinds and the extra ones; and the JPG file list: every
// spelling a camera or an editor gives a JPG file keeps its RAW twin.
std::string RawListPattern(const std::vector<std::string>& extra = {});
inline constexpr std::string_view kJpgListPattern = "*.jpg;*.jpeg;*.jpe";

// Every spelling a camera or an editor gives a JPG file, lower case, without the dot.
inline constexpr std::array<std::string_view, 3> kJpgExtensions = {"jpg", "jpeg", "jpe"};

// Whether `extension` (without the dot) is one of them, in any case.
bool IsJpgExtension(std::string_view extension);

// Whether `name` ends in .jpg, .jpeg or .jpe, in any case.
bool IsJpgName(std::string_view name);

}  // namespace shotsweep
