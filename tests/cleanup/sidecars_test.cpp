// The sidecar rule where more than one RAW file could own a file.

#include "cleanup/sidecars.h"

#include <gtest/gtest.h>

namespace shotsweep {
namespace {

using Fate = SidecarOwner::Fate;

// The sidecars found, each as "NAME>OWNER".
std::vector<std::string> Found(const std::vector<std::string>& files, const std::vector<SidecarOwner>& owners,
                               const std::vector<std::string>& kinds = {"xmp", "pp3", "dop", "arp"}) {
  std::vector<std::string> found;
  for (const FoundSidecar& s : FindSidecars(files, owners, kinds)) {
    found.push_back(s.name + ">" + (owners[s.owner].name.empty() ? owners[s.owner].present : owners[s.owner].name));
  }
  return found;
}

TEST(SidecarRule, AFileAnotherRawFileMayUseStaysWithTheOneThatStays) {
  const std::vector<std::string> files = {"S.NEF", "S.CR2", "S.xmp", "S.NEF.xmp", "S.CR2.xmp"};
  // S.xmp could be either's: kept with S.CR2, it is not S.NEF's to take.
  EXPECT_EQ(Found(files, {{"S.NEF", "S.NEF", Fate::Leaves}, {"S.CR2", "S.CR2", Fate::Kept}}),
            (std::vector<std::string>{"S.NEF.xmp>S.NEF"}));
  // Beside one set aside, it stays where it is, as that one's.
  EXPECT_EQ(Found(files, {{"S.NEF", "S.NEF", Fate::Leaves}, {"S.CR2", "S.CR2", Fate::SetAside}}),
            (std::vector<std::string>{"S.xmp>S.CR2", "S.NEF.xmp>S.NEF", "S.CR2.xmp>S.CR2"}));
  // Both leaving: it leaves once, with the first.
  EXPECT_EQ(Found(files, {{"S.NEF", "S.NEF", Fate::Leaves}, {"S.CR2", "S.CR2", Fate::Leaves}}),
            (std::vector<std::string>{"S.xmp>S.NEF", "S.NEF.xmp>S.NEF", "S.CR2.xmp>S.CR2"}));
}

TEST(SidecarRule, NamesAreExactButTheSidecarExtensionIsInAnyCase) {
  const std::vector<std::string> files = {"D.NEF.XMP", "D.nef.xmp", "D.NEF.Pp3", "D.NEF.xmp.txt", "D.NEF.tif",
                                          "D_01.NEF.xmp", "D_1.NEF.xmp", "D_02.NEF.xmp", "D_02.NEF", "d.xmp"};
  EXPECT_EQ(Found(files, {{"D.NEF", "D.NEF", Fate::Leaves}, {"D_02.NEF", "D_02.NEF", Fate::Kept}}),
            (std::vector<std::string>{"D.NEF.XMP>D.NEF", "D.NEF.Pp3>D.NEF", "D_01.NEF.xmp>D.NEF"}));
  // Only the configured kinds; none at all turns the rule off.
  EXPECT_EQ(Found(files, {{"D.NEF", "D.NEF", Fate::Leaves}}, {"pp3"}), (std::vector<std::string>{"D.NEF.Pp3>D.NEF"}));
  EXPECT_TRUE(Found(files, {{"D.NEF", "D.NEF", Fate::Leaves}}, {}).empty());
}

TEST(SidecarRule, ASetAsideFileOfUnknownNameHoldsOnToWhateverMayBeItsOwn) {
  // X.nbak was set aside by a run that left no record: it may have been X.NEF or X.nef.
  const std::vector<std::string> files = {"X.nbak", "X.NEF.xmp", "X.xmp", "X.orf", "X.orf.xmp", "Y.NEF", "Y.NEF.xmp"};
  EXPECT_EQ(Found(files, {{"", "X.nbak", Fate::Leaves}, {"X.orf", "X.orf", Fate::Leaves},
                          {"Y.NEF", "Y.NEF", Fate::Leaves}}),
            (std::vector<std::string>{"Y.NEF.xmp>Y.NEF"}));
}

}  // namespace
}  // namespace shotsweep
