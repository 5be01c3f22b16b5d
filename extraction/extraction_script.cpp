#include "extraction/extraction_script.h"

#include "base/script_names.h"
#include "base/file_names.h"
#include "base/text.h"

namespace shotsweep {
namespace {

constexpr std::string_view kBlockEnd =
    "REM ********************************************************************";

}  // namespace

std::string PreviewStem(std::string_view rawName) {
  const std::size_t dot = rawName.rfind('.');
  if (dot == std::string_view::npos || dot == 0 || dot + 1 == rawName.size()) {
    return std::string(rawName);
  }
  return std::string(rawName.substr(0, dot));
}

BlockShape ExtractionBlockShape(bool exif) {
  return exif ? BlockShape{10, 0, 6} : BlockShape{8, 0, 4};
}

std::string ExtractionBlock(const ExtractionScriptContext& ctx, std::string_view rawName) {
  const std::string& q = ctx.quote;
  const std::string base = FileBaseName(rawName);
  const std::string rawPath = ScriptPath(q, ctx.rawFolder + std::string(rawName));
  const std::string target = ScriptPath(q, ctx.jpgFolder + base + ".jpg");
  const std::string exiv2 = ScriptPath(q, ctx.exiv2Path);
  // The previews are named after the RAW file's last extension, which for "trip.day1.nef" is
  // not the base name the JPG gets.
  const std::string previews = ctx.previewFolder + PreviewStem(rawName) + "-preview";
  std::string previewFolder = ctx.previewFolder;
  if (previewFolder.size() > 1) previewFolder.pop_back();

  std::string out;
  const auto line = [&out](std::initializer_list<std::string_view> pieces) {
    for (std::string_view piece : pieces) out += piece;
    out += kLineEnd;
  };
  // No line deletes the target JPG beforehand: "copy /Y" replaces it only when a preview
  // exists, so a RAW file that yields nothing leaves an earlier JPG of that name alone.
  // exiv2 stops reading options at the first file name: options first. The previews go to the
  // run's own folder, never beside the RAW file, where a file of the user's may bear the name.
  line({exiv2, " -f -l ", ScriptPath(q, previewFolder), " -ep2,3,4 ", rawPath});
  if (ctx.exif) {
    line({exiv2, " -pv ", rawPath, " >", ScriptPath(q, ctx.jpgFolder + base + ".txt")});
    line({exiv2, " -pt ", rawPath, " >", ScriptPath(q, ctx.jpgFolder + base + ".asc")});
  }
  for (std::string_view n : {"2", "3", "4"}) {
    line({"copy ", ScriptPath(q, previews + std::string(n) + ".jpg"), " ", target, " /Y"});
  }
  // exiftool rewrites the target only when a preview of this RAW file was there to copy onto
  // it; otherwise it would stamp this file's EXIF onto an unrelated earlier JPG. It keeps no
  // "_original" backup: the JPG is this run's own copy, and a backup would need a line that
  // deletes it, which could not tell it from a user's older one.
  line({"if exist ", ScriptPath(q, previews + "*.jpg"), " ", ScriptPath(q, ctx.exiftoolPath),
        " -overwrite_original -all= -tagsfromfile ", rawPath, " -exif:all ", target});
  // Every preview, whatever exiv2 made of it: a DNG's come out as TIFF.
  line({"del ", ScriptPath(q, previews + "*")});
  line({kBlockEnd});
  line({});
  return out;
}

std::string ExtractionScript(const ExtractionScriptContext& ctx,
                             const std::vector<std::string>& rawNames) {
  std::string out = "chcp " + std::to_string(ctx.codePage);
  out += kLineEnd;
  for (const std::string& name : rawNames) out += ExtractionBlock(ctx, name);
  return out;
}

}  // namespace shotsweep
