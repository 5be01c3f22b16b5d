#pragma once
// The drives of the drive lists. On Linux a drive is a mounted file system a user would
// recognise as a place for files (the root, removable media, a separate home or data
// partition), named by its mount path and, in square brackets, its label or device:
// "/ [sda1]", "/media/card [NIKON D90]". Each drive remembers the folder the program last
// made current on it; a drive list's change moves the folder list there.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fs/file_system.h"

namespace shotsweep {

// One mounted file system as the system reports it.
struct MountedVolume {
  std::string rootPath;  // "/media/card"
  std::string fsType;    // "vfat"
  std::string device;    // "/dev/sdb1"
  std::string label;     // "NIKON D90", or empty
};

struct Drive {
  std::string mountPath;  // "/media/card"
  std::string text;       // "/media/card [NIKON D90]", as the drive list shows it

  bool operator==(const Drive&) const = default;
};

// False for pseudo file systems (proc, tmpfs, cgroup, ...) and for system mounts nobody keeps
// photos on (/boot, /proc, /sys, /dev, /run apart from /run/media, snaps).
bool IsRecognisable(const MountedVolume& volume);

// Mount path, a blank, and the label (else the device's last name part) in square brackets.
std::string DriveText(const MountedVolume& volume);

// The recognisable volumes as drives: the root first, then by mount path; when a path is
// mounted over, the last mount (the one that is seen) counts. The root is always there.
std::vector<Drive> RecognisableDrives(const std::vector<MountedVolume>& volumes);

// Where the drive lists get their drives from; tests give made-up drives.
class DriveSource {
 public:
  virtual ~DriveSource() = default;
  virtual std::vector<Drive> Drives() = 0;
};

// The mounted file systems of this machine.
class SystemDrives : public DriveSource {
 public:
  std::vector<Drive> Drives() override;
};

// The drives both panes offer, and the folder each drive was last left on.
class DriveTable {
 public:
  // `fs` tells whether a remembered folder is still there.
  DriveTable(DriveSource& source, FileSystem& fs);

  // Reads the drives again (a card may have been inserted); remembered folders stay.
  void Reload();
  const std::vector<Drive>& drives() const { return drives_; }

  // The drive a drive text names: the drive with exactly that text, else the one whose mount
  // path the text starts with (followed by nothing or by " ["), so a drive whose label changed
  // is still found. nullopt when no drive matches.
  std::optional<Drive> Find(std::string_view text) const;

  // The drive holding `folder`: the one with the longest mount path above it.
  Drive DriveOf(std::string_view folder) const;

  // The folder the program last made current on `drive`; when that folder is gone, its
  // nearest remaining parent on the drive; else the drive's root.
  std::string CurrentFolder(const Drive& drive) const;

  // Makes `folder` the current folder of the drive that holds it.
  void Remember(std::string_view folder);

 private:
  DriveSource& source_;
  FileSystem& fs_;
  std::vector<Drive> drives_;
  std::map<std::string, std::string> currentFolders_;  // mount path -> folder
};

}  // namespace shotsweep
