// The whole cleanup by photo list (checks, script texts, three files, both scripts through
// shotsweep-batch) on 20,000 RAW files and 10,000 JPG names, against a plain loop that makes
// the rename and unlink calls the cleanup comes down to. Prints both medians and the ratio.
//
//   cleanup_bench [ROUNDS]

#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "bench/cleanup_scene.h"

namespace fs = std::filesystem;
using namespace shotsweep::bench;

constexpr int kRawFiles = 20000;

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const fs::path root = MakeScratchFolder("cleanup-bench");
  const fs::path raw = root / "raw";
  const fs::path list = root / "photo_file_list.txt";
  const std::vector<std::string> listed = WritePhotoList(list, kRawFiles);

  std::vector<double> command, plain;
  for (int round = 0; round < rounds; ++round) {
    MakeRawFolder(raw, kRawFiles);
    command.push_back(CleanUpWithTheCommand(raw, list));
    MakeRawFolder(raw, kRawFiles);
    plain.push_back(CleanUpWithAPlainLoop(raw, listed));
  }
  fs::remove_all(root);

  const double c = Median(command);
  const double p = Median(plain);
  std::printf("cleanup of %d RAW files by %zu JPG names, median of %d rounds\n", kRawFiles, listed.size(), rounds);
  std::printf("  whole command through shotsweep-batch: %.3f s\n", c);
  std::printf("  plain rename/unlink loop:              %.3f s\n", p);
  std::printf("  ratio: %.2f\n", c / p);
  return 0;
}
