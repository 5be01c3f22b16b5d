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
#include <cstdlib>
#include <ctime>
#include <random>
#include <sstream>

#include "base/files.h"

namespace shotsweep {
namespace {

long long Nanoseconds(const timespec& t) { return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec; }

EntryKind KindOf(mode_t mode) {
  if (S_ISREG(mode)) return EntryKind::File;
  if (S_ISDIR(mode)) return EntryKind::Folder;
  if (S_ISLNK(mode)) return EntryKind::Link;
  return EntryKind::Other;
}

// A name beside `path` that nobody else is writing at the same moment, not even a second
// Shotsweep started in the same folder.
std::string TemporaryNameBeside(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  std::random_device seed;
  std::ostringstream name;
  name << path.substr(0, slash + 1) << '.' << path.substr(slash + 1) << ".tmp-" << std::hex << seed() << seed();
  return name.str();
}

int RenameExclusive(const std::string& from, const std::string& to) {
  return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0 ? 0 : errno;
}

class DiskFileSystem final : public FileSystem {
 public:
  explicit DiskFileSystem(ExclusiveRename renameExclusive) : renameExclusive_(renameExclusive) {}

  using FileSystem::List;
  std::optional<CommandError> List(const std::string& dir, std::vector<DirEntry>& entries,
                                   const ListLimits& limits) override;
  bool IsDirectory(const std::string& path) override;
  std::optional<FolderStamp> Stamp(const std::string& dir) override;
  std::optional<CommandError> RenameNoReplace(const std::string& from, const std::string& to) override;
  std::optional<CommandError> Unlink(const std::string& path) override;
  std::optional<CommandError> Trash(const std::string& path) override;
  std::optional<CommandError> CopyFile(const std::string& from, const std::string& to) override;
  bool SameFile(const std::string& a, const std::string& b) override;
  std::optional<CommandError> OpenForOutput(const std::string& path, bool append, UniqueFd& fd) override;
  std::optional<CommandError> ReadFile(const std::string& path, std::string& bytes) override;
  std::optional<CommandError> OpenForReading(const std::string& path, UniqueFd& fd) override;
  std::optional<CommandError> WriteFile(const std::string& path, std::string_view content) override;
  std::optional<CommandError> WriteFileTaking(const std::string& path, std::string&& content) override {
    auto error = WriteFile(path, content);
    std::string().swap(content);
    return error;
  }
  std::optional<CommandError> WriteFileInPieces(const std::string& path, const NextPiece& next) override;
  std::optional<CommandError> MakeFolder(const std::string& path) override;
  std::optional<CommandError> RemoveFolder(const std::string& path) override;
  std::optional<EntryStatus> Status(const std::string& path) override;
  bool IsFile(const std::string& path) override;
  std::optional<CommandError> CheckAccess(const std::string& path, Access access) override;
  std::size_t NameMax(const std::string& dir) override;
  std::optional<std::string> ResolvePath(const std::string& path) override;

 private:
  ExclusiveRename renameExclusive_;
};

// Safe to call from several threads at once: it keeps nothing between calls.
std::optional<CommandError> DiskFileSystem::List(const std::string& dir, std::vector<DirEntry>& entries,
                                                 const ListLimits& limits) {
  DIR* folder = ::opendir(dir.c_str());
  if (!folder) return ErrnoError(errno, dir);
  const int fd = ::dirfd(folder);
  int error = 0;
  for (std::size_t seen = 0;; ++seen) {
    if (seen == limits.budget ||
        (limits.cancelled && seen % 4096 == 0 && limits.cancelled->load(std::memory_order_relaxed))) {
      error = ECANCELED;
      break;
    }
    errno = 0;
    const dirent* e = ::readdir(folder);
    if (!e) {
      error = errno;
      break;
    }
    const std::string_view name = e->d_name;
    if (name == "." || name == "..") continue;
    DirEntry entry{std::string(name)};
    // The type the folder gives usually settles it without a look at the entry itself.
    switch (e->d_type) {
      case DT_REG: entry.kind = EntryKind::File; entry.isFile = true; break;
      case DT_DIR: entry.kind = EntryKind::Folder; entry.isDir = true; break;
      case DT_LNK:
      case DT_UNKNOWN: {
        struct stat own, target;
        entry.kind = e->d_type == DT_LNK ? EntryKind::Link
                     : ::fstatat(fd, e->d_name, &own, AT_SYMLINK_NOFOLLOW) == 0 ? KindOf(own.st_mode)
                                                                                  : EntryKind::Other;
        if (::fstatat(fd, e->d_name, &target, 0) == 0) {
          entry.isDir = S_ISDIR(target.st_mode);
          entry.isFile = S_ISREG(target.st_mode);
        }
        break;
      }
      default: entry.kind = EntryKind::Other; break;
    }
    entries.push_back(std::move(entry));
  }
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
  const auto ns = Nanoseconds;
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

std::optional<CommandError> DiskFileSystem::OpenForReading(const std::string& path, UniqueFd& fd) {
  // Not blocking in open: a FIFO would otherwise wait there for a writer.
  fd.reset(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd) return ErrnoError(errno, path);
  struct stat st;
  if (::fstat(fd.get(), &st) != 0) return ErrnoError(errno, path);
  if (!S_ISREG(st.st_mode)) {
    fd.reset();
    if (S_ISDIR(st.st_mode)) return ErrnoError(EISDIR, path);
    return CommandError{EINVAL, "Not a regular file, so it is not read: " + path};
  }
  ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
  return std::nullopt;
}

std::optional<CommandError> DiskFileSystem::ReadFile(const std::string& path, std::string& bytes) {
  // Not blocking in open: a FIFO would otherwise wait there for a writer.
  const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd) return ErrnoError(errno, path);
  struct stat st;
  if (::fstat(fd.get(), &st) != 0) return ErrnoError(errno, path);
  if (!S_ISREG(st.st_mode)) {
    if (S_ISDIR(st.st_mode)) return ErrnoError(EISDIR, path);
    return CommandError{EINVAL, "Not a regular file, so it is not read: " + path};
  }
  ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
  // Room for it all at once: a string that doubles as it grows holds a long script three times.
  if (st.st_size > 0) bytes.reserve(bytes.size() + static_cast<std::size_t>(st.st_size) + 1);
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n > 0) {
      bytes.append(buffer, static_cast<std::size_t>(n));
    } else if (n == 0) {
      return std::nullopt;
    } else if (errno != EINTR) {
      return ErrnoError(errno, path);
    }
  }
}

std::optional<CommandError> DiskFileSystem::WriteFile(const std::string& path, std::string_view content) {
  bool given = false;
  return WriteFileInPieces(path, [&](std::string& piece) {
    if (given) return false;
    // One piece: a copy, and only of what WriteFile is handed, which is never large.
    piece.assign(content);
    return given = true;
  });
}

std::optional<CommandError> DiskFileSystem::WriteFileInPieces(const std::string& path, const NextPiece& next) {
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return ErrnoError(EISDIR, path);
    if (S_ISREG(st.st_mode)) {
      // Replacing would need only the folder's permission; a read-only file has always been
      // refused, as opening it to overwrite it refuses.
      const UniqueFd probe(::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
      if (!probe) return ErrnoError(errno, path);
    }
  }
  const std::string temporary = TemporaryNameBeside(path);
  UniqueFd fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
  if (!fd) return ErrnoError(errno, path);
  std::optional<CommandError> failure;
  for (std::string piece; !failure && next(piece); piece.clear()) {
    if (const auto error = WriteAll(fd.get(), piece)) failure = ErrnoError(error->number, path);
  }
  if (::close(fd.release()) != 0 && !failure) failure = ErrnoError(errno, path);
  if (!failure && ::rename(temporary.c_str(), path.c_str()) != 0) failure = ErrnoError(errno, path);
  if (failure) ::unlink(temporary.c_str());
  return failure;
}

std::optional<CommandError> DiskFileSystem::MakeFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0777) != 0) return ErrnoError(errno, path);
  return std::nullopt;
}

std::optional<CommandError> DiskFileSystem::RemoveFolder(const std::string& path) {
  if (::rmdir(path.c_str()) != 0) return ErrnoError(errno, path);
  return std::nullopt;
}

std::optional<EntryStatus> DiskFileSystem::Status(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return std::nullopt;
  return EntryStatus{KindOf(st.st_mode), Nanoseconds(st.st_mtim), st.st_uid, st.st_mode & 07777u};
}

bool DiskFileSystem::IsFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::optional<CommandError> DiskFileSystem::CheckAccess(const std::string& path, Access access) {
  if (::access(path.c_str(), static_cast<int>(access)) != 0) return ErrnoError(errno, path);
  return std::nullopt;
}

std::size_t DiskFileSystem::NameMax(const std::string& dir) {
  const long nameMax = ::pathconf(dir.c_str(), _PC_NAME_MAX);
  return nameMax > 0 ? static_cast<std::size_t>(nameMax) : 255;
}

std::optional<std::string> DiskFileSystem::ResolvePath(const std::string& path) {
  if (path.empty()) return std::nullopt;
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (!resolved) return std::nullopt;
  std::string result(resolved);
  std::free(resolved);
  return result;
}

}  // namespace

std::string ResolvedOrAsGiven(FileSystem& fs, const std::string& path) {
  return fs.ResolvePath(path).value_or(path);
}

std::unique_ptr<FileSystem> MakeDiskFileSystem(ExclusiveRename renameExclusive) {
  return std::make_unique<DiskFileSystem>(renameExclusive ? renameExclusive : RenameExclusive);
}

}  // namespace shotsweep
