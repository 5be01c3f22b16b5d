#include "bench/cleanup_scene.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <unordered_set>

#include "base/file_names.h"
#include "cleanup/cleanup_plan.h"
#include "platform/posix_script_runner.h"
#include "settings/settings.h"
#include "tests/support/disk.h"

namespace fs = std::filesystem;

namespace shotsweep::bench {
namespace {

std::string Stem(int i) { return "DSC_" + std::to_string(1000000 + i); }

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace

fs::path MakeScratchFolder(const std::string& name) {
  std::string pattern = "/tmp/shotsweep-" + name + "-XXXXXX";
  if (!mkdtemp(pattern.data())) {
    std::perror("mkdtemp");
    std::exit(1);
  }
  return pattern;
}

void MakeRawFolder(const fs::path& raw, int rawFiles) {
  fs::remove_all(raw);
  fs::create_directories(raw);
  for (int i = 0; i < rawFiles; ++i) {
    std::string extension(DefaultRawKinds()[i % 5].extension);
    if (i % 7 == 0) std::transform(extension.begin(), extension.end(), extension.begin(), ::toupper);
    std::ofstream(raw / (Stem(i) + extension)) << 'x';
  }
  // The new files' pages and journal written out now, not while a run is being timed.
  ::sync();
}

std::vector<std::string> WritePhotoList(const fs::path& list, int rawFiles) {
  std::vector<std::string> listed;
  std::ofstream out(list, std::ios::binary);
  for (int i = 0; i < rawFiles; i += 2) {
    listed.push_back(Stem(i) + ".JPG");
    out << listed.back() << "\r\n";
  }
  return listed;
}

double CleanUpWithTheCommand(const fs::path& raw, const fs::path& list) {
  Settings settings;
  const CleanupRequest request{CleanupRequest::Source::PhotoList, raw.string(), raw.string(), list.string(), false};
  PosixScriptRunner runner;
  FileSystem& disk = shotsweep::testing::TestDisk();
  // As the window and the command line run it: planned in memory, then carried out.
  const auto start = std::chrono::steady_clock::now();
  const CommandResult result = CarryOutCleanup(PlanCleanup(request, settings, disk), settings, runner, disk);
  const double seconds = Seconds(std::chrono::steady_clock::now() - start);
  if (!result.done() || !result.errors.empty()) {
    std::fprintf(stderr, "cleanup failed: %s\n", result.errors.empty() ? "not done" : result.errors[0].Text().c_str());
    std::exit(1);
  }
  return seconds;
}

double CleanUpWithAPlainLoop(const fs::path& raw, const std::vector<std::string>& listed) {
  const auto start = std::chrono::steady_clock::now();
  std::unordered_set<std::string> keep;
  for (const auto& name : listed) keep.insert(FileBaseName(name));
  std::vector<std::pair<std::string, const RawKind*>> aside;
  for (const auto& entry : fs::directory_iterator(raw)) {
    std::string name = entry.path().filename().string();
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
    for (const RawKind& kind : DefaultRawKinds()) {
      if (lower.ends_with(kind.extension)) {
        const std::string stem = name.substr(0, name.size() - kind.extension.size());
        ::rename((raw / name).c_str(), (raw / (stem + std::string(kind.aside))).c_str());
        aside.emplace_back(stem, &kind);
        break;
      }
    }
  }
  for (const auto& [stem, kind] : aside) {
    const fs::path set = raw / (stem + std::string(kind->aside));
    if (keep.count(stem)) {
      ::rename(set.c_str(), (raw / (stem + std::string(kind->extension))).c_str());
    } else {
      ::unlink(set.c_str());
    }
  }
  return Seconds(std::chrono::steady_clock::now() - start);
}

}  // namespace shotsweep::bench
