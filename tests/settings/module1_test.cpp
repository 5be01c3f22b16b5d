#include "settings/module1.h"

#include <gtest/gtest.h>

namespace shotsweep {
namespace {

TEST(Module1, FolderGetsOneSeparatorOnlyWhenMissing) {
  EXPECT_EQ(WithTrailingSeparator("D:\\RAW", '\\'), "D:\\RAW\\");
  EXPECT_EQ(WithTrailingSeparator("C:\\", '\\'), "C:\\");
  EXPECT_EQ(WithTrailingSeparator("/home/me/raw", '/'), "/home/me/raw/");
  EXPECT_EQ(WithTrailingSeparator("/", '/'), "/");
}

TEST(Module1, QuoteFollowsOnlyTheRawFolderAndQMarkExactlyOne) {
  EXPECT_EQ(DecideQuote("C:\\My Photos", 0), "\"");
  EXPECT_EQ(DecideQuote("/home/me/raw", 1), "\"");
  EXPECT_EQ(DecideQuote("/home/me/raw", 0), "");
  EXPECT_EQ(DecideQuote("/home/me/raw", 2), "");
  EXPECT_EQ(DecideQuote("/home/me/raw", -1), "");
}

}  // namespace
}  // namespace shotsweep
