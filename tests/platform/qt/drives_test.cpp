#include "platform/qt/drives.h"

#include <gtest/gtest.h>

#include "tests/support/disk.h"
#include "tests/support/fake_drives.h"
#include "tests/support/temp_folder.h"

namespace shotsweep {
namespace {

using testing::TempFolder;

TEST(DriveTexts, LabelElseDeviceNameInBrackets) {
  EXPECT_EQ(DriveText({"/", "ext4", "/dev/sda1", ""}), "/ [sda1]");
  EXPECT_EQ(DriveText({"/media/card", "vfat", "/dev/sdb1", "NIKON D90"}), "/media/card [NIKON D90]");
  EXPECT_EQ(DriveText({"/home", "ext4", "/dev/mapper/vg-home", ""}), "/home [vg-home]");
  EXPECT_EQ(DriveText({"/mnt/nas", "nfs", "nas:/photos", ""}), "/mnt/nas [nas:/photos]");
  EXPECT_EQ(DriveText({"/", "overlay", "", ""}), "/ [overlay]");
}

TEST(DriveTexts, OnlyPlacesAUserKeepsFilesOnAreDrives) {
  const std::vector<MountedVolume> mounted = {
      {"/proc", "proc", "proc", ""},
      {"/sys", "sysfs", "sysfs", ""},
      {"/dev/shm", "tmpfs", "tmpfs", ""},
      {"/run/user/1000", "tmpfs", "tmpfs", ""},
      {"/tmp", "tmpfs", "tmpfs", ""},
      {"/boot/efi", "vfat", "/dev/sda1", ""},
      {"/snap/core/1", "squashfs", "/dev/loop0", ""},
      {"/home", "ext4", "/dev/sda3", ""},
      {"/run/media/ann/CARD", "exfat", "/dev/sdc1", "CARD"},
      {"/", "ext4", "/dev/sda2", ""},
      {"/media/old", "vfat", "/dev/sdd1", "FIRST"},
      {"/media/old", "vfat", "/dev/sde1", "SECOND"},  // mounted over the first
  };
  const std::vector<Drive> drives = RecognisableDrives(mounted);
  ASSERT_EQ(drives.size(), 4u);
  EXPECT_EQ(drives[0], (Drive{"/", "/ [sda2]"}));
  EXPECT_EQ(drives[1], (Drive{"/home", "/home [sda3]"}));
  EXPECT_EQ(drives[2], (Drive{"/media/old", "/media/old [SECOND]"}));
  EXPECT_EQ(drives[3], (Drive{"/run/media/ann/CARD", "/run/media/ann/CARD [CARD]"}));

  // With nothing recognisable the root is still there to stand on.
  EXPECT_EQ(RecognisableDrives({{"/proc", "proc", "proc", ""}}), (std::vector<Drive>{{"/", "/ [root]"}}));
}

TEST(DriveTexts, EveryDriveTextIsLongerThanOneCharacter) {
  // A saved drive of one character is never applied, so the root must not be named "/".
  for (const Drive& drive : RecognisableDrives({{"/", "", "", ""}})) EXPECT_GT(drive.text.size(), 1u);
}

TEST(DriveTableTest, FindsADriveByItsTextOrItsMountPath) {
  testing::FakeDrives source;
  source.drives = {{"/", "/ [sda1]"}, {"/media/card", "/media/card [NIKON D90]"},
                   {"/media/card 2", "/media/card 2 [CANON]"}};
  DriveTable table(source, testing::TestDisk());
  EXPECT_EQ(table.Find("/media/card [NIKON D90]")->mountPath, "/media/card");
  // The card was relabelled since the text was saved: the mount path still names it.
  EXPECT_EQ(table.Find("/media/card [OTHER]")->mountPath, "/media/card");
  EXPECT_EQ(table.Find("/media/card 2 [X]")->mountPath, "/media/card 2");
  EXPECT_EQ(table.Find("/ [sdz9]")->mountPath, "/");
  EXPECT_EQ(table.Find("/media/card")->mountPath, "/media/card");
  EXPECT_FALSE(table.Find("C:"));
  EXPECT_FALSE(table.Find("/media/cardX [NIKON D90]"));
  EXPECT_FALSE(table.Find("/media [x]"));
  EXPECT_FALSE(table.Find(""));

  EXPECT_EQ(table.DriveOf("/media/card/DCIM").mountPath, "/media/card");
  EXPECT_EQ(table.DriveOf("/media/card 2/DCIM").mountPath, "/media/card 2");
  EXPECT_EQ(table.DriveOf("/media/cardboard").mountPath, "/");
  EXPECT_EQ(table.DriveOf("/media/card").mountPath, "/media/card");
}

TEST(DriveTableTest, EachDriveRemembersItsLastFolderWhileItExists) {
  TempFolder scratch;
  const std::string card = scratch.MakeDir("card").string();
  scratch.MakeDir("card/DCIM/100NIKON");
  testing::FakeDrives source;
  source.drives = {{"/", "/ [sda1]"}, {card, card + " [CARD]"}};
  DriveTable table(source, testing::TestDisk());
  const Drive cardDrive = *table.Find(card);

  EXPECT_EQ(table.CurrentFolder(cardDrive), card);  // never visited: its root
  table.Remember(card + "/DCIM/100NIKON");
  table.Remember(scratch.str());  // another drive's folder does not count here
  EXPECT_EQ(table.CurrentFolder(cardDrive), card + "/DCIM/100NIKON");
  EXPECT_EQ(table.CurrentFolder(*table.Find("/ [sda1]")), scratch.str());

  // The folder went away: its nearest remaining parent on the drive.
  std::filesystem::remove_all(card + "/DCIM/100NIKON");
  EXPECT_EQ(table.CurrentFolder(cardDrive), card + "/DCIM");
  std::filesystem::remove_all(card);
  EXPECT_EQ(table.CurrentFolder(cardDrive), card);

  // A reload keeps what was remembered.
  table.Reload();
  table.Remember(scratch.str() + "/x");
  EXPECT_EQ(table.CurrentFolder(*table.Find("/ [sda1]")), scratch.str());
}

TEST(SystemDrivesTest, TheMachineHasARootDrive) {
  SystemDrives system;
  const std::vector<Drive> drives = system.Drives();
  ASSERT_FALSE(drives.empty());
  EXPECT_EQ(drives.front().mountPath, "/");
  EXPECT_TRUE(drives.front().text.starts_with("/ ["));
}

}  // namespace
}  // namespace shotsweep
