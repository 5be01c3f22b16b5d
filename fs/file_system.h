#pragma once
// The file system as the interpreter sees it: every call it makes to list, rename, delete,
// copy or create goes through this one small interface, the way a build tool's builder takes
// its disk. MakeDiskFileSystem gives the disk; MemoryFileSystem (memory_file_system.h) stands in for
// it in tests, in fuzzing and in a dry run. Paths are absolute and normalized.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/errors.h"
#include "base/unique_fd.h"

namespace shotsweep {

struct DirEntry {
  std::string name;
  bool isDir = false;  // a folder, or a link to one
};

// What changes whenever an entry of a folder is added, removed or renamed: which folder it is
// and when it last changed, to the nanosecond the file system keeps.
struct FolderStamp {
  unsigned long long device = 0, inode = 0;
  long long modifiedNs = 0, changedNs = 0;
  // Whether a change made now could still leave the stamp as it is: the file system's clock
  // ticks coarsely (two seconds on FAT), so a folder that changed moments ago may change again
  // without its time moving on.
  bool tooRecent = true;
  bool SameFolderUnchanged(const FolderStamp& o) const {
    return device == o.device && inode == o.inode && modifiedNs == o.modifiedNs && changedNs == o.changedNs;
  }
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // The entries of a folder, "." and ".." left out. Links count as what they point to; a
  // dangling link counts as a file.
  virtual std::optional<CommandError> List(const std::string& dir, std::vector<DirEntry>& entries) = 0;
  // Whether `path` names a folder (through links).
  virtual bool IsDirectory(const std::string& path) = 0;
  // The folder's stamp; nullopt when it has none to give, and then a reading of it can never be
  // trusted once anything else may have touched it.
  virtual std::optional<FolderStamp> Stamp(const std::string& /*dir*/) { return std::nullopt; }
  // Renames without ever replacing an existing entry (EEXIST when one is in the way).
  virtual std::optional<CommandError> RenameNoReplace(const std::string& from, const std::string& to) = 0;
  virtual std::optional<CommandError> Unlink(const std::string& path) = 0;
  // Moves the file to the user's trash, where the desktop's file manager shows it and can put
  // it back: the home trash for the home file system, the trash at the top of any other. Fails,
  // leaving the file where it is, when there is no trash to be had there.
  virtual std::optional<CommandError> Trash(const std::string& path) = 0;
  // Copies contents, permissions and modification time; a failed copy leaves an old target whole.
  virtual std::optional<CommandError> CopyFile(const std::string& from, const std::string& to) = 0;
  // Whether both paths name one file.
  virtual bool SameFile(const std::string& a, const std::string& b) = 0;
  // Opens `path` for an output redirection: created, then emptied or appended to.
  virtual std::optional<CommandError> OpenForOutput(const std::string& path, bool append, UniqueFd& fd) = 0;
};

// The disk. `renameExclusive` stands in for the system's rename that refuses to replace (0 or
// an errno): a test gives one that is not supported, as on some network and FAT mounts, to
// see the disk looked at first instead.
using ExclusiveRename = int (*)(const std::string& from, const std::string& to);
std::unique_ptr<FileSystem> MakeDiskFileSystem(ExclusiveRename renameExclusive = nullptr);

// The disk, for whoever does not bring a file system of their own.
FileSystem& TheRealFileSystem();

}  // namespace shotsweep
