#pragma once
// What a cleanup's run knows of the files it sets aside: the name each had before, learnt from
// the interpreter's own renames and from a cleanup record, and, when the record is the
// cleanup's plan, what is to become of each file. Nothing here touches a file: the interpreter
// asks before it renames or deletes, and tells what it did. Files are named by their full
// path, as the interpreter joins them.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/cleanup_record.h"

namespace shotsweep::batch {

class CleanupBook {
 public:
  // `record` (none: only what the run itself sets aside is known) names files in `folder`, a
  // real path as the interpreter's folder indexes spell it. With `plan` it is the cleanup's
  // plan, and nothing it does not name is to be touched.
  CleanupBook(std::optional<CleanupRecord> record, std::string folder, bool plan);
  CleanupBook(const CleanupBook&) = delete;
  CleanupBook& operator=(const CleanupBook&) = delete;

  bool limits() const { return plan_; }
  const std::string& folder() const { return folder_; }

  // A file that is set aside: the name it had (empty when not known) and its planned entry.
  struct Aside {
    std::string original;
    const CleanupRecord::Raw* planned = nullptr;
    std::size_t sequence = 0;  // the order in which the files became known
  };
  const Aside* FindAside(const std::string& path) const;
  // The planned entry of the file `name` in `dir` while it still has its original name.
  const CleanupRecord::Raw* PlannedOriginal(std::string_view dir, std::string_view name) const;
  std::vector<const CleanupRecord::Sidecar*> SidecarsOf(const CleanupRecord::Raw& raw) const;

  void SetAside(const std::string& path, std::string original, const CleanupRecord::Raw* planned);
  // The file at `path` is set aside no more: it took a name back, or it is gone.
  void NoLongerAside(const std::string& path);

  // What the record says once the run has ended: each file of the folder still set aside, as
  // `present` tells by name, with its original name; nullopt when there is none.
  std::optional<CleanupRecord> Left(const std::function<bool(const std::string& name)>& present) const;

 private:
  CleanupRecord record_;
  std::string folder_;
  bool plan_;
  std::size_t sequence_ = 0;
  std::unordered_map<std::string, Aside> asides_;
  std::unordered_map<std::string_view, const CleanupRecord::Raw*> byOriginal_;
  std::unordered_multimap<std::string_view, const CleanupRecord::Sidecar*> sidecars_;
};

}  // namespace shotsweep::batch
