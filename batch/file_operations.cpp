#include "batch/file_operations.h"

#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace shotsweep::batch {

int RenameNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // The file system cannot refuse to replace by itself (some network and FAT mounts).
  struct stat st;
  if (::lstat(to.c_str(), &st) == 0) {
    struct stat self;
    // On a case-insensitive mount the "existing" target may be the file itself.
    if (::lstat(from.c_str(), &self) != 0 || self.st_ino != st.st_ino || self.st_dev != st.st_dev) return EEXIST;
  }
  return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int Unlink(const std::string& path) { return ::unlink(path.c_str()) == 0 ? 0 : errno; }

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

int CopyFile(const std::string& from, const std::string& to) {
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return errno;
  struct stat st;
  if (::fstat(in, &st) != 0) {
    const int error = errno;
    ::close(in);
    return error;
  }
  const size_t slash = to.rfind('/');
  std::string temp = to.substr(0, slash + 1) + ".shotsweep-copy-XXXXXX";
  const int out = ::mkostemp(temp.data(), O_CLOEXEC);
  if (out < 0) {
    const int error = errno;
    ::close(in);
    return error;
  }
  int error = 0;
  off_t offset = 0;
  while (offset < st.st_size) {
    const ssize_t n = ::sendfile(out, in, &offset, static_cast<size_t>(st.st_size - offset));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) error = errno;
    if (n <= 0) break;
  }
  if (error == 0 && ::fchmod(out, st.st_mode & 07777) != 0) error = errno;
  const struct timespec times[2] = {st.st_atim, st.st_mtim};
  if (error == 0) ::futimens(out, times);
  if (::close(out) != 0 && error == 0) error = errno;
  ::close(in);
  if (error == 0 && ::rename(temp.c_str(), to.c_str()) != 0) error = errno;
  if (error != 0) ::unlink(temp.c_str());
  return error;
}

}  // namespace shotsweep::batch
