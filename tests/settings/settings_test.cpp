#include "settings/settings.h"

#include <gtest/gtest.h>

namespace shotsweep {
namespace {

TEST(CommandFolders, FolderGetsOneSeparatorOnlyWhenMissing) {
  EXPECT_EQ(WithTrailingSeparator("D:\\RAW", '\\'), "D:\\RAW\\");
  EXPECT_EQ(WithTrailingSeparator("C:\\", '\\'), "C:\\");
  EXPECT_EQ(WithTrailingSeparator("/home/me/raw", '/'), "/home/me/raw/");
  EXPECT_EQ(WithTrailingSeparator("/", '/'), "/");
}

TEST(CommandFolders, QuoteFollowsOnlyTheRawFolderAndTheQuoteSetting) {
  EXPECT_EQ(DecideQuote("C:\\My Photos", false), "\"");
  EXPECT_EQ(DecideQuote("/home/me/raw", true), "\"");
  EXPECT_EQ(DecideQuote("/home/me/raw", false), "");
  Settings quoted;
  quoted.quoteEveryPath = true;
  EXPECT_EQ(FoldersOfRun("/raw", "/my jpg", Settings{}).quote, "");
  const CommandFolders folders = FoldersOfRun("/raw", "/", quoted);
  EXPECT_EQ(folders.raw, "/raw/");
  EXPECT_EQ(folders.jpg, "/");
  EXPECT_EQ(folders.quote, "\"");
}

}  // namespace
}  // namespace shotsweep
