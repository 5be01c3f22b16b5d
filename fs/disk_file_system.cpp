#include "fs/file_system.h"

#include <dirent.h>
#include <gio/gio.h>
#include <fcntl.h>
#include <sys/sendfile.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <ctime>

namespace shotsweep {
namespace {

std::string Join(const std::string& dir, const char* name) {
  std::string path = dir;
  if (path.empty() || path.back() != '/') path += '/';
  return path + name;
}

int RenameExclusive(const std::string& from, const std::string& to) {
  return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0 ? 0 : errno;
}

class DiskFileSystem final : public FileSystem {
 public:
  explicit DiskFileSystem(ExclusiveRename renameExclusive) : renameExclusive_(renameExclusive) {}

  std::optional<CommandError> List(const std::string& dir, std::vector<DirEntry>& entries) override;
  bool IsDirectory(const std::string& path) override;
  std::optional<FolderStamp> Stamp(const std::string& dir) override;
  std::optional<CommandError> RenameNoReplace(const std::string& from, const std::string& to) override;
  std::optional<CommandError> Unlink(const std::string& path) override;
  std::optional<CommandError> Trash(const std::string& path) override;
  std::optional<CommandError> CopyFile(const std::string& from, const std::string& to) override;
  bool SameFile(const std::string& a, const std::string& b) override;
  std::optional<CommandError> OpenForOutput(const std::string& path, bool append, UniqueFd& fd) override;

 private:
  ExclusiveRename renameExclusive_;
};

std::optional<CommandError> DiskFileSystem::List(const std::string& dir, std::vector<DirEntry>& entries) {
  DIR* folder = ::opendir(dir.c_str());
  if (!folder) return ErrnoError(errno, dir);
  errno = 0;
  while (const dirent* e = ::readdir(folder)) {
    const std::string_view name = e->d_name;
    if (name == "." || name == "..") continue;
    bool isDir = e->d_type == DT_DIR;
    if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) isDir = IsDirectory(Join(dir, e->d_name));
    entries.push_back({std::string(name), isDir});
  }
  const int error = errno;
  ::closedir(folder);
  if (error != 0) return ErrnoError(error, dir);
  return std::nullopt;
}

bool DiskFileSystem::IsDirectory(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::optional<FolderStamp> DiskFileSystem::Stamp(const std::string& dir) {
  struct stat st;
  if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
  auto ns = [](const timespec& t) { return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec; };
  FolderStamp stamp{st.st_dev, st.st_ino, ns(st.st_mtim), ns(st.st_ctim)};
  // Three seconds: more than FAT's two-second clock; a time ahead of ours counts as recent.
  timespec now;
  ::clock_gettime(CLOCK_REALTIME, &now);
  constexpr long long kSettled = 3'000'000'000LL;
  stamp.tooRecent = ns(now) - std::max(stamp.modifiedNs, stamp.changedNs) < kSettled;
  // Where another machine's clock sets the times, ours cannot tell how recent they are.
  struct statfs mount;
  if (::statfs(dir.c_str(), &mount) != 0) return std::nullopt;
  switch (static_cast<unsigned long>(mount.f_type)) {
    case NFS_SUPER_MAGIC:
    case SMB_SUPER_MAGIC:
    case CIFS_SUPER_MAGIC:
    case SMB2_SUPER_MAGIC:
    case FUSE_SUPER_MAGIC:
    case V9FS_MAGIC:
    case CEPH_SUPER_MAGIC:
    case AFS_FS_MAGIC:
    case CODA_SUPER_MAGIC:
      stamp.tooRecent = true;
      break;
    default:
      break;
  }
  return stamp;
}

std::optional<CommandError> DiskFileSystem::RenameNoReplace(const std::string& from, const std::string& to) {
  const int error = renameExclusive_(from, to);
  if (error == 0) return std::nullopt;
  if (error != EINVAL && error != ENOSYS) return ErrnoError(error, from);
  // The file system cannot refuse to replace by itself: look first.
  struct stat st;
  if (::lstat(to.c_str(), &st) == 0) {
    struct stat self;
    // On a case-insensitive mount the "existing" target may be the file itself.
    if (::lstat(from.c_str(), &self) != 0 || self.st_ino != st.st_ino || self.st_dev != st.st_dev) {
      return ErrnoError(EEXIST, to);
    }
  }
  if (::rename(from.c_str(), to.c_str()) != 0) return ErrnoError(errno, from);
  return std::nullopt;
}

std::optional<CommandError> DiskFileSystem::Unlink(const std::string& path) {
  if (::unlink(path.c_str()) != 0) return ErrnoError(errno, path);
  return std::nullopt;
}

// GLib's trash: the freedesktop.org layout (files/ and info/ with a .trashinfo of the path and
// the deletion date), the home trash or $topdir/.Trash/$uid when that is a proper sticky folder,
// else $topdir/.Trash-$uid; never a delete in its place.
std::optional<CommandError> DiskFileSystem::Trash(const std::string& path) {
  GFile* file = g_file_new_for_path(path.c_str());
  GError* error = nullptr;
  const bool trashed = g_file_trash(file, nullptr, &error);
  g_object_unref(file);
  if (trashed) return std::nullopt;
  CommandError failure{error && error->code == G_IO_ERROR_NOT_FOUND ? ENOENT : ENOTSUP,
                       std::string("cannot be moved to the trash: ") + (error ? error->message : "unknown reason")};
  if (error) g_error_free(error);
  return failure;
}

bool DiskFileSystem::SameFile(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

std::optional<CommandError> DiskFileSystem::CopyFile(const std::string& from, const std::string& to) {
  // Only a regular file is read, and only a regular file (or a link, which the copy replaces)
  // is replaced: opening a pipe waits for its other end, opening a device acts on it.
  struct stat st;
  if (::stat(from.c_str(), &st) != 0) return ErrnoError(errno, from);
  if (!S_ISREG(st.st_mode)) return ErrnoError(S_ISDIR(st.st_mode) ? EISDIR : ENXIO, from);
  struct stat target;
  if (::lstat(to.c_str(), &target) == 0 && !S_ISREG(target.st_mode) && !S_ISLNK(target.st_mode)) {
    return ErrnoError(S_ISDIR(target.st_mode) ? EISDIR : ENXIO, to);
  }
  const UniqueFd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (!in) return ErrnoError(errno, from);
  // What was looked at may have been swapped for something else since.
  if (::fstat(in.get(), &st) != 0) return ErrnoError(errno, from);
  if (!S_ISREG(st.st_mode)) return ErrnoError(ENXIO, from);
  // The new content goes to a temporary file beside the target that then replaces it.
  const size_t slash = to.rfind('/');
  std::string temp = to.substr(0, slash + 1) + ".shotsweep-copy-XXXXXX";
  UniqueFd out(::mkostemp(temp.data(), O_CLOEXEC));
  if (!out) return ErrnoError(errno, to);
  int error = 0;
  off_t offset = 0;
  while (offset < st.st_size) {
    const ssize_t n = ::sendfile(out.get(), in.get(), &offset, static_cast<size_t>(st.st_size - offset));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) error = errno;
    if (n <= 0) break;
  }
  if (error == 0 && ::fchmod(out.get(), st.st_mode & 07777) != 0) error = errno;
  const struct timespec times[2] = {st.st_atim, st.st_mtim};
  if (error == 0) ::futimens(out.get(), times);
  if (::close(out.release()) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temp.c_str(), to.c_str()) != 0) error = errno;
  if (error == 0) return std::nullopt;
  ::unlink(temp.c_str());
  return ErrnoError(error, to);
}

// A new, empty file in place of the link or special file under `path`, which is never
// opened: it is made beside it and renamed over it.
std::optional<CommandError> ReplaceWithNewFile(const std::string& path, UniqueFd& fd) {
  static std::atomic<unsigned> counter{0};
  const std::string prefix = path.substr(0, path.rfind('/') + 1) + ".shotsweep-output-" + std::to_string(::getpid()) + "-";
  std::string temp;
  do {
    temp = prefix + std::to_string(counter++);
    // With the permissions any new file gets.
    fd.reset(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
  } while (!fd && errno == EEXIST);
  if (!fd) return ErrnoError(errno, path);
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    const int error = errno;
    fd.reset();
    ::unlink(temp.c_str());
    return ErrnoError(error, path);
  }
  return std::nullopt;
}

std::optional<CommandError> DiskFileSystem::OpenForOutput(const std::string& path, bool append, UniqueFd& fd) {
  const int mode = O_WRONLY | O_CLOEXEC | O_NOFOLLOW | (append ? O_APPEND : 0);
  // Another program may change the entry between the look and the open: then look again.
  for (int attempt = 0; attempt < 5; ++attempt) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) {
      if (errno != ENOENT) return ErrnoError(errno, path);
      fd.reset(::open(path.c_str(), mode | O_CREAT | O_EXCL, 0666));
      if (fd) return std::nullopt;
      if (errno == EEXIST) continue;
      return ErrnoError(errno, path);
    }
    if (S_ISDIR(st.st_mode)) return ErrnoError(EISDIR, path);
    if (!S_ISREG(st.st_mode)) {
      // Appending keeps what is there, so only a regular file can be appended to; anything
      // else is never written through, and ">" puts a new file in its place.
      if (append) return ErrnoError(S_ISLNK(st.st_mode) ? ELOOP : ENXIO, path);
      return ReplaceWithNewFile(path, fd);
    }
    // Not blocking: should a pipe have taken the name since, the open must not wait for it.
    fd.reset(::open(path.c_str(), mode | O_NONBLOCK | O_NOCTTY));
    if (!fd) {
      if (errno == ELOOP || errno == ENXIO) continue;
      return ErrnoError(errno, path);
    }
    if (::fstat(fd.get(), &st) != 0) return ErrnoError(errno, path);
    if (!S_ISREG(st.st_mode)) continue;
    // Emptied only now that it is known to be a regular file.
    if (!append && ::ftruncate(fd.get(), 0) != 0) return ErrnoError(errno, path);
    ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
    return std::nullopt;
  }
  fd.reset();
  return ErrnoError(EAGAIN, path);
}

}  // namespace

std::unique_ptr<FileSystem> MakeDiskFileSystem(ExclusiveRename renameExclusive) {
  return std::make_unique<DiskFileSystem>(renameExclusive ? renameExclusive : RenameExclusive);
}

FileSystem& TheRealFileSystem() {
  static const std::unique_ptr<FileSystem> disk = MakeDiskFileSystem();
  return *disk;
}

}  // namespace shotsweep
