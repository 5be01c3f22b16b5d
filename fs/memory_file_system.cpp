#include "fs/memory_file_system.h"

#include <fcntl.h>

#include <cerrno>

namespace shotsweep {
namespace {

std::pair<std::string, std::string> Split(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

std::string Join(const std::string& dir, const std::string& name) {
  return dir == "/" ? "/" + name : dir + "/" + name;
}

}  // namespace

MemoryFileSystem::Folder* MemoryFileSystem::Load(const std::string& path) {
  if (auto it = folders_.find(path); it != folders_.end()) return &it->second;
  // Walk down from the root, a level at a time, so no depth of path costs a deeper stack.
  std::string walked = "/";
  Folder* folder = nullptr;
  std::size_t start = 1;
  while (true) {
    auto it = folders_.find(walked);
    if (it == folders_.end()) {
      Folder fresh;
      if (below_) {
        std::vector<DirEntry> entries;
        if (below_->List(walked, entries)) return nullptr;
        for (DirEntry& e : entries) fresh[e.name] = Node{e.isDir, {}, Join(walked, e.name), false, !e.isDir};
      }
      it = folders_.emplace(walked, std::move(fresh)).first;
    }
    folder = &it->second;
    if (start >= path.size()) return folder;
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const std::string name = path.substr(start, end - start);
    const auto entry = folder->find(name);
    if (entry == folder->end() || !entry->second.isDir) return nullptr;
    walked = Join(walked, name);
    start = end + 1;
  }
}

MemoryFileSystem::Node* MemoryFileSystem::Find(const std::string& path, Folder** holder) {
  if (path == "/") return nullptr;
  const auto [dir, name] = Split(path);
  Folder* folder = Load(dir);
  if (!folder) return nullptr;
  const auto it = folder->find(name);
  if (it == folder->end()) return nullptr;
  if (holder) *holder = folder;
  return &it->second;
}

std::optional<CommandError> MemoryFileSystem::Refusal(Operation operation, const std::string& path) const {
  const auto it = refusals_.find({operation, path});
  if (it == refusals_.end()) return std::nullopt;
  return ErrnoError(it->second, path);
}

void MemoryFileSystem::AddFolder(const std::string& path) {
  std::string walked = "/";
  Load(walked);
  std::size_t start = 1;
  while (start < path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const std::string name = path.substr(start, end - start);
    Folder* parent = Load(walked);
    (*parent)[name].isDir = true;
    walked = Join(walked, name);
    start = end + 1;
  }
}

void MemoryFileSystem::AddFile(const std::string& path, std::string content) {
  const auto [dir, name] = Split(path);
  AddFolder(dir);
  (*Load(dir))[name] = Node{false, std::move(content), path, false, false, ++clock_};
}

void MemoryFileSystem::Refuse(Operation operation, const std::string& path, int error) {
  refusals_[{operation, path}] = error;
}

std::optional<std::string> MemoryFileSystem::Content(const std::string& path) {
  Node* node = Find(path);
  if (!node || node->isDir || LoadContent(*node)) return std::nullopt;
  return node->content;
}

std::vector<MemoryFileSystem::Fate> MemoryFileSystem::Touched() const {
  std::vector<Fate> fates = gone_;
  for (const auto& [dir, folder] : folders_) {
    for (const auto& [name, node] : folder) {
      if (node.touched && !node.isDir && !node.origin.empty()) fates.push_back({node.origin, Join(dir, name), false});
    }
  }
  return fates;
}

std::optional<CommandError> MemoryFileSystem::List(const std::string& dir, std::vector<DirEntry>& entries,
                                                   const ListLimits& limits) {
  if (auto refusal = Refusal(Operation::List, dir)) return refusal;
  const Folder* folder = Load(dir);
  if (!folder) return ErrnoError(ENOENT, dir);
  std::size_t seen = 0;
  for (const auto& [name, node] : *folder) {
    if (seen++ == limits.budget || (limits.cancelled && limits.cancelled->load())) return ErrnoError(ECANCELED, dir);
    entries.push_back({name, node.isDir, node.isDir ? EntryKind::Folder : EntryKind::File, !node.isDir});
  }
  return std::nullopt;
}

bool MemoryFileSystem::IsDirectory(const std::string& path) {
  if (path == "/") return true;
  const Node* node = Find(path);
  return node && node->isDir;
}

std::optional<CommandError> MemoryFileSystem::RenameNoReplace(const std::string& from, const std::string& to) {
  if (auto refusal = Refusal(Operation::Rename, from)) return refusal;
  Folder* fromFolder = nullptr;
  Node* node = Find(from, &fromFolder);
  if (!node) return ErrnoError(ENOENT, from);
  const auto [toDir, toName] = Split(to);
  Folder* toFolder = Load(toDir);
  if (!toFolder) return ErrnoError(ENOENT, to);
  if (from == to) return std::nullopt;
  if (toFolder->count(toName)) return ErrnoError(EEXIST, to);
  Node moved = std::move(*node);
  moved.touched = true;
  fromFolder->erase(Split(from).second);
  const bool isDir = moved.isDir;
  (*toFolder)[toName] = std::move(moved);
  if (isDir) {
    // Everything below the folder moves with it.
    std::map<std::string, Folder> renamed;
    for (auto it = folders_.begin(); it != folders_.end();) {
      if (it->first == from || it->first.starts_with(from + "/")) {
        renamed[to + it->first.substr(from.size())] = std::move(it->second);
        it = folders_.erase(it);
      } else {
        ++it;
      }
    }
    folders_.merge(renamed);
  }
  return std::nullopt;
}

std::optional<CommandError> MemoryFileSystem::Remove(Operation operation, const std::string& path) {
  if (auto refusal = Refusal(operation, path)) return refusal;
  Folder* folder = nullptr;
  Node* node = Find(path, &folder);
  if (!node) return ErrnoError(ENOENT, path);
  if (node->isDir) return ErrnoError(EISDIR, path);
  if (!node->origin.empty()) gone_.push_back({node->origin, {}, operation == Operation::Trash});
  folder->erase(Split(path).second);
  return std::nullopt;
}

std::optional<CommandError> MemoryFileSystem::Unlink(const std::string& path) { return Remove(Operation::Unlink, path); }

std::optional<CommandError> MemoryFileSystem::Trash(const std::string& path) { return Remove(Operation::Trash, path); }

std::optional<CommandError> MemoryFileSystem::CopyFile(const std::string& from, const std::string& to) {
  if (auto refusal = Refusal(Operation::Copy, from)) return refusal;
  const Node* source = Find(from);
  if (!source || source->isDir) return ErrnoError(source ? EISDIR : ENOENT, from);
  if (auto error = LoadContent(*const_cast<Node*>(source))) return error;
  const std::string content = source->content;
  const auto [dir, name] = Split(to);
  Folder* folder = Load(dir);
  if (!folder) return ErrnoError(ENOENT, to);
  Node& target = (*folder)[name];
  if (target.isDir) return ErrnoError(EISDIR, to);
  target.content = content;
  target.below = false;
  target.modifiedNs = ++clock_;
  return std::nullopt;
}

bool MemoryFileSystem::SameFile(const std::string& a, const std::string& b) { return a == b && Find(a) != nullptr; }

MemoryFileSystem::Node* MemoryFileSystem::WriteTarget(Operation operation, const std::string& path,
                                                      std::optional<CommandError>& error) {
  if ((error = Refusal(operation, path))) return nullptr;
  const auto [dir, name] = Split(path);
  Folder* folder = Load(dir);
  if (!folder) {
    error = ErrnoError(ENOENT, path);
    return nullptr;
  }
  Node& node = (*folder)[name];
  if (node.isDir) error = ErrnoError(EISDIR, path);
  return error ? nullptr : &node;
}

std::optional<CommandError> MemoryFileSystem::OpenForOutput(const std::string& path, bool append, UniqueFd& fd) {
  std::optional<CommandError> error;
  Node* target = WriteTarget(Operation::Open, path, error);
  if (!target) return error;
  Node& node = *target;
  if (!append) {
    node.content.clear();
    node.below = false;
  }
  node.modifiedNs = ++clock_;
  // What is written goes nowhere: no run in memory reads its own output back.
  fd.reset(::open("/dev/null", O_WRONLY | O_CLOEXEC));
  if (!fd) return ErrnoError(errno, "/dev/null");
  return std::nullopt;
}

std::optional<CommandError> MemoryFileSystem::LoadContent(Node& node) {
  if (!node.below) return std::nullopt;
  std::string bytes;
  if (auto error = below_->ReadFile(node.origin, bytes)) return error;
  node.content = std::move(bytes);
  node.below = false;
  return std::nullopt;
}

std::optional<CommandError> MemoryFileSystem::ReadFile(const std::string& path, std::string& bytes) {
  if (auto refusal = Refusal(Operation::Read, path)) return refusal;
  Node* node = Find(path);
  if (!node) return ErrnoError(ENOENT, path);
  if (node->isDir) return ErrnoError(EISDIR, path);
  if (auto error = LoadContent(*node)) return error;
  bytes += node->content;
  return std::nullopt;
}

std::optional<CommandError> MemoryFileSystem::WriteFile(const std::string& path, std::string_view content) {
  std::optional<CommandError> error;
  Node* node = WriteTarget(Operation::Write, path, error);
  if (!node) return error;
  // A fresh file takes the name: whatever stood there before is gone.
  if (!node->origin.empty()) gone_.push_back({node->origin, {}, false});
  *node = Node{false, std::string(content), {}, false, false, ++clock_};
  return std::nullopt;
}

std::optional<CommandError> MemoryFileSystem::MakeFolder(const std::string& path) {
  if (auto refusal = Refusal(Operation::MakeFolder, path)) return refusal;
  const auto [dir, name] = Split(path);
  Folder* folder = Load(dir);
  if (!folder) return ErrnoError(ENOENT, path);
  if (path == "/" || folder->count(name)) return ErrnoError(EEXIST, path);
  (*folder)[name].isDir = true;
  return std::nullopt;
}

std::optional<CommandError> MemoryFileSystem::RemoveFolder(const std::string& path) {
  if (auto refusal = Refusal(Operation::MakeFolder, path)) return refusal;
  Folder* holder = nullptr;
  Node* node = Find(path, &holder);
  if (!node) return ErrnoError(ENOENT, path);
  if (!node->isDir) return ErrnoError(ENOTDIR, path);
  if (Folder* content = Load(path); content && !content->empty()) return ErrnoError(ENOTEMPTY, path);
  holder->erase(Split(path).second);
  folders_.erase(path);
  return std::nullopt;
}

std::optional<EntryStatus> MemoryFileSystem::Status(const std::string& path) {
  if (path == "/") return EntryStatus{EntryKind::Folder, 0};
  const Node* node = Find(path);
  if (!node) return std::nullopt;
  // Unchanged since it was read from below: as below has it.
  if (below_ && !node->origin.empty() && node->modifiedNs == 0) return below_->Status(node->origin);
  return EntryStatus{node->isDir ? EntryKind::Folder : EntryKind::File, node->modifiedNs};
}

bool MemoryFileSystem::IsFile(const std::string& path) {
  const Node* node = Find(path);
  return node && !node->isDir;
}

std::optional<CommandError> MemoryFileSystem::CheckAccess(const std::string& path, Access access) {
  if (auto refusal = Refusal(Operation::Access, path)) return refusal;
  if (!IsDirectory(path) && !Find(path)) return ErrnoError(ENOENT, path);
  // What came from below is as below lets it be.
  if (below_ && below_->IsDirectory(path)) return below_->CheckAccess(path, access);
  return std::nullopt;
}

std::size_t MemoryFileSystem::NameMax(const std::string& dir) { return below_ ? below_->NameMax(dir) : 255; }

}  // namespace shotsweep
