#include "fs/memory_file_system.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "base/files.h"

namespace shotsweep {
namespace {

// Content this large, written over the disk, waits in an unnamed file there, not in memory.
constexpr std::size_t kSpillAt = 8 << 20;

// An unnamed file in the folder for temporary files, holding `content`; null when there is none.
std::shared_ptr<UniqueFd> Spill(std::string_view content) {
  const char* dir = std::getenv("TMPDIR");
  for (const char* candidate : {dir, "/var/tmp", "/tmp"}) {
    if (!candidate || !*candidate) continue;
    auto fd = std::make_shared<UniqueFd>(::open(candidate, O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
    if (!*fd) continue;
    if (!WriteAll(fd->get(), content)) return fd;
  }
  return nullptr;
}

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
        if (auto error = below_->List(walked, entries)) {
          // The folder asked for must be read; one on the way to it need only be entered.
          if (walked == path) return nullptr;
          unlisted_[walked] = error->number;
        }
        for (DirEntry& e : entries) {
          fresh[e.name] = Node{e.isDir, {}, Join(walked, e.name), false, !e.isDir, 0, e.kind, e.isFile};
        }
      }
      it = folders_.emplace(walked, std::move(fresh)).first;
    }
    folder = &it->second;
    if (start >= path.size()) return folder;
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const std::string name = path.substr(start, end - start);
    auto entry = folder->find(name);
    if (entry == folder->end()) entry = Probe(*folder, walked, name);
    if (entry == folder->end() || !entry->second.isDir) return nullptr;
    walked = Join(walked, name);
    start = end + 1;
  }
}

MemoryFileSystem::Folder::iterator MemoryFileSystem::Probe(Folder& folder, const std::string& dir,
                                                           const std::string& name) {
  if (!below_ || !unlisted_.count(dir)) return folder.end();
  const std::string path = Join(dir, name);
  const auto status = below_->Status(path);
  if (!status) return folder.end();
  const bool isDir = below_->IsDirectory(path);
  return folder.emplace(name, Node{isDir, {}, path, false, !isDir, 0, status->kind, below_->IsFile(path)}).first;
}

MemoryFileSystem::Node* MemoryFileSystem::Find(const std::string& path, Folder** holder) {
  if (path == "/") return nullptr;
  const auto [dir, name] = Split(path);
  Folder* folder = Load(dir);
  if (!folder) return nullptr;
  auto it = folder->find(name);
  if (it == folder->end()) it = Probe(*folder, dir, name);
  if (it == folder->end()) return nullptr;
  if (holder) *holder = folder;
  return &it->second;
}

std::optional<CommandError> MemoryFileSystem::MayChange(const std::string& dir, const Node* entry,
                                                        const std::string& path) {
  if (!below_) return std::nullopt;
  auto it = rights_.find(dir);
  if (it == rights_.end()) {
    Rights rights;
    // A folder made in this run is this process's own.
    if (const auto status = below_->Status(dir); status && below_->IsDirectory(dir)) {
      if (auto refused = below_->CheckAccess(dir, Access::WriteAndEnter)) rights.writeError = refused->number;
      rights.sticky = (status->mode & 01000u) != 0;
      rights.owner = status->owner;
    }
    it = rights_.emplace(dir, rights).first;
  }
  const Rights& rights = it->second;
  if (rights.writeError != 0) return ErrnoError(rights.writeError, path);
  const unsigned self = ::geteuid();
  if (!entry || !rights.sticky || self == 0 || self == rights.owner) return std::nullopt;
  // In a sticky folder only the owner of an entry (or of the folder) may take it away.
  if (entry->origin.empty() || entry->modifiedNs != 0) return std::nullopt;  // made here: ours
  const auto status = below_->Status(entry->origin);
  if (status && status->owner != self) return ErrnoError(EPERM, path);
  return std::nullopt;
}

std::optional<CommandError> MemoryFileSystem::Refusal(Operation operation, const std::string& path) const {
  const auto it = refusals_.find({operation, path});
  if (it == refusals_.end()) return std::nullopt;
  return ErrnoError(it->second, path);
}

void MemoryFileSystem::AddFolder(const std::string& path) {
  std::string walked = "/";
  Folder* parent = Load(walked);
  if (!parent) parent = &folders_[walked];
  std::size_t start = 1;
  while (start < path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const std::string name = path.substr(start, end - start);
    Node& node = (*parent)[name];
    // A file, or a link that dangles or points elsewhere, gives way to the folder asked for.
    if (!node.isDir) node = Node{true, {}, {}, false, false, 0, EntryKind::Folder, false};
    walked = Join(walked, name);
    parent = Load(walked);
    if (!parent) parent = &folders_[walked];
    start = end + 1;
  }
}

void MemoryFileSystem::AddFile(const std::string& path, std::string content) {
  const auto [dir, name] = Split(path);
  AddFolder(dir);
  (*Load(dir))[name] = Node{false, std::move(content), path, false, false, ++clock_};
}

void MemoryFileSystem::AddLink(const std::string& path, const std::string& target) {
  const auto [dir, name] = Split(path);
  AddFolder(dir);
  Node link{false, {}, path, false, false, ++clock_, EntryKind::Link, false, target};
  if (const Node* pointed = Find(target); pointed && !pointed->isDir && pointed->kind != EntryKind::Link) {
    // What the link shows is what its target holds now.
    link.isFile = pointed->isFile;
    link.content = Content(target).value_or(std::string());
  } else if (pointed && pointed->isDir) {
    link.isDir = true;
  }
  (*Load(dir))[name] = std::move(link);
}

void MemoryFileSystem::Refuse(Operation operation, const std::string& path, int error) {
  refusals_[{operation, path}] = error;
}

std::optional<std::string> MemoryFileSystem::Content(const std::string& path) {
  Node* node = Find(path);
  if (!node || node->isDir || LoadContent(*node)) return std::nullopt;
  return node->content;
}

std::optional<std::string> MemoryFileSystem::TakeContent(const std::string& path) {
  Node* node = Find(path);
  if (!node || node->isDir || LoadContent(*node)) return std::nullopt;
  return std::move(node->content);
}

void MemoryFileSystem::PutBack(const std::string& path, std::string&& content) {
  // Only into the file it was taken from, if the run left it there and wrote nothing into it.
  if (Node* node = Find(path); node && !node->isDir && node->kind == EntryKind::File && node->content.empty()) {
    node->content = std::move(content);
  }
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
  if (const auto unlisted = unlisted_.find(dir); unlisted != unlisted_.end()) return ErrnoError(unlisted->second, dir);
  const Folder* folder = Load(dir);
  if (!folder) {
    // As the disk says it, when it has something to say (a folder that may not be read).
    std::vector<DirEntry> ignored;
    if (below_ && IsDirectory(dir)) {
      if (auto error = below_->List(dir, ignored)) return error;
    }
    return ErrnoError(ENOENT, dir);
  }
  std::size_t seen = 0;
  for (const auto& [name, node] : *folder) {
    if (seen++ == limits.budget || (limits.cancelled && limits.cancelled->load())) return ErrnoError(ECANCELED, dir);
    entries.push_back({name, node.isDir, node.kind, node.isFile && !node.isDir});
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
  if (auto refused = MayChange(Split(from).first, node, from)) return refused;
  if (toDir != Split(from).first) {
    if (auto refused = MayChange(toDir, nullptr, to)) return refused;
  }
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
  if (node->isDir && node->kind != EntryKind::Link) return ErrnoError(EISDIR, path);
  if (auto refused = MayChange(Split(path).first, node, path)) return refused;
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
  const auto existing = folder->find(name);
  if (existing != folder->end() && existing->second.isDir) return ErrnoError(EISDIR, to);
  // The copy goes to a fresh file that then takes the name.
  if (auto refused = MayChange(dir, existing == folder->end() ? nullptr : &existing->second, to)) return refused;
  Node& target = (*folder)[name];
  target.content = content;
  target.below = false;
  target.spilled.reset();
  target.kind = EntryKind::File;
  target.isFile = true;
  target.linkTarget.clear();
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
  const auto existing = folder->find(name);
  if (existing != folder->end() && existing->second.isDir) {
    error = ErrnoError(EISDIR, path);
    return nullptr;
  }
  // A new entry needs the folder's permission; so does a file written whole, which is made
  // beside its name and renamed over it. Appending to or emptying a file needs only the file's.
  const bool replaced = operation == Operation::Write || existing == folder->end() ||
                        existing->second.kind != EntryKind::File;
  if (replaced && (error = MayChange(dir, existing == folder->end() ? nullptr : &existing->second, path))) {
    return nullptr;
  }
  return &(*folder)[name];
}

std::optional<CommandError> MemoryFileSystem::OpenForOutput(const std::string& path, bool append, UniqueFd& fd) {
  std::optional<CommandError> error;
  Node* target = WriteTarget(Operation::Open, path, error);
  if (!target) return error;
  Node& node = *target;
  if (node.kind != EntryKind::File) {
    // Never written through: appending is refused, ">" puts a new file in its place.
    if (append) return ErrnoError(node.kind == EntryKind::Link ? ELOOP : ENXIO, path);
    node = Node{false, {}, {}, false, false, 0};
  }
  if (!append) {
    node.content.clear();
    node.below = false;
    node.spilled.reset();
  }
  node.modifiedNs = ++clock_;
  // What is written goes nowhere: no run in memory reads its own output back.
  fd.reset(::open("/dev/null", O_WRONLY | O_CLOEXEC));
  if (!fd) return ErrnoError(errno, "/dev/null");
  return std::nullopt;
}

std::optional<CommandError> MemoryFileSystem::OpenForReading(const std::string& path, UniqueFd& fd) {
  if (auto refusal = Refusal(Operation::Read, path)) return refusal;
  Node* node = Find(path);
  if (!node) return ErrnoError(ENOENT, path);
  if (node->isDir) return ErrnoError(EISDIR, path);
  if (node->spilled) {
    fd.reset(::fcntl(node->spilled->get(), F_DUPFD_CLOEXEC, 0));
    if (!fd) return ErrnoError(errno, path);
    return std::nullopt;
  }
  // Anything else is small, or lives here without a disk: a file in memory of its content.
  if (auto error = LoadContent(*node)) return error;
  fd.reset(::memfd_create("shotsweep-file", MFD_CLOEXEC));
  if (!fd) return ErrnoError(errno, path);
  if (auto error = WriteAll(fd.get(), node->content)) return ErrnoError(error->number, path);
  return std::nullopt;
}

std::optional<CommandError> MemoryFileSystem::LoadContent(Node& node) {
  if (node.spilled) {
    // Read back whole only when asked for whole.
    std::string bytes;
    char buffer[65536];
    ssize_t n;
    for (off_t offset = 0; (n = ::pread(node.spilled->get(), buffer, sizeof buffer, offset)) != 0; offset += n) {
      if (n < 0 && errno == EINTR) n = 0;
      else if (n < 0) return ErrnoError(errno, node.origin);
      bytes.append(buffer, static_cast<std::size_t>(n));
    }
    node.content = std::move(bytes);
    node.spilled.reset();
    return std::nullopt;
  }
  if (node.kind == EntryKind::Link && !node.below && !node.isFile) return ErrnoError(ENOENT, node.origin);
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
  return WriteFileTaking(path, std::string(content));
}

std::optional<CommandError> MemoryFileSystem::WriteFileTaking(const std::string& path, std::string&& content) {
  std::optional<CommandError> error;
  Node* node = WriteTarget(Operation::Write, path, error);
  if (!node) return error;
  // A fresh file takes the name: whatever stood there before is gone.
  if (!node->origin.empty()) gone_.push_back({node->origin, {}, false});
  *node = Node{false, std::move(content), {}, false, false, ++clock_};
  if (below_ && node->content.size() >= kSpillAt) {
    if ((node->spilled = Spill(node->content))) std::string().swap(node->content);
  }
  return std::nullopt;
}

std::optional<CommandError> MemoryFileSystem::WriteFileInPieces(const std::string& path, const NextPiece& next) {
  std::shared_ptr<UniqueFd> spilled = below_ ? Spill({}) : nullptr;
  if (!spilled) return FileSystem::WriteFileInPieces(path, next);
  for (std::string piece; next(piece); piece.clear()) {
    if (auto error = WriteAll(spilled->get(), piece)) return ErrnoError(error->number, path);
  }
  std::optional<CommandError> error;
  Node* node = WriteTarget(Operation::Write, path, error);
  if (!node) return error;
  if (!node->origin.empty()) gone_.push_back({node->origin, {}, false});
  *node = Node{false, {}, {}, false, false, ++clock_};
  node->spilled = std::move(spilled);
  return std::nullopt;
}

std::optional<CommandError> MemoryFileSystem::MakeFolder(const std::string& path) {
  if (auto refusal = Refusal(Operation::MakeFolder, path)) return refusal;
  const auto [dir, name] = Split(path);
  Folder* folder = Load(dir);
  if (!folder) return ErrnoError(ENOENT, path);
  if (path == "/" || folder->count(name)) return ErrnoError(EEXIST, path);
  if (auto refused = MayChange(dir, nullptr, path)) return refused;
  (*folder)[name] = Node{true, {}, {}, false, false, 0, EntryKind::Folder, false};
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
  return EntryStatus{node->kind == EntryKind::File && node->isDir ? EntryKind::Folder : node->kind, node->modifiedNs,
                     ::geteuid(), node->isDir ? 0755u : 0644u};
}

bool MemoryFileSystem::IsFile(const std::string& path) {
  const Node* node = Find(path);
  return node && !node->isDir && node->isFile;
}

std::optional<CommandError> MemoryFileSystem::CheckAccess(const std::string& path, Access access) {
  if (auto refusal = Refusal(Operation::Access, path)) return refusal;
  if (!IsDirectory(path) && !Find(path)) return ErrnoError(ENOENT, path);
  // What came from below is as below lets it be.
  if (below_ && below_->IsDirectory(path)) return below_->CheckAccess(path, access);
  return std::nullopt;
}

std::optional<std::string> MemoryFileSystem::ResolvePath(const std::string& path) {
  if (below_) {
    if (auto resolved = below_->ResolvePath(path)) return resolved;
  }
  if (path.empty() || path.front() != '/') return std::nullopt;
  std::string normal;
  std::size_t start = 1;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const std::string part = path.substr(start, end - start);
    if (part == "..") {
      normal.erase(normal.empty() ? 0 : normal.rfind('/'));
    } else if (!part.empty() && part != ".") {
      normal += "/" + part;
    }
    start = end + 1;
  }
  if (normal.empty()) normal = "/";
  if (!IsDirectory(normal) && !Find(normal)) return std::nullopt;
  return normal;
}

std::size_t MemoryFileSystem::NameMax(const std::string& dir) { return below_ ? below_->NameMax(dir) : 255; }

}  // namespace shotsweep
