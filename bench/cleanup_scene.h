#pragma once
// A cleanup by photo list as the benchmarks stage it: a RAW folder of every kind, every other
// stem listed, and the two ways of bringing it into line, through the whole command and by a
// plain loop of the rename and unlink calls the cleanup comes down to.

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace shotsweep::bench {

// A fresh folder /tmp/shotsweep-NAME-XXXXXX; the benchmark ends when none can be made.
std::filesystem::path MakeScratchFolder(const std::string& name);
// `rawFiles` RAW files of all five kinds, some in upper case, in a fresh `raw`.
void MakeRawFolder(const std::filesystem::path& raw, int rawFiles);
// The photo list naming every other stem of the RAW folder as a JPG; returns the names.
std::vector<std::string> WritePhotoList(const std::filesystem::path& list, int rawFiles);
// Seconds the whole command took (checks, script texts, both scripts through shotsweep-batch).
double CleanUpWithTheCommand(const std::filesystem::path& raw, const std::filesystem::path& list);
// Seconds a plain loop took: every RAW file set aside, the listed given back their extension,
// the rest unlinked.
double CleanUpWithAPlainLoop(const std::filesystem::path& raw, const std::vector<std::string>& listed);

// The middle of the timings, so one disturbed round does not move the figure.
inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace shotsweep::bench
