// shotsweep-cli's dry run against its real run on the same cleanup by photo list: 20,000 RAW
// files, 10,000 JPG names. Each run is the whole program, its listing or messages going to
// /dev/null. Prints both medians and their ratio.
//
//   dry_run_bench [ROUNDS]

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/process.h"
#include "bench/cleanup_scene.h"

namespace fs = std::filesystem;
using namespace shotsweep;
using namespace shotsweep::bench;

namespace {

constexpr int kRawFiles = 20000;

double RunCli(const std::vector<std::string>& args) {
  SpawnRequest request;
  request.program = (fs::read_symlink("/proc/self/exe").parent_path() / "shotsweep-cli").string();
  request.argv = args;
  request.argv.insert(request.argv.begin(), request.program);
  request.out = Stream::ToNull();
  request.err = Stream::ToNull();
  const auto start = std::chrono::steady_clock::now();
  const Spawned child = Spawn(request);
  if (child.error || WaitForExit(child.pid) != 0) {
    std::fprintf(stderr, "shotsweep-cli failed\n");
    std::exit(1);
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const fs::path root = MakeScratchFolder("dry-run-bench");
  const fs::path raw = root / "raw";
  const fs::path list = root / "photo_file_list.txt";
  WritePhotoList(list, kRawFiles);

  std::vector<double> dry, real;
  for (int round = 0; round < rounds; ++round) {
    MakeRawFolder(raw, kRawFiles);
    dry.push_back(RunCli({"by-list", raw.string(), list.string(), "--dry-run"}));
    real.push_back(RunCli({"by-list", raw.string(), list.string()}));
  }
  fs::remove_all(root);
  const double d = Median(dry), r = Median(real);
  std::printf("cleanup by photo list of %d RAW files, median of %d rounds\n", kRawFiles, rounds);
  std::printf("  shotsweep-cli --dry-run: %.3f s\n", d);
  std::printf("  shotsweep-cli:           %.3f s\n", r);
  std::printf("  ratio: %.2f\n", d / r);
  return 0;
}
