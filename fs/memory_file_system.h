#pragma once
// A file system held in memory, for tests, for fuzzing and for a dry run. It may be laid over
// another one (the disk): a folder is read from below the first time it is needed and from
// then on lives here with every change made to it; below is never written. It remembers where
// each file came from, so that what a run did to the files can be told afterwards.
//
// Over the disk it lets this process do what the disk would: a change to a folder needs the
// right to write and enter it, and in a sticky folder (/tmp, a shared card reader's mount) a
// file that belongs to someone else can be renamed or deleted only by the folder's owner or
// root. A folder on the way that may be entered but not read (mode 0711) is passed through,
// its entries looked up one by one, as the system does.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "fs/file_system.h"

namespace shotsweep {

class MemoryFileSystem : public FileSystem {
 public:
  // `below`: read, never written; null for a file system that holds only what is added.
  explicit MemoryFileSystem(FileSystem* below = nullptr) : below_(below) {}

  // The scene of a test; missing folders on the way are made.
  void AddFolder(const std::string& path);
  // Whatever stands in the way (a file where a folder is asked for) gives way.
  void AddFile(const std::string& path, std::string content = {});
  // A symbolic link to `target`, which need not exist: then it dangles. The link itself is the
  // entry; reading it reads the target, as the disk does.
  void AddLink(const std::string& path, const std::string& target);

  enum class Operation { List, Rename, Unlink, Trash, Copy, Open, Read, Write, MakeFolder, Access };
  // From now on `operation` on `path` fails with `error`, as a disk that refuses would.
  void Refuse(Operation operation, const std::string& path, int error);

  // The content of the file at `path`; nullopt when no file is there or it cannot be read.
  std::optional<std::string> Content(const std::string& path);
  // The same, taken out of the file, which is empty until PutBack gives it back: for a script
  // run from memory, which would otherwise be held twice.
  std::optional<std::string> TakeContent(const std::string& path);
  void PutBack(const std::string& path, std::string&& content);

  // A file that was renamed or deleted: the path it had when first seen, and the path it has
  // now, empty when it was deleted.
  struct Fate {
    std::string origin;
    std::string now;
    bool trashed = false;  // gone to the trash rather than deleted
  };
  // Every such file, by origin.
  std::vector<Fate> Touched() const;

  using FileSystem::List;
  std::optional<CommandError> List(const std::string& dir, std::vector<DirEntry>& entries,
                                   const ListLimits& limits) override;
  bool IsDirectory(const std::string& path) override;
  std::optional<CommandError> RenameNoReplace(const std::string& from, const std::string& to) override;
  std::optional<CommandError> Unlink(const std::string& path) override;
  std::optional<CommandError> Trash(const std::string& path) override;
  std::optional<CommandError> CopyFile(const std::string& from, const std::string& to) override;
  bool SameFile(const std::string& a, const std::string& b) override;
  std::optional<CommandError> OpenForOutput(const std::string& path, bool append, UniqueFd& fd) override;
  std::optional<CommandError> ReadFile(const std::string& path, std::string& bytes) override;
  // A file kept on the disk only (see Node::spilled) is read from there; any other from a copy
  // of its content.
  std::optional<CommandError> OpenForReading(const std::string& path, UniqueFd& fd) override;
  std::optional<CommandError> WriteFile(const std::string& path, std::string_view content) override;
  std::optional<CommandError> WriteFileTaking(const std::string& path, std::string&& content) override;
  // Over the disk, the pieces go straight to an unnamed file there (see Node::spilled).
  std::optional<CommandError> WriteFileInPieces(const std::string& path, const NextPiece& next) override;
  std::optional<CommandError> MakeFolder(const std::string& path) override;
  std::optional<CommandError> RemoveFolder(const std::string& path) override;
  std::optional<EntryStatus> Status(const std::string& path) override;
  bool IsFile(const std::string& path) override;
  std::optional<CommandError> CheckAccess(const std::string& path, Access access) override;
  std::size_t NameMax(const std::string& dir) override;
  // As below resolves it; a path of this file system alone taken as it stands, its "." and
  // ".." dropped.
  std::optional<std::string> ResolvePath(const std::string& path) override;

 private:
  struct Node {
    bool isDir = false;
    std::string content;
    std::string origin;  // where it was first seen; empty for a file made here
    bool touched = false;
    bool below = false;  // read from below, its content not yet: that is read when first needed
    long long modifiedNs = 0;  // 0: never changed here
    EntryKind kind = EntryKind::File;  // what the entry is itself; a link stays a link
    bool isFile = true;                // a regular file, or a link to one
    std::string linkTarget;            // a link added here: what it points to
    // A large file written here over the disk: its content in an unnamed file on the disk
    // instead of in memory (a restoring script of hundreds of megabytes).
    std::shared_ptr<UniqueFd> spilled;
  };
  // What this process may do in a folder of the disk below.
  struct Rights {
    int writeError = 0;  // why it may not add, rename or delete entries there; 0 when it may
    bool sticky = false;
    unsigned owner = 0;
  };
  using Folder = std::map<std::string, Node>;

  // The folder at `path`, read from below on first use; nullptr when there is none.
  Folder* Load(const std::string& path);
  // The entry at `path`, and the folder that holds it; nullptr when there is none.
  Node* Find(const std::string& path, Folder** holder = nullptr);
  std::optional<CommandError> Refusal(Operation operation, const std::string& path) const;
  std::optional<CommandError> Remove(Operation operation, const std::string& path);
  // The file a write to `path` lands on, made when missing; nullptr, with `error`, when there
  // can be none.
  Node* WriteTarget(Operation operation, const std::string& path, std::optional<CommandError>& error);
  // The node's content, read from below the first time.
  std::optional<CommandError> LoadContent(Node& node);
  // An entry of a folder that could not be listed, looked up on its own below.
  Folder::iterator Probe(Folder& folder, const std::string& dir, const std::string& name);
  // Why this process may not add an entry to `dir` or, with `entry`, rename or delete it there;
  // nullopt when it may.
  std::optional<CommandError> MayChange(const std::string& dir, const Node* entry, const std::string& path);

  FileSystem* below_;
  std::map<std::string, Folder> folders_;
  std::map<std::string, int> unlisted_;  // folders passed through, and why they could not be read
  std::map<std::string, Rights> rights_;
  std::map<std::pair<Operation, std::string>, int> refusals_;
  std::vector<Fate> gone_;
  long long clock_ = 0;  // what stands for the time: one tick per change
};

}  // namespace shotsweep
