#pragma once
// Splitting a file name into base name and extension, and the table of RAW kinds.

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace shotsweep {

// The text after the leftmost dot that is not the name's first character; nullopt when there
// is no such dot.
std::optional<std::string> FileExtension(std::string_view name);

// The text before that same dot; the empty text when there is none.
std::string FileBaseName(std::string_view name);

struct RawKind {
  std::string_view extension;  // ".nef"
  std::string_view aside;      // ".nbak": the extension a RAW file carries while set aside
};

// What the RAW file list shows, and the JPG file list.
inline constexpr std::string_view kRawListPattern = "*.nef;*.cr*;*.arw;*.orf";
inline constexpr std::string_view kJpgListPattern = "*.jpg";

// Always all five, always in this order.
inline constexpr std::array<RawKind, 5> kRawKinds{{
    {".nef", ".nbak"},
    {".cr2", ".cbak"},
    {".crw", ".wbak"},
    {".arw", ".abak"},
    {".orf", ".obak"},
}};

}  // namespace shotsweep
