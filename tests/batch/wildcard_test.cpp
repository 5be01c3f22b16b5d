#include "batch/wildcard.h"

#include <gtest/gtest.h>

#include "base/case_folding.h"

namespace shotsweep::batch {
namespace {

bool Matches(std::string_view pattern, std::string_view name) {
  return NamePattern(FoldCase(pattern)).Matches(FoldCase(name));
}

TEST(Wildcards, PatternsMatchNamesTheWayTheOriginalInterpreterDoes) {
  struct Case {
    const char* pattern;
    const char* name;
    bool match;
  };
  const Case cases[] = {
      {"*.nef", "DSC_0001.nef", true},
      {"*.nef", "DSC_0001.NEF", true},
      {"*.NEF", "dsc_0001.nef", true},
      {"*.nef", "trip.day1.nef", true},  // the star runs up to the last dot
      {"*.nef", ".nef", true},           // a name that is only an extension
      {"*.nef", "x.nef.txt", false},
      {"*.nef", "xnef", false},
      {"*.nef", "x.nefx", false},
      {"*.cr*", "a.cr2", true},
      {"*.cr*", "a.CRW", true},
      {"*.cr*", "a.cr3", true},
      {"*.cr*", "a.cr", true},
      {"*.cr*", "a.cr2.bak", false},  // the star before the dot cannot pass the last dot
      {"*.cr2", "a.cr3", false},
      {"*.*bak", "x.nbak", true},
      {"*.*bak", "notes.bak", true},
      {"*.*bak", "trip.day1.obak", true},
      {"*.*bak", "bak", false},
      {"*.*bak", "x.bak.txt", false},
      {"*.nbak", "x.cbak", false},
      {"*.*", "README", true},
      {"*.*", "a.b.c", true},
      {"*", ".hidden", true},
      {"*.", "README", true},  // "*." names files without an extension
      {"*.", "a.txt", false},
      {"a?c.nef", "abc.nef", true},
      {"a?c.nef", "a.c.nef", false},  // "?" never takes a dot
      {"abc?.nef", "abc.nef", true},  // ...but may take nothing before one
      {"??.jpg", "a.jpg", true},
      {"??.jpg", "abc.jpg", false},
      {"DSC_*", "dsc_0001.nef", true},
      {"*0001*", "DSC_0001.NEF", true},
      {"ÄPFEL.*", "äpfel.nef", true},  // case folding beyond ASCII
      {"ΣΟΦΙΑ.nef", "σοφια.nef", true},
  };
  for (const Case& c : cases) EXPECT_EQ(Matches(c.pattern, c.name), c.match) << c.pattern << " vs " << c.name;
  EXPECT_TRUE(NamePattern("*.*").MatchesEverything());
  EXPECT_FALSE(NamePattern("*.nef").MatchesEverything());
}

TEST(Wildcards, TargetMasksBuildTheNewName) {
  struct Case {
    const char* source;
    const char* mask;
    const char* result;
  };
  const Case cases[] = {
      {"DSC_0001.nef", "*.nbak", "DSC_0001.nbak"},
      {"DSC_0001.NEF", "*.nbak", "DSC_0001.nbak"},  // the new extension as the mask writes it
      {"trip.day1.nef", "*.nbak", "trip.day1.nbak"},  // only the last extension changes
      {"a.b.c.cr2", "*.cbak", "a.b.c.cbak"},
      {".nef", "*.nbak", ".nbak"},
      {"README", "*.nbak", "README.nbak"},  // no dot: all of it, then the dot
      {"photo.", "*.nbak", "photo.nbak"},
      {"abc.txt", "*.", "abc"},  // trailing dots are dropped
      {"abc.txt", "*", "abc.txt"},
      {"abcd.txt", "??.x", "ab.x"},
      {"abcd.txt", "??x*", "abxd.txt"},  // a literal replaces one character
      {"ab.txt", "????.x", "ab.x"},  // "?" stops at the dot
      {"a.b.c", "*.*", "a.b.c"},
      {"x.nef", "y*", "y.nef"},
      {"abcabc.txt", "*c.x", "abcabc.x"},  // "*c" runs to the last "c"
      {"abc.txt", "*q.x", "abc.txtq.x"},
  };
  for (const Case& c : cases) EXPECT_EQ(ApplyTargetMask(c.source, c.mask), c.result) << c.source << " by " << c.mask;
}

TEST(CaseFolding, FoldsUnicodeSimpleCasesAndKeepsBrokenBytes) {
  EXPECT_EQ(FoldCase("DSC_0001.NEF"), "dsc_0001.nef");
  EXPECT_EQ(FoldCase("ÄÖÜ.Nef"), "äöü.nef");
  EXPECT_EQ(FoldCase("ΣΊΣΥΦΟΣ"), "σίσυφοσ");
  EXPECT_EQ(FoldCase("ПРИВЕТ"), "привет");
  // Simple folding keeps the length: ß stays ß, it does not become "ss".
  EXPECT_EQ(FoldCase("STRAßE"), "straße");
  EXPECT_NE(FoldCase("STRASSE"), FoldCase("straße"));
  EXPECT_EQ(FoldCase("A\xff\xfe" "B"), "a\xff\xfe" "b");
}

}  // namespace
}  // namespace shotsweep::batch
