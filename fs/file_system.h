#pragma once
// The file system as the program sees it: every call that lists, reads, writes, renames,
// deletes, copies or creates goes through this one small interface, the way a build tool's
// builder takes its disk. Each program's main() makes the disk with MakeDiskFileSystem and
// hands it down; MemoryFileSystem (memory_file_system.h) stands in for it in tests, in fuzzing
// and in a dry run. Paths are absolute and normalized.

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/errors.h"
#include "base/unique_fd.h"

namespace shotsweep {

// What an entry is in itself, its links not followed.
enum class EntryKind { File, Folder, Link, Other };

struct DirEntry {
  std::string name;
  bool isDir = false;   // a folder, or a link to one
  EntryKind kind = EntryKind::File;
  bool isFile = false;  // a regular file, or a link to one
};

// One entry looked at on its own.
struct EntryStatus {
  EntryKind kind = EntryKind::File;
  long long modifiedNs = 0;  // when its content last changed
  unsigned owner = 0;        // the user it belongs to
  unsigned mode = 0;         // its permission bits, the sticky bit (01000) among them
};

// When a listing may stop early: after `budget` entries, or once `cancelled` is set. A listing
// that stopped gives ECANCELED, with the entries read so far.
struct ListLimits {
  std::size_t budget = std::numeric_limits<std::size_t>::max();
  const std::atomic<bool>* cancelled = nullptr;
};

// What a folder lets this process do, for the checks a command makes before it writes.
enum class Access { Read = 4, Write = 2, Run = 1, WriteAndEnter = 3 };

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
  virtual std::optional<CommandError> List(const std::string& dir, std::vector<DirEntry>& entries,
                                           const ListLimits& limits) = 0;
  std::optional<CommandError> List(const std::string& dir, std::vector<DirEntry>& entries) {
    return List(dir, entries, ListLimits{});
  }
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

  // Appends the bytes of `path` to `bytes`. Only a regular file is read (a link to one counts):
  // a pipe or a device under a settings, folder pair, photo list or script name would block or
  // never end, so it is refused without waiting. On a failure part way, what was read before it
  // stays appended and the error is returned.
  virtual std::optional<CommandError> ReadFile(const std::string& path, std::string& bytes) = 0;
  // Opens the regular file at `path` (a link to one counts) to be read, as ReadFile reads it.
  // ENOTSUP where there is no file to open: then ReadFile it.
  virtual std::optional<CommandError> OpenForReading(const std::string& path, UniqueFd& /*fd*/) {
    return CommandError{ENOTSUP, "cannot be opened here, only read whole: " + path};
  }
  // Creates or replaces `path` with `content`. The content goes to a fresh file beside it that
  // then takes its name, so a link or a special file planted under that name is replaced, never
  // written through, and a file that could not be written whole is never left under the name,
  // where it could be run. An existing regular file the user may not write keeps its content.
  virtual std::optional<CommandError> WriteFile(const std::string& path, std::string_view content) = 0;
  // The same for content the caller is done with, which a file system in memory then keeps
  // instead of a copy: a cleanup's restoring script may run to hundreds of megabytes.
  virtual std::optional<CommandError> WriteFileTaking(const std::string& path, std::string&& content) {
    auto error = WriteFile(path, content);
    std::string().swap(content);
    return error;
  }
  // WriteFile for content made a piece at a time and never held whole: `next` fills the piece
  // it is given (empty) and returns false once there is nothing left.
  using NextPiece = std::function<bool(std::string& piece)>;
  virtual std::optional<CommandError> WriteFileInPieces(const std::string& path, const NextPiece& next) {
    std::string content;
    for (std::string piece; next(piece); piece.clear()) content += piece;
    return WriteFileTaking(path, std::move(content));
  }
  // Makes the one folder `path` (its parent must be there).
  virtual std::optional<CommandError> MakeFolder(const std::string& path) = 0;
  // Removes the one empty folder `path`; a folder that still holds anything stays.
  virtual std::optional<CommandError> RemoveFolder(const std::string& path) = 0;
  // The entry itself, its link not followed; nullopt when there is none.
  virtual std::optional<EntryStatus> Status(const std::string& path) = 0;
  // Whether `path` is a regular file, through links.
  virtual bool IsFile(const std::string& path) = 0;
  // Why this process may not do `access` to `path` (enter and write a folder, run a file);
  // nullopt when it may.
  virtual std::optional<CommandError> CheckAccess(const std::string& path, Access access) = 0;
  // The longest file name, in bytes, that the folder's file system takes.
  virtual std::size_t NameMax(const std::string& dir) = 0;
  // `path` as the system resolves it: absolute, every link followed, no "." or "..", so
  // "link/../raw" is the "raw" beside the link's target, not the one beside the link. nullopt
  // when some part of it is not there or cannot be looked up.
  virtual std::optional<std::string> ResolvePath(const std::string& path) = 0;
};

// The path a command works on for a folder or file the user gave: resolved once, as the
// system resolves it; as given when it cannot be, so that what follows says why.
std::string ResolvedOrAsGiven(FileSystem& fs, const std::string& path);

// The disk. `renameExclusive` stands in for the system's rename that refuses to replace (0 or
// an errno): a test gives one that is not supported, as on some network and FAT mounts, to
// see the disk looked at first instead.
using ExclusiveRename = int (*)(const std::string& from, const std::string& to);
std::unique_ptr<FileSystem> MakeDiskFileSystem(ExclusiveRename renameExclusive = nullptr);

}  // namespace shotsweep
