#include "platform/qt/drives.h"

#include <QFileInfo>
#include <QStorageInfo>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/qt/local_path.h"

namespace fs = std::filesystem;

namespace shotsweep {
namespace {

constexpr std::string_view kPseudoFileSystems[] = {
    "autofs",  "binfmt_misc", "bpf",      "cgroup",     "cgroup2",    "configfs",     "debugfs",
    "devpts",  "devtmpfs",    "efivarfs", "fusectl",    "hugetlbfs",  "mqueue",       "nsfs",
    "proc",    "pstore",      "ramfs",    "rpc_pipefs", "securityfs", "selinuxfs",    "squashfs",
    "sysfs",   "tmpfs",       "tracefs",  "fuse.gvfsd-fuse", "fuse.portal", "fuse.snapfuse"};

constexpr std::string_view kSystemPlaces[] = {"/boot", "/proc", "/sys", "/dev",
                                                        "/run",  "/snap", "/var/lib"};

bool IsUnder(std::string_view path, std::string_view folder) {
  if (folder == "/") return path.starts_with('/');
  return path == folder || (path.starts_with(folder) && path.size() > folder.size() &&
                            path[folder.size()] == '/');
}

std::string LastNamePart(std::string_view device) {
  const std::size_t slash = device.find_last_of('/');
  return std::string(slash == std::string_view::npos ? device : device.substr(slash + 1));
}

}  // namespace

bool IsRecognisable(const MountedVolume& volume) {
  if (volume.rootPath.empty() || volume.rootPath.front() != '/') return false;
  if (std::ranges::find(kPseudoFileSystems, volume.fsType) != std::end(kPseudoFileSystems)) return false;
  if (IsUnder(volume.rootPath, "/run/media")) return true;
  return std::ranges::none_of(kSystemPlaces,
                              [&](std::string_view place) { return IsUnder(volume.rootPath, place); });
}

std::string DriveText(const MountedVolume& volume) {
  std::string name = volume.label;
  if (name.empty()) name = volume.device.starts_with('/') ? LastNamePart(volume.device) : volume.device;
  if (name.empty()) name = volume.fsType.empty() ? "disk" : volume.fsType;
  return volume.rootPath + " [" + name + "]";
}

std::vector<Drive> RecognisableDrives(const std::vector<MountedVolume>& volumes) {
  std::map<std::string, Drive> byPath;
  for (const MountedVolume& volume : volumes) {
    if (IsRecognisable(volume)) byPath[volume.rootPath] = Drive{volume.rootPath, DriveText(volume)};
  }
  if (!byPath.contains("/")) byPath["/"] = Drive{"/", "/ [root]"};
  std::vector<Drive> drives;
  for (auto& [path, drive] : byPath) drives.push_back(std::move(drive));  // "/" sorts first
  return drives;
}

std::vector<Drive> SystemDrives::Drives() {
  std::vector<MountedVolume> volumes;
  for (const QStorageInfo& storage : QStorageInfo::mountedVolumes()) {
    if (!storage.isValid()) continue;
    // Containers bind single files such as /etc/hosts; only folders can be browsed.
    if (!QFileInfo(storage.rootPath()).isDir()) continue;
    volumes.push_back({ToLocalPath(storage.rootPath()), storage.fileSystemType().toStdString(),
                       ToLocalPath(QString::fromLocal8Bit(storage.device())), storage.name().toStdString()});
  }
  return RecognisableDrives(volumes);
}

DriveTable::DriveTable(DriveSource& source, FileSystem& fs) : source_(source), fs_(fs) { Reload(); }

void DriveTable::Reload() {
  drives_ = source_.Drives();
  if (drives_.empty()) drives_.push_back(Drive{"/", "/ [root]"});
}

std::optional<Drive> DriveTable::Find(std::string_view text) const {
  for (const Drive& drive : drives_) {
    if (drive.text == text) return drive;
  }
  const Drive* best = nullptr;
  for (const Drive& drive : drives_) {
    const std::string& mount = drive.mountPath;
    const bool named = text == mount || (text.starts_with(mount) && text.substr(mount.size()).starts_with(" ["));
    if (named && (!best || mount.size() > best->mountPath.size())) best = &drive;
  }
  if (!best) return std::nullopt;
  return *best;
}

Drive DriveTable::DriveOf(std::string_view folder) const {
  const Drive* best = nullptr;
  for (const Drive& drive : drives_) {
    if (IsUnder(folder, drive.mountPath) && (!best || drive.mountPath.size() > best->mountPath.size()))
      best = &drive;
  }
  return best ? *best : drives_.front();
}

std::string DriveTable::CurrentFolder(const Drive& drive) const {
  const auto remembered = currentFolders_.find(drive.mountPath);
  if (remembered == currentFolders_.end()) return drive.mountPath;
  fs::path folder = remembered->second;
  while (!fs_.IsDirectory(folder.string()) && IsUnder(folder.parent_path().string(), drive.mountPath) &&
         folder.has_relative_path()) {
    folder = folder.parent_path();
  }
  if (!fs_.IsDirectory(folder.string())) return drive.mountPath;
  return folder.string();
}

void DriveTable::Remember(std::string_view folder) {
  currentFolders_[DriveOf(folder).mountPath] = std::string(folder);
}

}  // namespace shotsweep
