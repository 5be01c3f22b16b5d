// The whole cleanup by photo list (checks, script texts, three files, both scripts through
// shotsweep-batch) on 20,000 RAW files and 10,000 JPG names, against a plain loop that makes
// the rename and unlink calls the cleanup comes down to. Prints both medians and the ratio.
//
//   cleanup_bench [ROUNDS]

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unordered_set>
#include <vector>

#include "cleanup/cleanup_commands.h"
#include "base/file_names.h"
#include "platform/posix_script_runner.h"
#include "settings/module1.h"
#include "tests/support/fake_window.h"

namespace fs = std::filesystem;
using namespace shotsweep;

namespace {

constexpr int kRawFiles = 20000;
constexpr int kJpgNames = 10000;

std::string Stem(int i) { return "DSC_" + std::to_string(100000 + i); }

// RAW files of all five kinds, some in upper case; every other stem is listed.
void MakeFolder(const fs::path& raw) {
  fs::remove_all(raw);
  fs::create_directories(raw);
  for (int i = 0; i < kRawFiles; ++i) {
    std::string extension(DefaultRawKinds()[i % 5].extension);
    if (i % 7 == 0) std::transform(extension.begin(), extension.end(), extension.begin(), ::toupper);
    std::ofstream(raw / (Stem(i) + extension)) << 'x';
  }
}

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

double RunCommand(const fs::path& raw, const fs::path& list) {
  Module1 module;
  testing::FakeWindow window(raw.string(), raw.string());
  // The file lists stay empty: refreshing them is the window's work, not the cleanup's.
  testing::NameList none({});
  window.file1 = window.file2 = &none;
  window.bak = 0;
  testing::ScriptedDialogs dialogs;
  dialogs.openAnswers = {list.string()};
  PosixScriptRunner runner;
  CommandContext ctx{module, window, dialogs, runner};
  const auto start = std::chrono::steady_clock::now();
  DeleteUnmatchedByPhotoList(ctx);
  const double seconds = Seconds(std::chrono::steady_clock::now() - start);
  const std::string last = dialogs.messages.empty() ? "no message" : dialogs.messages.back().text;
  if (last != "Operation done") {
    std::fprintf(stderr, "cleanup failed: %s\n", last.c_str());
    std::exit(1);
  }
  return seconds;
}

// The same effect by direct calls: set every RAW file aside, give the listed ones their
// extension back, unlink the rest.
double RunPlainLoop(const fs::path& raw, const std::vector<std::string>& listed) {
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

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  char pattern[] = "/tmp/shotsweep-cleanup-bench-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  const fs::path root = pattern;
  const fs::path raw = root / "raw";
  const fs::path list = root / "photo_file_list.txt";
  std::vector<std::string> listed;
  {
    std::ofstream out(list, std::ios::binary);
    for (int i = 0; i < kJpgNames; ++i) {
      listed.push_back(Stem(2 * i) + ".JPG");
      out << listed.back() << "\r\n";
    }
  }

  std::vector<double> command, plain;
  for (int round = 0; round < rounds; ++round) {
    MakeFolder(raw);
    command.push_back(RunCommand(raw, list));
    MakeFolder(raw);
    plain.push_back(RunPlainLoop(raw, listed));
  }
  fs::remove_all(root);

  const double c = Median(command);
  const double p = Median(plain);
  std::printf("cleanup of %d RAW files by %d JPG names, median of %d rounds\n", kRawFiles, kJpgNames, rounds);
  std::printf("  whole command through shotsweep-batch: %.3f s\n", c);
  std::printf("  plain rename/unlink loop:              %.3f s\n", p);
  std::printf("  ratio: %.2f\n", c / p);
  return 0;
}
