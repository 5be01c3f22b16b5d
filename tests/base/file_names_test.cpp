#include "base/file_names.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace shotsweep {
namespace {

struct NameCase {
  std::string name;
  std::string extension;  // ignored when `fails`
  std::string base;
  bool fails = false;
};

// Shown by its name, not by its bytes.
void PrintTo(const NameCase& c, std::ostream* out) { *out << '"' << c.name << '"'; }

class FileNameSplit : public ::testing::TestWithParam<NameCase> {};

TEST_P(FileNameSplit, SplitsAtTheLeftmostDotAfterTheFirstCharacter) {
  const NameCase& c = GetParam();
  if (c.fails) {
    EXPECT_EQ(FileExtension(c.name), std::nullopt);
  } else {
    EXPECT_EQ(FileExtension(c.name), c.extension);
  }
  EXPECT_EQ(FileBaseName(c.name), c.base);
}

// Each case by its place and the letters and digits of its name: the same in every build.
std::string CaseName(const ::testing::TestParamInfo<NameCase>& info) {
  std::string name = "case" + std::to_string(info.index) + "_";
  for (char c : info.param.name) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) name += c;
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(
    Names, FileNameSplit,
    ::testing::Values(NameCase{"DSC_0001.JPG", "JPG", "DSC_0001"},
                      NameCase{"IMG_7.cr2", "cr2", "IMG_7"},
                      NameCase{"a.b.jpg", "b.jpg", "a"},
                      NameCase{"trip.day1.nef", "day1.nef", "trip"},
                      NameCase{"photo.", "", "photo"},
                      NameCase{".a.b", "b", ".a"},
                      NameCase{".jpg", "", "", true},
                      NameCase{"README", "", "", true},
                      NameCase{"x", "", "", true},
                      NameCase{"", "", "", true},
                      NameCase{".", "", "", true},
                      NameCase{"..", "", ".", false},
                      NameCase{"My photo.jpg", "jpg", "My photo"},
                      NameCase{"C:\\jpg\\DSC_0001.JPG", "JPG", "C:\\jpg\\DSC_0001"},
                      NameCase{"D:\\my.folder\\x.jpg", "folder\\x.jpg", "D:\\my"},
                      NameCase{"/home/me/my.pics/x.jpg", "pics/x.jpg", "/home/me/my"},
                      NameCase{"dsc_0001.JPG", "JPG", "dsc_0001"},
                      NameCase{" DSC.jpg", "jpg", " DSC"},
                      NameCase{"DSC .jpg ", "jpg ", "DSC "},
                      // Multi-byte UTF-8 before and after the dot stays whole.
                      NameCase{"Žluťoučký kůň.jpg", "jpg", "Žluťoučký kůň"},
                      NameCase{"snímek.čí", "čí", "snímek"}),
    CaseName);

TEST(FileNameSplit, NulBytesAreOrdinaryCharacters) {
  const std::string name("a\0b.c", 5);
  EXPECT_EQ(FileExtension(name), "c");
  EXPECT_EQ(FileBaseName(name), std::string("a\0b", 3));
}

}  // namespace
}  // namespace shotsweep
