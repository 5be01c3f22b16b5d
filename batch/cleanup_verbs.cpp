// A cleanup's side of "ren" and "del": exact names back for what the run set aside, and, under
// a plan, nothing touched that the plan does not name.
#include <cerrno>
#include <unordered_set>

#include "batch/interpreter.h"
#include "batch/messages.h"

namespace shotsweep::batch {

namespace {

constexpr std::string_view kNotPlanned = "not in the cleanup's plan, so left as it is";

std::string_view WhatThePlanDoes(PlannedAction action) {
  switch (action) {
    case PlannedAction::Keep: return "keeps it";
    case PlannedAction::SetAside: return "leaves it set aside";
    case PlannedAction::Delete: return "deletes it";
    case PlannedAction::Trash: return "moves it to the trash";
  }
  return {};
}

}  // namespace

Interpreter::CleanupStep Interpreter::PlanRename(const Streams& s, const DirectoryIndex& index, const DirEntry& e,
                                                 bool wildcard, const std::string& from, std::string& newName) {
  const CleanupBook::Aside* aside = e.isDir ? nullptr : book_->FindAside(from);
  CleanupStep step;
  if (book_->limits()) {
    step.planned = aside ? aside->planned : nullptr;
    if (!step.planned) {
      // Not set aside: a file the plan sets aside under exactly the name the line gives it.
      step.planned = e.isDir ? nullptr : book_->PlannedOriginal(index.path(), e.name);
      if (!step.planned) {
        Note(s, from, kNotPlanned);
        return {CleanupStep::Skip};
      }
      if (newName != step.planned->aside) {
        Fail(s, "Not renamed: the cleanup's plan sets it aside as " + step.planned->aside, from);
        return {CleanupStep::Skip};
      }
      step.move = CleanupStep::SetAside;
      return step;
    }
    if (step.planned->action != PlannedAction::Keep) {
      // The script would keep what the plan does not: the restoring script and the plan
      // disagree, and the failure holds back the script's deletions.
      Fail(s, "Not renamed: the cleanup's plan " + std::string(WhatThePlanDoes(step.planned->action)), from);
      return {CleanupStep::Skip};
    }
  } else if (!aside) {
    step.move = wildcard && options_.exactNames && !e.isDir ? CleanupStep::SetAside : CleanupStep::AsIs;
    return step;
  }
  // Back from being set aside: under the name it had, when that is known and free; otherwise
  // as the line says, which fails as a duplicate when the name is taken in another spelling.
  if (!aside->original.empty() && !index.HasOtherThan(aside->original, e.name)) newName = aside->original;
  step.move = CleanupStep::GiveBack;
  return step;
}

void Interpreter::Renamed(const CleanupStep& step, const std::string& from, const std::string& to,
                          const std::string& oldName) {
  if (step.move == CleanupStep::SetAside) book_->SetAside(to, oldName, step.planned);
  if (step.move == CleanupStep::GiveBack) book_->NoLongerAside(from);
}

void Interpreter::DeleteInCleanup(const Streams& s, DirectoryIndex& index, const std::vector<DirEntry>& files) {
  struct Leaving {
    const DirEntry* file;
    std::string path;
    const CleanupBook::Aside* aside;
    bool trash;
  };
  std::vector<Leaving> leaving;
  bool disagrees = false;
  for (const DirEntry& e : files) {
    std::string path = JoinPath(index.path(), e.name);
    const CleanupBook::Aside* aside = book_->FindAside(path);
    const CleanupRecord::Raw* planned = aside ? aside->planned : nullptr;
    if (book_->limits() && (!planned || !LeavesFolder(planned->action))) {
      if (planned || book_->PlannedOriginal(index.path(), e.name)) {
        Fail(s, planned ? "Nothing deleted: the cleanup's plan " + std::string(WhatThePlanDoes(planned->action))
                        : std::string("Nothing deleted: the cleanup's plan deletes a file only once it is set aside"),
             path);
        disagrees = true;
      } else {
        Note(s, path, kNotPlanned);
      }
      continue;
    }
    leaving.push_back({&e, std::move(path), aside, options_.trash || (planned && planned->action == PlannedAction::Trash)});
  }
  // A line that would delete what the plan keeps is not the line the plan was made from:
  // none of its deletions is trusted.
  if (disagrees) return;
  for (const Leaving& file : leaving) {
    const CleanupRecord::Raw* planned = file.aside ? file.aside->planned : nullptr;
    const bool gone = file.trash ? TrashUnderOriginal(s, index, file.file->name, file.aside ? file.aside->original : "")
                                 : RemoveFile(s, index, file.file->name, false);
    if (!gone) continue;
    book_->NoLongerAside(file.path);  // `file.aside` is no more from here on
    if (planned) RemoveSidecars(s, index, *planned, file.trash);
  }
}

bool Interpreter::TrashUnderOriginal(const Streams& s, DirectoryIndex& index, const std::string& aside,
                                     const std::string& original) {
  if (original.empty()) return RemoveFile(s, index, aside, true);
  // The trash shows a file under the name it is trashed with, and puts it back there: the
  // RAW file's own name, not the one it had for a moment while set aside.
  const std::string asidePath = JoinPath(index.path(), aside);
  const std::string originalPath = JoinPath(index.path(), original);
  const DirEntry* there = index.Find(original);
  std::string why;
  if (there && there->name == original) {
    why = "its name " + original + " is taken";
  } else if (const auto error = fs_.RenameNoReplace(asidePath, originalPath)) {
    if (error->number == ENOENT) return RemoveFile(s, index, aside, true);
    why = error->number == EEXIST ? "its name " + original + " is taken"
                                  : "it could not take back its name " + original + ": " + ErrnoMessage(error->number);
  } else {
    index.Remove(aside);
    index.Add(original, false);
    if (RemoveFile(s, index, original, true)) return true;
    // Not trashed: back under its set-aside name, where a failed cleanup leaves what it did not delete.
    if (!fs_.RenameNoReplace(originalPath, asidePath)) {
      index.Remove(original);
      index.Add(aside, false);
    }
    return false;
  }
  Note(s, asidePath, "moved to the trash under its set-aside name, since " + why);
  return RemoveFile(s, index, aside, true);
}

void Interpreter::RemoveSidecars(const Streams& s, DirectoryIndex& index, const CleanupRecord::Raw& owner, bool trash) {
  for (const CleanupRecord::Sidecar* sidecar : book_->SidecarsOf(owner)) {
    // Only the very file recorded: not a folder, not another spelling of its name. One that is
    // gone already has left as planned.
    const DirEntry* entry = index.Find(sidecar->name);
    if (!entry || entry->name != sidecar->name || entry->isDir) continue;
    RemoveFile(s, index, sidecar->name, trash, true);
  }
}

std::optional<CleanupRecord> Interpreter::RecordLeft() {
  if (!book_ || book_->folder().empty()) return std::nullopt;
  // Read afresh: what is there now, whoever changed the folder while the run went on.
  std::vector<DirEntry> entries;
  const bool listed = !fs_.List(book_->folder(), entries);
  std::unordered_set<std::string> files;
  for (DirEntry& e : entries) {
    if (!e.isDir) files.insert(std::move(e.name));
  }
  // A folder that cannot be read keeps every name known: a record too long does no harm.
  return book_->Left([&](const std::string& name) { return !listed || files.count(name) > 0; });
}

}  // namespace shotsweep::batch
