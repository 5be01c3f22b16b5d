#pragma once
// A file system held in memory, for tests, for fuzzing and for a dry run. It may be laid over
// another one (the disk): a folder is read from below the first time it is needed and from
// then on lives here with every change made to it; below is never written. It remembers where
// each file came from, so that what a run did to the files can be told afterwards.

#include <map>
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
  void AddFile(const std::string& path, std::string content = {});

  enum class Operation { List, Rename, Unlink, Trash, Copy, Open, Read, Write, MakeFolder, Access };
  // From now on `operation` on `path` fails with `error`, as a disk that refuses would.
  void Refuse(Operation operation, const std::string& path, int error);

  // The content of the file at `path`; nullopt when no file is there or it cannot be read.
  std::optional<std::string> Content(const std::string& path);

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
  std::optional<CommandError> WriteFile(const std::string& path, std::string_view content) override;
  std::optional<CommandError> MakeFolder(const std::string& path) override;
  std::optional<CommandError> RemoveFolder(const std::string& path) override;
  std::optional<EntryStatus> Status(const std::string& path) override;
  bool IsFile(const std::string& path) override;
  std::optional<CommandError> CheckAccess(const std::string& path, Access access) override;
  std::size_t NameMax(const std::string& dir) override;

 private:
  struct Node {
    bool isDir = false;
    std::string content;
    std::string origin;  // where it was first seen; empty for a file made here
    bool touched = false;
    bool below = false;  // read from below, its content not yet: that is read when first needed
    long long modifiedNs = 0;  // 0: never changed here
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

  FileSystem* below_;
  std::map<std::string, Folder> folders_;
  std::map<std::pair<Operation, std::string>, int> refusals_;
  std::vector<Fate> gone_;
  long long clock_ = 0;  // what stands for the time: one tick per change
};

}  // namespace shotsweep
