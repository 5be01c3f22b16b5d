// How names and paths go into a script, and which cannot.
#include "base/script_names.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace shotsweep {
namespace {

TEST(ScriptNames, PathsAreQuotedWhenQuoteSaysOrTheInterpreterWouldSplitThem) {
  for (const auto& [quote, path, written] : std::vector<std::array<std::string, 3>>{
           {"", "/plain/path", "/plain/path"},
           {"\"", "/plain/path", "\"/plain/path\""},
           {"", "/a=b", "\"/a=b\""},
           {"", "/100%", "\"/100%%\""}}) {
    EXPECT_EQ(ScriptPath(quote, path), written);
  }
}

TEST(ScriptNames, UnwritableNamesAreReported) {
  for (const char* fine : {"DSC_0001.JPG", "My photo & (1), 100%.jpg", "Žluťoučký kůň.jpg",
                           "C:\\My Photos\\x.jpg", "\xF0\x9F\x93\xB7.jpg", ""}) {
    EXPECT_EQ(UnwritableReason(fine), std::nullopt) << fine;
  }
  const std::vector<std::string> unwritable = {
      "a\rb.jpg", "a\nb.jpg", "a\tb.jpg", std::string("a\0b.jpg", 7), "a\x7F.jpg",
      "a\xC2\x85.jpg",         // C1 control character NEL, validly encoded
      "say \"cheese\".jpg",
      "a*.jpg", "a?.jpg",        // wildcards would rename other files than the one named
      "caf\xE9.jpg",             // Latin-1, not UTF-8
      "a\xC0\xAF.jpg",          // overlong "/"
      "a\xED\xA0\x80.jpg",      // surrogate
      "a\xF4\x90\x80\x80.jpg",  // beyond U+10FFFF
      "a\xE2\x82.jpg",          // cut-off sequence
      "end\xE2\x82",            // cut off at the very end
      "a\x80.jpg",              // stray continuation byte
  };
  for (const std::string& name : unwritable) {
    const auto reason = UnwritableReason(name);
    ASSERT_TRUE(reason.has_value()) << name;
    EXPECT_FALSE(reason->empty());
  }
}

TEST(ScriptNames, TheRefusalNamesTheTextAndShowsItsControlCharacters) {
  EXPECT_EQ(RefuseUnwritable({"a.jpg", "b.jpg"}, [](std::size_t) { return "x"; }, "a script"), std::nullopt);
  const auto refusal =
      RefuseUnwritable({"ok.jpg", "bad\rname.jpg"}, [](std::size_t i) { return "Name " + std::to_string(i); }, "a script");
  ASSERT_TRUE(refusal);
  EXPECT_THAT(refusal->Text(), ::testing::StartsWith("22 Name 1 \"bad\\x0Dname.jpg\" cannot be written into a script: "));
}

}  // namespace
}  // namespace shotsweep
