#include "extraction/extraction_script.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

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
                R"(del D:\Shoot\RAW\DSC_0001.asc)",
                R"(del D:\Shoot\RAW\DSC_0001.txt)",
                R"(C:\Tools\exiv2.exe -f -ep2,3,4 D:\Shoot\RAW\DSC_0001.NEF)",
                R"(C:\Tools\exiv2.exe -pv D:\Shoot\RAW\DSC_0001.NEF >D:\Shoot\JPG\DSC_0001.txt)",
                R"(C:\Tools\exiv2.exe -pt D:\Shoot\RAW\DSC_0001.NEF >D:\Shoot\JPG\DSC_0001.asc)",
                R"(copy D:\Shoot\RAW\DSC_0001-preview2.jpg D:\Shoot\JPG\DSC_0001.jpg /Y)",
                R"(copy D:\Shoot\RAW\DSC_0001-preview3.jpg D:\Shoot\JPG\DSC_0001.jpg /Y)",
                R"(copy D:\Shoot\RAW\DSC_0001-preview4.jpg D:\Shoot\JPG\DSC_0001.jpg /Y)",
                R"(if exist D:\Shoot\RAW\DSC_0001-preview*.jpg C:\Tools\exiftool.exe -all= )"
                R"(-tagsfromfile D:\Shoot\RAW\DSC_0001.NEF -exif:all D:\Shoot\JPG\DSC_0001.jpg)",
                R"(del D:\Shoot\RAW\DSC_0001-preview*.jpg)",
                kRem,
                "",
                R"(del D:\Shoot\JPG\*.jpg_original)",
            }));
}

TEST(ExtractionScript, QuoteEnclosesEveryPathAndNoCommandOrOption) {
  EXPECT_EQ(ExtractionScript(WindowsShoot("\""), {"DSC_0001.NEF"}),
            Lines({
                R"(chcp 852)",
                R"(del "D:\Shoot\RAW\DSC_0001.asc")",
                R"(del "D:\Shoot\RAW\DSC_0001.txt")",
                R"("C:\Tools\exiv2.exe" -f -ep2,3,4 "D:\Shoot\RAW\DSC_0001.NEF")",
                R"("C:\Tools\exiv2.exe" -pv "D:\Shoot\RAW\DSC_0001.NEF" >"D:\Shoot\JPG\DSC_0001.txt")",
                R"("C:\Tools\exiv2.exe" -pt "D:\Shoot\RAW\DSC_0001.NEF" >"D:\Shoot\JPG\DSC_0001.asc")",
                R"(copy "D:\Shoot\RAW\DSC_0001-preview2.jpg" "D:\Shoot\JPG\DSC_0001.jpg" /Y)",
                R"(copy "D:\Shoot\RAW\DSC_0001-preview3.jpg" "D:\Shoot\JPG\DSC_0001.jpg" /Y)",
                R"(copy "D:\Shoot\RAW\DSC_0001-preview4.jpg" "D:\Shoot\JPG\DSC_0001.jpg" /Y)",
                R"(if exist "D:\Shoot\RAW\DSC_0001-preview*.jpg" "C:\Tools\exiftool.exe" -all= )"
                R"(-tagsfromfile "D:\Shoot\RAW\DSC_0001.NEF" -exif:all "D:\Shoot\JPG\DSC_0001.jpg")",
                R"(del "D:\Shoot\RAW\DSC_0001-preview*.jpg")",
                kRem,
                "",
                R"(del "D:\Shoot\JPG\*.jpg_original")",
            }));
}

TEST(ExtractionScript, PathWithBlankOrSpecialCharacterIsQuotedEvenWithoutQuote) {
  ExtractionScriptContext ctx = WindowsShoot();
  ctx.jpgFolder = R"(D:\Shoot 2024\JPG\)";
  ctx.exiftoolPath = R"(C:\Tools&Co\exiftool.exe)";
  const std::string block = ExtractionBlock(ctx, "100%.nef");
  // Every JPG-side path holds the blank; the RAW-side ones hold "%", which must reach the
  // tools as one "%", not start a variable.
  EXPECT_NE(block.find(R"(copy "D:\Shoot\RAW\100%%-preview2.jpg" "D:\Shoot 2024\JPG\100%%.jpg" /Y)"),
            std::string::npos) << block;
  EXPECT_NE(block.find(R"( >"D:\Shoot 2024\JPG\100%%.txt")"), std::string::npos) << block;
  EXPECT_NE(block.find(R"("C:\Tools&Co\exiftool.exe" -all= -tagsfromfile "D:\Shoot\RAW\100%%.nef")"),
            std::string::npos) << block;
  // A path that needs nothing keeps the Quote rule: bare when Quote is empty.
  EXPECT_NE(block.find("\r\n" R"(C:\Tools\exiv2.exe -f -ep2,3,4 )"), std::string::npos) << block;
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
  EXPECT_NE(block.find(R"(C:\\exiv2.exe -f -ep2,3,4 D:\DSC_0001.NEF)"), std::string::npos);
  EXPECT_NE(block.find(R"(copy D:\DSC_0001-preview4.jpg E:\DSC_0001.jpg /Y)"), std::string::npos);
}

TEST(ExtractionScript, BlockLengthsAndEmptyList) {
  ExtractionScriptContext ctx = WindowsShoot();
  ctx.exif = false;
  const std::string plain = ExtractionBlock(ctx, "A.nef");
  EXPECT_EQ(CountLines(plain), 10);
  EXPECT_EQ(plain.find(" -pv "), std::string::npos);
  EXPECT_NE(plain.find("exiftool.exe -all= "), std::string::npos);  // EXIF governs the dumps only
  ctx.exif = true;
  EXPECT_EQ(CountLines(ExtractionBlock(ctx, "A.nef")), 12);

  EXPECT_EQ(ExtractionScript(ctx, {}), Lines({"chcp 852", R"(del D:\Shoot\JPG\*.jpg_original)"}));
  ctx.codePage = 0;
  EXPECT_EQ(ExtractionScript(ctx, {"A.nef", "B.orf"}).substr(0, 8), "chcp 0\r\n");
  EXPECT_EQ(CountLines(ExtractionScript(ctx, {"A.nef", "B.orf"})), 1 + 12 + 12 + 1);
}

TEST(ExtractionScript, NamesOfTheJpgAndOfThePreviews) {
  ExtractionScriptContext ctx = WindowsShoot();
  ctx.exif = false;
  // Two RAW files with one base name write the same JPG, the later block last.
  const std::string twins = ExtractionScript(ctx, {"IMG_0001.CR2", "IMG_0001.CRW"});
  const std::size_t cr2 = twins.find(R"(-tagsfromfile D:\Shoot\RAW\IMG_0001.CR2 -exif:all D:\Shoot\JPG\IMG_0001.jpg)");
  const std::size_t crw = twins.find(R"(-tagsfromfile D:\Shoot\RAW\IMG_0001.CRW -exif:all D:\Shoot\JPG\IMG_0001.jpg)");
  ASSERT_NE(cr2, std::string::npos);
  ASSERT_NE(crw, std::string::npos);
  EXPECT_LT(cr2, crw);

  // The JPG and the dumps take the base name (up to the first dot), the previews carry the
  // name exiv2 gives them (up to the last dot).
  const std::string trip = ExtractionBlock(ctx, "trip.day1.nef");
  EXPECT_NE(trip.find(R"(del D:\Shoot\RAW\trip.asc)"), std::string::npos);
  EXPECT_NE(trip.find(R"(copy D:\Shoot\RAW\trip.day1-preview3.jpg D:\Shoot\JPG\trip.jpg /Y)"),
            std::string::npos) << trip;
  EXPECT_NE(trip.find(R"(del D:\Shoot\RAW\trip.day1-preview*.jpg)"), std::string::npos);

  // A file named only by its extension has an empty base name.
  const std::string bare = ExtractionBlock(ctx, ".nef");
  EXPECT_NE(bare.find(R"(copy D:\Shoot\RAW\.nef-preview2.jpg D:\Shoot\JPG\.jpg /Y)"),
            std::string::npos) << bare;
  EXPECT_NE(bare.find(R"(if exist D:\Shoot\RAW\.nef-preview*.jpg )"), std::string::npos);
}

TEST(ExtractionScript, PreviewStemFollowsExiv2) {
  const std::pair<const char*, const char*> stems[] = {{"DSC_0001.NEF", "DSC_0001"}, {"trip.day1.nef", "trip.day1"},
                                                       {".nef", ".nef"}, {"photo.", "photo."},
                                                       {"My photo.cr2", "My photo"}};
  for (const auto& [name, stem] : stems) EXPECT_EQ(PreviewStem(name), stem) << name;
}

}  // namespace
}  // namespace shotsweep
