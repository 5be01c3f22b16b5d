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

std::string ExtractionBlock(const ExtractionScriptContext& ctx, std::string_view rawName) {
  const std::string& q = ctx.quote;
  const std::string base = FileBaseName(rawName);
  const std::string rawPath = ScriptPath(q, ctx.rawFolder + std::string(rawName));
  const std::string target = ScriptPath(q, ctx.jpgFolder + base + ".jpg");
  const std::string exiv2 = ScriptPath(q, ctx.exiv2Path);
  // The previews lie where exiv2 puts them, named after the RAW file's last extension, which
  // for "trip.day1.nef" is not the base name the JPG gets.
  const std::string previews = ctx.rawFolder + PreviewStem(rawName) + "-preview";

  std::string out;
  const auto line = [&out](std::initializer_list<std::string_view> pieces) {
    for (std::string_view piece : pieces) out += piece;
    out += kLineEnd;
  };
  // No line deletes the target JPG beforehand: "copy /Y" replaces it only when a preview
  // exists, so a RAW file that yields nothing leaves an earlier JPG of that name alone.
  line({"del ", ScriptPath(q, ctx.rawFolder + base + ".asc")});
  line({"del ", ScriptPath(q, ctx.rawFolder + base + ".txt")});
  // exiv2 stops reading options at the first file name: options first.
  line({exiv2, " -f -ep2,3,4 ", rawPath});
  if (ctx.exif) {
    line({exiv2, " -pv ", rawPath, " >", ScriptPath(q, ctx.jpgFolder + base + ".txt")});
    line({exiv2, " -pt ", rawPath, " >", ScriptPath(q, ctx.jpgFolder + base + ".asc")});
  }
  for (std::string_view n : {"2", "3", "4"}) {
    line({"copy ", ScriptPath(q, previews + std::string(n) + ".jpg"), " ", target, " /Y"});
  }
  // exiftool rewrites the target only when a preview of this RAW file was there to copy onto
  // it; otherwise it would stamp this file's EXIF onto an unrelated earlier JPG.
  const std::string anyPreview = ScriptPath(q, previews + "*.jpg");
  line({"if exist ", anyPreview, " ", ScriptPath(q, ctx.exiftoolPath), " -all= -tagsfromfile ",
        rawPath, " -exif:all ", target});
  line({"del ", anyPreview});
  line({kBlockEnd});
  line({});
  return out;
}

std::string ExtractionScript(const ExtractionScriptContext& ctx,
                             const std::vector<std::string>& rawNames) {
  std::string out = "chcp " + std::to_string(ctx.codePage);
  out += kLineEnd;
  for (const std::string& name : rawNames) out += ExtractionBlock(ctx, name);
  out += "del ";
  out += ScriptPath(ctx.quote, ctx.jpgFolder + "*.jpg_original");
  out += kLineEnd;
  return out;
}

}  // namespace shotsweep
