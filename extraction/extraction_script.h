#pragma once
// The text of "Extr.bat", the script that pulls the embedded previews out of the RAW files
// with exiv2 and gives each resulting JPG its RAW file's EXIF data with exiftool.
// Pure functions: every line ends in CR LF; paths come in whole, so the Windows form can be
// checked byte for byte as well as the native one.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings.h"

namespace shotsweep {

inline constexpr std::string_view kExtractionScriptName = "Extr.bat";
inline constexpr std::string_view kExiv2Name = "exiv2";
inline constexpr std::string_view kExiftoolName = "exiftool";

struct ExtractionScriptContext {
  std::string quote;         // Q: "\"" or empty (DecideQuote)
  std::string rawFolder;     // RawFolder, ends in the separator
  std::string jpgFolder;     // JpgFolder, ends in the separator
  // A folder of this run's own, empty when it starts, where exiv2 leaves the previews; ends in
  // the separator. Nothing of the user's can lie there, so the blocks may delete what they find.
  std::string previewFolder;
  std::string exiv2Path;     // each tool by the full path it was found at
  std::string exiftoolPath;
  std::int32_t codePage = 0;
  bool exif = false;         // the EXIF box is ticked: write the two dumps
};

// The name exiv2 gives the previews it extracts, before "-previewN.jpg": the file name
// without its last extension ("trip.day1.nef" gives "trip.day1"). A leading or trailing dot
// is no extension to exiv2 (".nef" stays ".nef").
std::string PreviewStem(std::string_view rawName);

// Where a block's programs stand, counted from its first line: the reports of a run with jobs
// tell programs by their script line.
struct BlockShape {
  std::size_t lines = 0;
  std::size_t extract = 0;   // exiv2 -ep
  std::size_t exiftool = 0;  // the EXIF copy onto the new JPG
};
BlockShape ExtractionBlockShape(bool exif);

// The lines for one RAW file: 8, or 10 when ctx.exif.
std::string ExtractionBlock(const ExtractionScriptContext& ctx, std::string_view rawName);

// The whole script: the code page line, then one block per RAW file in order.
std::string ExtractionScript(const ExtractionScriptContext& ctx,
                             const std::vector<std::string>& rawNames);

}  // namespace shotsweep
