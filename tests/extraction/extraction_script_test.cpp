#include "extraction/extraction_script.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace shotsweep {
namespace {

std::string Lines(std::initializer_list<std::string> lines) {
  std::string out;
  for (const std::string& line : lines) out += line + "\r\n";
  return out;
}

const std::string kRem = "REM " + std::string(68, '*');

// The shoot of the worked example: C:\Tools, D:\Shoot\RAW\, D:\Shoot\JPG\, code page 852.
ExtractionScriptContext WindowsShoot(std::string quote = {}) {
  ExtractionScriptContext ctx;
  ctx.quote = std::move(quote);
  ctx.rawFolder = R"(D:\Shoot\RAW\)";
  ctx.jpgFolder = R"(D:\Shoot\JPG\)";
  ctx.exiv2Path = JoinUnchanged(R"(C:\Tools)", "exiv2.exe", '\\');
  ctx.exiftoolPath = JoinUnchanged(R"(C:\Tools)", "exiftool.exe", '\\');
  ctx.previewFolder = R"(C:\Tools\Extr-previews-7\)";
  ctx.codePage = 852;
  ctx.exif = true;
  return ctx;
}

int CountLines(const std::string& text) {
  int n = 0;
  for (std::size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos; at += 2) ++n;
  return n;
}

TEST(ExtractionScript, WorkedExampleByteForByte) {
  EXPECT_EQ(ExtractionScript(WindowsShoot(), {"DSC_0001.NEF"}),
            Lines({
                R"(chcp 852)",
                R"(C:\Tools\exiv2.exe -f -l C:\Tools\Extr-previews-7 -ep2,3,4 D:\Shoot\RAW\DSC_0001.NEF)",
                R"(C:\Tools\exiv2.exe -pv D:\Shoot\RAW\DSC_0001.NEF >D:\Shoot\JPG\DSC_0001.txt)",
                R"(C:\Tools\exiv2.exe -pt D:\Shoot\RAW\DSC_0001.NEF >D:\Shoot\JPG\DSC_0001.asc)",
                R"(copy C:\Tools\Extr-previews-7\DSC_0001-preview2.jpg D:\Shoot\JPG\DSC_0001.jpg /Y)",
                R"(copy C:\Tools\Extr-previews-7\DSC_0001-preview3.jpg D:\Shoot\JPG\DSC_0001.jpg /Y)",
                R"(copy C:\Tools\Extr-previews-7\DSC_0001-preview4.jpg D:\Shoot\JPG\DSC_0001.jpg /Y)",
                R"(if exist C:\Tools\Extr-previews-7\DSC_0001-preview*.jpg C:\Tools\exiftool.exe -overwrite_original )"
                R"(-all= -tagsfromfile D:\Shoot\RAW\DSC_0001.NEF -exif:all D:\Shoot\JPG\DSC_0001.jpg)",
                R"(del C:\Tools\Extr-previews-7\DSC_0001-preview*)",
                kRem,
                "",
            }));
}

TEST(ExtractionScript, QuoteEnclosesEveryPathAndNoCommandOrOption) {
  EXPECT_EQ(ExtractionScript(WindowsShoot("\""), {"DSC_0001.NEF"}),
            Lines({
                R"(chcp 852)",
                R"("C:\Tools\exiv2.exe" -f -l "C:\Tools\Extr-previews-7" -ep2,3,4 "D:\Shoot\RAW\DSC_0001.NEF")",
                R"("C:\Tools\exiv2.exe" -pv "D:\Shoot\RAW\DSC_0001.NEF" >"D:\Shoot\JPG\DSC_0001.txt")",
                R"("C:\Tools\exiv2.exe" -pt "D:\Shoot\RAW\DSC_0001.NEF" >"D:\Shoot\JPG\DSC_0001.asc")",
                R"(copy "C:\Tools\Extr-previews-7\DSC_0001-preview2.jpg" "D:\Shoot\JPG\DSC_0001.jpg" /Y)",
                R"(copy "C:\Tools\Extr-previews-7\DSC_0001-preview3.jpg" "D:\Shoot\JPG\DSC_0001.jpg" /Y)",
                R"(copy "C:\Tools\Extr-previews-7\DSC_0001-preview4.jpg" "D:\Shoot\JPG\DSC_0001.jpg" /Y)",
                R"(if exist "C:\Tools\Extr-previews-7\DSC_0001-preview*.jpg" "C:\Tools\exiftool.exe" -overwrite_original )"
                R"(-all= -tagsfromfile "D:\Shoot\RAW\DSC_0001.NEF" -exif:all "D:\Shoot\JPG\DSC_0001.jpg")",
                R"(del "C:\Tools\Extr-previews-7\DSC_0001-preview*")",
                kRem,
                "",
            }));
}

TEST(ExtractionScript, PathWithBlankOrSpecialCharacterIsQuotedEvenWithoutQuote) {
  ExtractionScriptContext ctx = WindowsShoot();
  ctx.jpgFolder = R"(D:\Shoot 2024\JPG\)";
  ctx.exiftoolPath = R"(C:\Tools&Co\exiftool.exe)";
  const std::string block = ExtractionBlock(ctx, "100%.nef");
  // Every JPG-side path holds the blank; the RAW-side ones hold "%", which must reach the
  // tools as one "%", not start a variable.
  EXPECT_NE(block.find(R"(copy "C:\Tools\Extr-previews-7\100%%-preview2.jpg" "D:\Shoot 2024\JPG\100%%.jpg" /Y)"),
            std::string::npos) << block;
  EXPECT_NE(block.find(R"( >"D:\Shoot 2024\JPG\100%%.txt")"), std::string::npos) << block;
  EXPECT_NE(block.find(R"("C:\Tools&Co\exiftool.exe" -overwrite_original -all= -tagsfromfile "D:\Shoot\RAW\100%%.nef")"),
            std::string::npos) << block;
  // A path that needs nothing keeps the Quote rule: bare when Quote is empty.
  EXPECT_EQ(block.rfind(R"(C:\Tools\exiv2.exe -f -l C:\Tools\Extr-previews-7 -ep2,3,4 )", 0), 0u) << block;
}

TEST(ExtractionScript, RootFoldersAreJoinedAsSpecified) {
  // The start folder at a root is joined unchanged; RawFolder and JpgFolder already end in
  // one separator at a root and get no second.
  EXPECT_EQ(JoinUnchanged(R"(C:\)", "exiv2.exe", '\\'), R"(C:\\exiv2.exe)");
  EXPECT_EQ(JoinUnchanged("/", std::string(kExtractionScriptName), '/'), "//Extr.bat");
  EXPECT_EQ(JoinUnchanged("/home/me", "exiftool", '/'), "/home/me/exiftool");

  ExtractionScriptContext ctx = WindowsShoot();
  ctx.rawFolder = R"(D:\)";
  ctx.jpgFolder = R"(E:\)";
  ctx.exiv2Path = JoinUnchanged(R"(C:\)", "exiv2.exe", '\\');
  const std::string block = ExtractionBlock(ctx, "DSC_0001.NEF");
  EXPECT_NE(block.find(R"(C:\\exiv2.exe -f -l C:\Tools\Extr-previews-7 -ep2,3,4 D:\DSC_0001.NEF)"), std::string::npos);
  EXPECT_NE(block.find(R"(copy C:\Tools\Extr-previews-7\DSC_0001-preview4.jpg E:\DSC_0001.jpg /Y)"), std::string::npos);
}

TEST(ExtractionScript, BlockLengthsAndEmptyList) {
  ExtractionScriptContext ctx = WindowsShoot();
  ctx.exif = false;
  const std::string plain = ExtractionBlock(ctx, "A.nef");
  EXPECT_EQ(CountLines(plain), 8);
  EXPECT_EQ(plain.find(" -pv "), std::string::npos);
  EXPECT_NE(plain.find("exiftool.exe -overwrite_original -all= "), std::string::npos);  // EXIF governs the dumps only
  ctx.exif = true;
  EXPECT_EQ(CountLines(ExtractionBlock(ctx, "A.nef")), 10);
  // The reports tell programs by line: the shape must say where they stand.
  for (bool exif : {false, true}) {
    ctx.exif = exif;
    const BlockShape shape = ExtractionBlockShape(exif);
    const std::string block = ExtractionBlock(ctx, "A.nef");
    EXPECT_EQ(CountLines(block), static_cast<int>(shape.lines));
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; (end = block.find("\r\n", at)) != std::string::npos; at = end + 2) {
      lines.push_back(block.substr(at, end - at));
    }
    EXPECT_NE(lines[shape.extract].find(" -ep2,3,4 "), std::string::npos);
    EXPECT_NE(lines[shape.exiftool].find("exiftool.exe"), std::string::npos);
  }

  // Nothing after the last block: no line deletes backups that may be the user's.
  EXPECT_EQ(ExtractionScript(ctx, {}), Lines({"chcp 852"}));
  ctx.codePage = 0;
  EXPECT_EQ(ExtractionScript(ctx, {"A.nef", "B.orf"}).substr(0, 8), "chcp 0\r\n");
  EXPECT_EQ(CountLines(ExtractionScript(ctx, {"A.nef", "B.orf"})), 1 + 10 + 10);
}

TEST(ExtractionScript, NamesOfTheJpgAndOfThePreviews) {
  ExtractionScriptContext ctx = WindowsShoot();
  ctx.exif = false;
  // The JPG and the dumps take the base name (up to the first dot), the previews carry the
  // name exiv2 gives them (up to the last dot); every preview of the file is deleted, whatever
  // its extension, and only from the run's own folder.
  const std::string trip = ExtractionBlock(ctx, "trip.day1.nef");
  EXPECT_NE(trip.find(R"(copy C:\Tools\Extr-previews-7\trip.day1-preview3.jpg D:\Shoot\JPG\trip.jpg /Y)"),
            std::string::npos) << trip;
  EXPECT_NE(trip.find("\r\n" R"(del C:\Tools\Extr-previews-7\trip.day1-preview*)" "\r\n"), std::string::npos);
  // Nothing in the RAW folder but the RAW file itself: no preview, no .txt or .asc.
  for (std::string_view other : {R"(D:\Shoot\RAW\trip.day1-)", R"(D:\Shoot\RAW\trip.txt)", R"(D:\Shoot\RAW\trip.asc)"}) {
    EXPECT_EQ(trip.find(other), std::string::npos) << other;
  }

  // A file named only by its extension has an empty base name.
  const std::string bare = ExtractionBlock(ctx, ".nef");
  EXPECT_NE(bare.find(R"(copy C:\Tools\Extr-previews-7\.nef-preview2.jpg D:\Shoot\JPG\.jpg /Y)"),
            std::string::npos) << bare;
  EXPECT_NE(bare.find(R"(if exist C:\Tools\Extr-previews-7\.nef-preview*.jpg )"), std::string::npos);
}

TEST(ExtractionScript, PreviewStemFollowsExiv2) {
  const std::pair<const char*, const char*> stems[] = {{"DSC_0001.NEF", "DSC_0001"}, {"trip.day1.nef", "trip.day1"},
                                                       {".nef", ".nef"}, {"photo.", "photo."},
                                                       {"My photo.cr2", "My photo"}};
  for (const auto& [name, stem] : stems) EXPECT_EQ(PreviewStem(name), stem) << name;
}

}  // namespace
}  // namespace shotsweep
