// The cost of a cleanup per RAW file as the folder grows: the whole cleanup by photo list at
// 2,000, 20,000 and 200,000 RAW files (every other one listed), and the plain rename/unlink
// loop at the same sizes. Prints microseconds per file and each size's cost per file against
// the smallest's; a ratio near 1 means no cost grows faster than the folder. The loop's own
// ratio shows how much of any growth is the file system's.
//
//   scaling_bench [ROUNDS] [LARGEST]   (LARGEST: default 200000; the sizes are it / 100, / 10, / 1)

#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "bench/cleanup_scene.h"

namespace fs = std::filesystem;
using namespace shotsweep::bench;

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const int largest = argc > 2 ? std::max(100, std::atoi(argv[2])) : 200000;
  const fs::path root = MakeScratchFolder("scaling-bench");
  const fs::path raw = root / "raw";
  const fs::path list = root / "photo_file_list.txt";

  std::printf("%10s %16s %13s %14s %11s %15s\n", "RAW files", "command us/file", "loop us/file", "command ratio",
              "loop ratio", "command / loop");
  double firstCommand = 0, firstLoop = 0;
  for (const int files : {largest / 100, largest / 10, largest}) {
    const std::vector<std::string> listed = WritePhotoList(list, files);
    std::vector<double> command, loop;
    for (int round = 0; round < rounds; ++round) {
      MakeRawFolder(raw, files);
      command.push_back(CleanUpWithTheCommand(raw, list) * 1e6 / files);
      MakeRawFolder(raw, files);
      loop.push_back(CleanUpWithAPlainLoop(raw, listed) * 1e6 / files);
    }
    const double c = Median(command), l = Median(loop);
    if (firstCommand == 0) {
      firstCommand = c;
      firstLoop = l;
    }
    std::printf("%10d %16.2f %13.2f %14.2f %11.2f %15.2f\n", files, c, l, c / firstCommand, l / firstLoop, c / l);
    std::fflush(stdout);
  }
  fs::remove_all(root);
  return 0;
}
