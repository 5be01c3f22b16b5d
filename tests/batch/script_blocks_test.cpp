// Where a script's blocks begin and end, and which of them must wait for which.
#include "batch/script_blocks.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace shotsweep::batch {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::string kEnd = "REM " + std::string(68, '*');

// A block as the extraction script writes one for `raw` (a name in /r), its JPG /j/BASE.jpg.
std::string Block(const std::string& raw) {
  const std::string base = raw.substr(0, raw.find('.', 1));
  const std::string stem = raw.substr(0, raw.rfind('.'));
  std::string text = "del /r/" + base + ".asc\r\ndel /r/" + base + ".txt\r\n/usr/bin/exiv2 -f -ep2,3,4 /r/" + raw +
                     "\r\n/usr/bin/exiv2 -pv /r/" + raw + " >/j/" + base + ".txt\r\n";
  for (const char* n : {"2", "3", "4"}) {
    text += "copy /r/" + stem + "-preview" + n + ".jpg /j/" + base + ".jpg /Y\r\n";
  }
  return text + "if exist /r/" + stem + "-preview*.jpg /usr/bin/exiftool -all= -tagsfromfile /r/" + raw +
         " -exif:all /j/" + base + ".jpg\r\ndel /r/" + stem + "-preview*.jpg\r\n" + kEnd + "\r\n\r\n";
}

struct Script {
  std::string text;
  std::vector<ScriptLine> lines;
  ScriptBlocks parts;

  explicit Script(std::string t) : text(std::move(t)), lines(SplitLines(text)), parts(SplitIntoBlocks(lines)) {}

  std::vector<BlockNames> Names(const std::vector<std::string>& args = {"x.bat"}) const {
    std::vector<BlockNames> names;
    const EnvironmentLookup environment = [](std::string_view name) -> std::optional<std::string> {
      if (name == "JPG") return "/j";
      return std::nullopt;
    };
    for (const LineRange& block : parts.blocks) names.push_back(NamesInBlock(lines, block, "/r", args, environment));
    return names;
  }
};

std::string Extraction(const std::vector<std::string>& raws) {
  std::string text = "chcp 65001\r\n";
  for (const std::string& raw : raws) text += Block(raw);
  return text + "del /j/*.jpg_original\r\n";
}

TEST(ScriptBlocks, TheFirstLineThenABlockPerSeparatorThenTheRest) {
  const Script script(Extraction({"a.nef", "b.nef"}));
  ASSERT_EQ(script.parts.blocks.size(), 2u);
  EXPECT_EQ(script.parts.before.begin, 0u);
  EXPECT_EQ(script.parts.before.end, 1u);
  EXPECT_EQ(script.parts.blocks[0].begin, 1u);
  EXPECT_EQ(script.parts.blocks[0].end, script.parts.blocks[1].begin);
  // The separator and the empty line after it end the block.
  EXPECT_EQ(script.lines[script.parts.blocks[0].end - 2].text, kEnd);
  EXPECT_EQ(script.lines[script.parts.blocks[0].end - 1].text, "");
  EXPECT_EQ(script.parts.after.begin, script.parts.blocks[1].end);
  EXPECT_EQ(script.parts.after.end, script.lines.size());
  EXPECT_EQ(script.lines[script.parts.after.begin].text, "del /j/*.jpg_original");

  // No separator: nothing to run side by side. A separator first: no line before the blocks.
  const Script plain("chcp 65001\r\ncopy a b\r\n");
  EXPECT_TRUE(plain.parts.blocks.empty());
  EXPECT_EQ(plain.parts.before.end, 2u);
  EXPECT_EQ(plain.parts.after.begin, 2u);
  const Script first("rem " + std::string(68, '*') + "  \r\necho a\r\n" + kEnd + "\r\necho b\r\n");
  ASSERT_EQ(first.parts.blocks.size(), 2u);
  EXPECT_EQ(first.parts.before.end, 0u);
  EXPECT_EQ(first.parts.blocks[1].end, 3u);  // no empty line after its separator
  EXPECT_EQ(first.parts.after.begin, 3u);
  // A line of 67 or 69 asterisks is a comment like any other.
  EXPECT_TRUE(Script("x\r\nREM " + std::string(67, '*') + "\r\nREM " + std::string(69, '*') + "\r\n")
                  .parts.blocks.empty());
}

TEST(ScriptBlocks, BlocksThatNameACommonFileWaitForTheLastOneBefore) {
  // a.cr2 makes a.jpg after a.nef; "a-preview2.nef"'s previews are caught by a.nef's
  // "a-preview*.jpg"; ab.nef, b.NEF and B.arw share nothing with a.nef, but B.arw's JPG is b.NEF's.
  const Script script(Extraction({"a.nef", "ab.nef", "a.cr2", "b.NEF", "a-preview2.nef", "B.arw", "trip.day1.nef",
                                  "trip.day2.nef"}));
  const BlockOrder order = OrderOfBlocks(script.Names());
  EXPECT_THAT(order.waitsFor[0], IsEmpty());
  EXPECT_THAT(order.waitsFor[1], IsEmpty());
  EXPECT_THAT(order.waitsFor[2], ElementsAre(0));
  EXPECT_THAT(order.waitsFor[3], IsEmpty());
  EXPECT_THAT(order.waitsFor[4], ElementsAre(2));  // and through a.cr2 for a.nef
  EXPECT_THAT(order.waitsFor[5], ElementsAre(3));
  EXPECT_THAT(order.waitsFor[6], IsEmpty());
  EXPECT_THAT(order.waitsFor[7], ElementsAre(6));  // both make trip.jpg
  for (bool all : order.waitsForAll) EXPECT_FALSE(all);
}

TEST(ScriptBlocks, NamesAsTheInterpreterReadsThem) {
  // Percents expanded, relative paths from the working folder, "ren" targets in the source's
  // folder, "x.*" also taking "x", trailing dots dropped, a folder holding what lies in it.
  const Script script("chcp 1\r\n"
                      "echo a >%JPG%/../j/one.txt\r\n" + kEnd + "\r\n"
                      "@if exist ONE.TXT. copy %1 y\r\n" + kEnd + "\r\n"
                      "ren /r/x.nef y.*\r\n" + kEnd + "\r\n"
                      "del /r/y\r\n" + kEnd + "\r\n"
                      "del /j/\r\n" + kEnd + "\r\n"
                      "echo quiet >nul 2>&1\r\n/usr/bin/exiv2 -ep2 /j/one.txt\r\n" + kEnd + "\r\n");
  const std::vector<BlockNames> names = script.Names({"x.bat", "/r/Z.NEF"});
  ASSERT_EQ(names.size(), 6u);
  ASSERT_EQ(names[1].files.size(), 3u);
  EXPECT_EQ(names[1].files[0].key, "/r/one.txt");
  EXPECT_EQ(names[1].files[1].key, "/r/z.nef");
  EXPECT_EQ(names[1].files[2].key, "/r/y");
  EXPECT_THAT(names[5].files, IsEmpty());  // NUL and a program's own arguments name nothing
  const BlockOrder order = OrderOfBlocks(names);
  EXPECT_THAT(order.waitsFor[1], IsEmpty());
  EXPECT_THAT(order.waitsFor[2], ElementsAre(1));  // the new name y.* may be the y block 1 copied to
  EXPECT_THAT(order.waitsFor[3], ElementsAre(1, 2));
  EXPECT_THAT(order.waitsFor[4], ElementsAre(0));  // the folder /j and its one.txt
  EXPECT_FALSE(names[4].changesState);
}

TEST(ScriptBlocks, ALineThatChangesWhatLaterLinesSeeIsNoticed) {
  for (const char* line : {"cd /j", "@echo off", "chcp 850", "exit /b 2"}) {
    const Script script("chcp 1\r\n" + std::string(line) + "\r\n" + kEnd + "\r\necho x\r\n" + kEnd + "\r\n");
    const std::vector<BlockNames> names = script.Names();
    EXPECT_TRUE(names[0].changesState) << line;
    EXPECT_FALSE(names[1].changesState) << line;
  }
  EXPECT_FALSE(Script("x\r\nchcp\r\necho on.\r\n" + kEnd + "\r\n").Names()[0].changesState);
}

TEST(ScriptBlocks, ABlockThatMeetsTooManyNamesWaitsForAll) {
  std::string text = "chcp 1\r\n";
  for (int i = 0; i < 300; ++i) text += "copy /r/a /j/" + std::to_string(i) + ".jpg\r\n" + kEnd + "\r\n";
  text += "del /j/*.jpg\r\n" + kEnd + "\r\n";
  const Script script(text);
  const BlockOrder order = OrderOfBlocks(script.Names());
  EXPECT_THAT(order.waitsFor[1], ElementsAre(0));  // both read /r/a
  EXPECT_TRUE(order.waitsForAll[300]);
  EXPECT_FALSE(order.waitsForAll[299]);
}

}  // namespace
}  // namespace shotsweep::batch
