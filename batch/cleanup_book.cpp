#include "batch/cleanup_book.h"

#include <algorithm>
#include <unordered_set>

#include "batch/directory_index.h"

namespace shotsweep::batch {

CleanupBook::CleanupBook(std::optional<CleanupRecord> record, std::string folder, bool plan)
    : folder_(std::move(folder)), plan_(plan) {
  if (!record) return;
  record_ = std::move(*record);
  for (const CleanupRecord::Raw& raw : record_.raws) {
    // A file the record names may be set aside already (an earlier run left it so), or be set
    // aside by this run under exactly that name: either way that name is how it is known.
    asides_[JoinPath(folder_, raw.aside)] = Aside{raw.original, plan_ ? &raw : nullptr, sequence_++};
    if (!raw.original.empty()) byOriginal_.emplace(raw.original, &raw);
  }
  for (const CleanupRecord::Sidecar& sidecar : record_.sidecars) sidecars_.emplace(sidecar.owner, &sidecar);
}

const CleanupBook::Aside* CleanupBook::FindAside(const std::string& path) const {
  const auto it = asides_.find(path);
  return it == asides_.end() ? nullptr : &it->second;
}

const CleanupRecord::Raw* CleanupBook::PlannedOriginal(std::string_view dir, std::string_view name) const {
  if (!plan_ || dir != folder_) return nullptr;
  const auto it = byOriginal_.find(name);
  return it == byOriginal_.end() ? nullptr : it->second;
}

std::vector<const CleanupRecord::Sidecar*> CleanupBook::SidecarsOf(const CleanupRecord::Raw& raw) const {
  std::vector<const CleanupRecord::Sidecar*> found;
  if (raw.original.empty()) return found;
  for (auto [it, end] = sidecars_.equal_range(raw.original); it != end; ++it) found.push_back(it->second);
  return found;
}

void CleanupBook::SetAside(const std::string& path, std::string original, const CleanupRecord::Raw* planned) {
  asides_[path] = Aside{std::move(original), planned, sequence_++};
}

void CleanupBook::NoLongerAside(const std::string& path) { asides_.erase(path); }

std::optional<CleanupRecord> CleanupBook::Left(const std::function<bool(const std::string& name)>& present) const {
  std::vector<std::pair<std::size_t, CleanupRecord::Raw>> still;
  for (const auto& [path, aside] : asides_) {
    const auto [dir, name] = SplitLastView(path);
    const std::string bare(name);
    // A name the record cannot hold is left out: the record would not read back.
    if (dir != folder_ || !IsRecordableName(bare) || !(aside.original.empty() || IsRecordableName(aside.original)) ||
        !present(bare)) {
      continue;
    }
    still.emplace_back(aside.sequence, CleanupRecord::Raw{PlannedAction::SetAside, aside.original, bare});
  }
  if (still.empty()) return std::nullopt;
  std::sort(still.begin(), still.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  CleanupRecord left;
  left.state = CleanupRecord::State::Finished;
  std::unordered_set<std::string> names;
  for (const auto& [sequence, raw] : still) names.insert(raw.aside);
  for (auto& [sequence, raw] : still) {
    // A record names each file once. An original name that is also another file's name now
    // cannot come back without taking that file's place; the first file known under it keeps it.
    if (!raw.original.empty() && !names.insert(raw.original).second) raw.original.clear();
    left.raws.push_back(std::move(raw));
  }
  return left;
}

}  // namespace shotsweep::batch
