#include "cleanup/cleanup_scripts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace shotsweep {
namespace {

CleanupScriptContext Windows(std::string rawFolder, std::string quote = "", int codePage = 852) {
  std::string raw = rawFolder.back() == '\\' ? rawFolder : rawFolder + "\\";
  return {std::move(quote), std::move(raw), std::move(rawFolder), codePage, '\\'};
}

CleanupScriptContext Posix(std::string rawFolder, std::string quote = "", int codePage = 852) {
  std::string raw = rawFolder.back() == '/' ? rawFolder : rawFolder + "/";
  return {std::move(quote), std::move(raw), std::move(rawFolder), codePage, '/'};
}

std::size_t LineCount(const std::string& text) {
  std::size_t count = 0;
  for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) {
    ++count;
  }
  return count;
}

// Line `index` (from 0) without its line end.
std::string Line(const std::string& text, std::size_t index) {
  std::size_t begin = 0;
  for (; index > 0; --index) begin = text.find("\r\n", begin) + 2;
  return text.substr(begin, text.find("\r\n", begin) - begin);
}

std::string Lines(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += line + "\r\n";
  return out;
}

TEST(CleanupScripts, WorkedExampleByteForByteWithBackslashes) {
  const CleanupScriptContext ctx = Windows("D:\\RAW");
  const std::string restoring = ScriptHeader(ctx) + RestoreLines(ctx, "DSC_0001.JPG") +
                                RestoreLines(ctx, "DSC_0003.JPG") + DeleteLines(ctx);
  EXPECT_EQ(restoring, Lines({
                           "chcp 852",
                           "cd D:\\RAW",
                           "ren D:\\RAW\\DSC_0001.nbak DSC_0001.nef",
                           "ren D:\\RAW\\DSC_0001.cbak DSC_0001.cr2",
                           "ren D:\\RAW\\DSC_0001.wbak DSC_0001.crw",
                           "ren D:\\RAW\\DSC_0001.abak DSC_0001.arw",
                           "ren D:\\RAW\\DSC_0001.obak DSC_0001.orf",
                           "ren D:\\RAW\\DSC_0003.nbak DSC_0003.nef",
                           "ren D:\\RAW\\DSC_0003.cbak DSC_0003.cr2",
                           "ren D:\\RAW\\DSC_0003.wbak DSC_0003.crw",
                           "ren D:\\RAW\\DSC_0003.abak DSC_0003.arw",
                           "ren D:\\RAW\\DSC_0003.obak DSC_0003.orf",
                           // One line per aside extension, so notes.bak survives.
                           "del D:\\RAW\\*.nbak",
                           "del D:\\RAW\\*.cbak",
                           "del D:\\RAW\\*.wbak",
                           "del D:\\RAW\\*.abak",
                           "del D:\\RAW\\*.obak",
                       }));
  EXPECT_EQ(RenamingScript(ctx), Lines({
                                     "chcp 852",
                                     "cd D:\\RAW",
                                     "ren D:\\RAW\\*.nef *.nbak",
                                     "ren D:\\RAW\\*.cr2 *.cbak",
                                     "ren D:\\RAW\\*.crw *.wbak",
                                     "ren D:\\RAW\\*.arw *.abak",
                                     "ren D:\\RAW\\*.orf *.obak",
                                 }));
}

TEST(CleanupScripts, WorkedExampleWithSlashes) {
  const CleanupScriptContext ctx = Posix("/srv/raw");
  EXPECT_EQ(ScriptHeader(ctx) + RestoreLines(ctx, "DSC_0001.JPG"),
            Lines({
                "chcp 852",
                "cd /srv/raw",
                "ren /srv/raw/DSC_0001.nbak DSC_0001.nef",
                "ren /srv/raw/DSC_0001.cbak DSC_0001.cr2",
                "ren /srv/raw/DSC_0001.wbak DSC_0001.crw",
                "ren /srv/raw/DSC_0001.abak DSC_0001.arw",
                "ren /srv/raw/DSC_0001.obak DSC_0001.orf",
            }));
  EXPECT_EQ(RenamingScript(ctx).substr(ScriptHeader(ctx).size()),
            Lines({
                "ren /srv/raw/*.nef *.nbak",
                "ren /srv/raw/*.cr2 *.cbak",
                "ren /srv/raw/*.crw *.wbak",
                "ren /srv/raw/*.arw *.abak",
                "ren /srv/raw/*.orf *.obak",
            }));
  EXPECT_EQ(Line(DeleteLines(ctx), 4), "del /srv/raw/*.obak");
}

TEST(CleanupScripts, FolderWithBlankQuotesOnlyTheSourcePath) {
  const CleanupScriptContext ctx = Windows("C:\\My Photos", "\"");
  const std::string renaming = RenamingScript(ctx);
  EXPECT_EQ(Line(renaming, 1), "cd \"C:\\My Photos\"");
  EXPECT_EQ(Line(renaming, 2), "ren \"C:\\My Photos\\*.nef\" *.nbak");
  EXPECT_EQ(Line(RestoreLines(ctx, "DSC_0001.JPG"), 0),
            "ren \"C:\\My Photos\\DSC_0001.nbak\" DSC_0001.nef");
  EXPECT_EQ(Line(DeleteLines(ctx), 0), "del \"C:\\My Photos\\*.nbak\"");
}

TEST(CleanupScripts, HeaderWritesTheCodePageAsPlainDecimal) {
  EXPECT_EQ(Line(ScriptHeader(Windows("D:\\RAW", "", 0)), 0), "chcp 0");
  EXPECT_EQ(Line(ScriptHeader(Windows("D:\\RAW", "", -5)), 0), "chcp -5");
  EXPECT_EQ(Line(ScriptHeader(Windows("D:\\RAW", "", -2147483647 - 1)), 0), "chcp -2147483648");
  // At a drive root the path already ends in the separator and is not doubled.
  EXPECT_EQ(ScriptHeader(Windows("D:\\")), "chcp 852\r\ncd D:\\\r\n");
  EXPECT_EQ(Line(RenamingScript(Windows("D:\\")), 2), "ren D:\\*.nef *.nbak");
}

TEST(CleanupScripts, QMarkQuotesEveryPathButNeverAPlainTarget) {
  const CleanupScriptContext ctx = Posix("/srv/raw", "\"");
  EXPECT_EQ(ScriptHeader(ctx), "chcp 852\r\ncd \"/srv/raw\"\r\n");
  EXPECT_EQ(Line(RestoreLines(ctx, "a.jpg"), 0), "ren \"/srv/raw/a.nbak\" a.nef");
}

TEST(CleanupScripts, EmptyBaseNameStillGivesTheFiveLines) {
  for (const char* name : {".jpg", "README", ""}) {
    EXPECT_EQ(RestoreLines(Windows("D:\\RAW"), name), Lines({
                                                          "ren D:\\RAW\\.nbak .nef",
                                                          "ren D:\\RAW\\.cbak .cr2",
                                                          "ren D:\\RAW\\.wbak .crw",
                                                          "ren D:\\RAW\\.abak .arw",
                                                          "ren D:\\RAW\\.obak .orf",
                                                      }))
        << name;
  }
}

TEST(CleanupScripts, BaseNameWithSpecialCharactersIsQuotedOnBothSidesWithPercentDoubled) {
  const CleanupScriptContext ctx = Posix("/srv/raw");
  EXPECT_EQ(Line(RestoreLines(ctx, "My photo.jpg"), 4),
            "ren \"/srv/raw/My photo.obak\" \"My photo.orf\"");
  EXPECT_EQ(Line(RestoreLines(ctx, "100%_PATH%.jpg"), 0),
            "ren \"/srv/raw/100%%_PATH%%.nbak\" \"100%%_PATH%%.nef\"");
  for (std::string special : {" ", "&", "^", "|", "<", ">", "(", ")", ",", ";", "=", "%"}) {
    const std::string base = "a" + special + "b";
    const std::string escaped = special == "%" ? "a%%b" : base;
    const std::string lines = RestoreLines(ctx, base + ".JPG");
    EXPECT_EQ(Line(lines, 0),
              "ren \"/srv/raw/" + escaped + ".nbak\" \"" + escaped + ".nef\"")
        << base;
  }
  // A blank in front of the base name is part of it.
  EXPECT_EQ(Line(RestoreLines(ctx, " DSC.jpg"), 0), "ren \"/srv/raw/ DSC.nbak\" \" DSC.nef\"");
}

TEST(CleanupScripts, FolderPathWithSpecialCharacterIsQuotedWhateverQuoteSays) {
  const CleanupScriptContext ctx = Posix("/home/a&b%x%");
  const std::string renaming = RenamingScript(ctx);
  EXPECT_EQ(Line(renaming, 1), "cd \"/home/a&b%%x%%\"");
  EXPECT_EQ(Line(renaming, 2), "ren \"/home/a&b%%x%%/*.nef\" *.nbak");
  // The base name is plain, so the target stays bare.
  EXPECT_EQ(Line(RestoreLines(ctx, "DSC.jpg"), 0), "ren \"/home/a&b%%x%%/DSC.nbak\" DSC.nef");
  EXPECT_EQ(Line(DeleteLines(ctx), 0), "del \"/home/a&b%%x%%/*.nbak\"");
}

TEST(CleanupScripts, MultiDotNameAlsoRestoresTheNameUpToItsLastDot) {
  const CleanupScriptContext ctx = Posix("/r");
  EXPECT_EQ(RestoreLines(ctx, "trip.day1.jpg"), Lines({
                                                    "ren /r/trip.nbak trip.nef",
                                                    "ren /r/trip.cbak trip.cr2",
                                                    "ren /r/trip.wbak trip.crw",
                                                    "ren /r/trip.abak trip.arw",
                                                    "ren /r/trip.obak trip.orf",
                                                    "ren /r/trip.day1.nbak trip.day1.nef",
                                                    "ren /r/trip.day1.cbak trip.day1.cr2",
                                                    "ren /r/trip.day1.wbak trip.day1.crw",
                                                    "ren /r/trip.day1.abak trip.day1.arw",
                                                    "ren /r/trip.day1.obak trip.day1.orf",
                                                }));
  // Five lines only when the leftmost and the last dot are the same one.
  for (const char* single : {"a.jpg", ".a.jpg", "..jpg", "photo.", ".jpg"}) {
    EXPECT_EQ(LineCount(RestoreLines(ctx, single)), 5u) << single;
  }
  // Several inner dots: the extra lines use everything before the last one.
  EXPECT_EQ(Line(RestoreLines(ctx, "a.b.c.JPG"), 5), "ren /r/a.b.c.nbak a.b.c.nef");
  EXPECT_EQ(LineCount(RestoreLines(ctx, "a.b.c.JPG")), 10u);
  // Both sets quoted when the name needs it.
  EXPECT_EQ(Line(RestoreLines(ctx, "x.y z.jpg"), 5), "ren \"/r/x.y z.nbak\" \"x.y z.nef\"");
}

TEST(CleanupScripts, ListedNameWithFolderPartIsPairedByItsLastComponent) {
  const CleanupScriptContext ctx = Windows("D:\\RAW");
  const std::string bare = RestoreLines(ctx, "DSC_0001.JPG");
  EXPECT_EQ(RestoreLines(ctx, "C:\\jpg\\DSC_0001.JPG"), bare);
  EXPECT_EQ(RestoreLines(ctx, "jpg/DSC_0001.JPG"), bare);
  EXPECT_EQ(RestoreLines(ctx, "/home/me/my.pics\\DSC_0001.JPG"), bare);
  // A dot in a folder part does not cut the name short.
  EXPECT_EQ(RestoreLines(ctx, "D:\\my.folder\\x.jpg"), RestoreLines(ctx, "x.jpg"));
  EXPECT_EQ(RestoreLines(ctx, "D:\\my.folder\\"), RestoreLines(ctx, ""));
}

TEST(CleanupScripts, BackslashInALinuxFileNameKeepsBothReadings) {
  // On Linux "a\\b.jpg" may be a real JPG whose twin is "a\\b.nef": the lines for the last
  // component come first, then those for the whole name.
  const CleanupScriptContext ctx = Posix("/r");
  const std::string lines = RestoreLines(ctx, "a\\b.jpg");
  EXPECT_EQ(LineCount(lines), 10u);
  EXPECT_EQ(Line(lines, 0), "ren /r/b.nbak b.nef");
  EXPECT_EQ(Line(lines, 5), "ren /r/a\\b.nbak a\\b.nef");
  // A forward slash is a folder part on Linux: only the last component counts.
  EXPECT_EQ(RestoreLines(ctx, "jpg/b.jpg"), RestoreLines(ctx, "b.jpg"));
}

TEST(CleanupScripts, PairingRecordLineKeepsTheThreeValuesApart) {
  EXPECT_EQ(PairingRecordLine("DSC_0001.JPG", "D:\\JPG\\DSC_0001.JPG", "DSC_0001"),
            "DSC_0001.JPG  D:\\JPG\\DSC_0001.JPG         DSC_0001\r\n");
  // A value that fills its zone exactly still gets a blank after it.
  EXPECT_EQ(PairingRecordLine("ABCDEFGHIJKLMN", "J", ""), std::string("ABCDEFGHIJKLMN") +
                                                              std::string(14, ' ') + "J" +
                                                              std::string(13, ' ') + "\r\n");
}

}  // namespace
}  // namespace shotsweep
