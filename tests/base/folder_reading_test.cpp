// The file list's rules, without any widget or folder: folding, patterns, order.
#include "base/folder_reading.h"

#include <gtest/gtest.h>


#include "base/case_folding.h"

namespace shotsweep {
namespace {

TEST(FoldCaseTest, FoldsEveryValidCharacterAndKeepsOtherBytes) {
  EXPECT_EQ(FoldCase("DSC_0001.JPG"), "dsc_0001.jpg");
  EXPECT_EQ(FoldCase("\xC3\x89T\xC3\x89.NEF"), "\xC3\xA9t\xC3\xA9.nef");  // ÉTÉ -> été
  EXPECT_EQ(FoldCase("\xCE\xA3\xCE\xA3"), "\xCF\x83\xCF\x83");              // ΣΣ -> σσ
  EXPECT_EQ(FoldCase("\xF0\x90\x90\x80"), "\xF0\x90\x90\xA8");              // Deseret, beyond 16 bits
  // A Latin-1 name, a cut-off sequence, an overlong form: kept byte for byte.
  EXPECT_EQ(FoldCase("CAF\xC9.JPG"), "caf\xC9.jpg");
  EXPECT_EQ(FoldCase("A\xC3"), "a\xC3");
  EXPECT_EQ(FoldCase("\xC0\xAF"), "\xC0\xAF");
}

bool Matches(const char* patterns, const char* name) { return NamePatterns(patterns).Matches(FoldCase(name)); }

TEST(NamePatternsTest, WildcardsWithoutRegardToCase) {
  const char* raw = "*.nef;*.cr*;*.arw;*.orf";
  for (const char* name : {"a.NEF", ".nef", "trip.day1.nef", "b.cr2", "c.CRW", "x.cr2.bak", "d.Arw", "e.orf"})
    EXPECT_TRUE(Matches(raw, name)) << name;
  for (const char* name : {"a.nef.txt", "a.jpg", "nef", "a.ne", "a.orfx", ""}) EXPECT_FALSE(Matches(raw, name)) << name;

  EXPECT_TRUE(Matches("a*b*c", "aXXbYYbZc"));
  EXPECT_FALSE(Matches("a*b*c", "aXXbYYbZ"));
  EXPECT_TRUE(Matches("***", ""));
  // "?" is one character, however many bytes it takes, or one stray byte.
  EXPECT_TRUE(Matches("caf?.jpg", "caf\xC3\xA9.jpg"));
  EXPECT_TRUE(Matches("caf?.jpg", "caf\xE9.jpg"));
  EXPECT_FALSE(Matches("caf?.jpg", "caf.jpg"));
  EXPECT_TRUE(Matches("*\xC3\xA9t\xC3\xA9*", "\xC3\x89T\xC3\x89.NEF"));
}

TEST(NamePatternsTest, BlanksAroundAndEmptyPatternsDoNotCount) {
  EXPECT_TRUE(Matches(" *.jpg ; *.nef", "a.nef"));
  EXPECT_TRUE(Matches(";;*.jpg;", "a.jpg"));
  EXPECT_FALSE(Matches("", "a.jpg"));
  EXPECT_FALSE(Matches(" ; ", "a.jpg"));
}

TEST(InFileListOrderTest, FoldedOrderTiesByBytesEvenPastTheFirstSixteen) {
  EXPECT_EQ(InFileListOrder({"b.jpg", "a.jpg", "A.jpg", "\xC3\xA9T\xC3\xA9.JPG", "\xC3\x89t\xC3\xA9.jpg"}),
            (std::vector<std::string>{"A.jpg", "a.jpg", "b.jpg", "\xC3\x89t\xC3\xA9.jpg", "\xC3\xA9T\xC3\xA9.JPG"}));
  EXPECT_EQ(InFileListOrder({"holiday-2024-0002.jpg", "HOLIDAY-2024-0001.jpg", "holiday-2024-0001.jpg"}),
            (std::vector<std::string>{"HOLIDAY-2024-0001.jpg", "holiday-2024-0001.jpg", "holiday-2024-0002.jpg"}));
}

}  // namespace
}  // namespace shotsweep
